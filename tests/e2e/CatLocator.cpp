// Finds the pixel cat on the X screen, or in a screenshot when one is given:
// the centre of the pixels near the orange tabby's body colour inside a
// rectangle, their count, and the mean x of the pixels near its eye colour
// (-1 when no eye shows), printed as "x y count eye-x". Cells are 1.35 px, so
// most pixels are blends: the match is loose.
//
// With --looks N it looks at the screen N times, a frame tick of the cat's
// (0.12 s) apart, and prints a line for each look ("none" where no cat is
// seen), so that one call tells whether and which way the cat moves however
// slowly the machine starts programs; the middle look's screenshot is saved
// where asked.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

bool near(const QColor& c, const QColor& want) {
    return std::abs(c.red() - want.red()) <= 40 && std::abs(c.green() - want.green()) <= 40 &&
           std::abs(c.blue() - want.blue()) <= 40;
}

// "x y count eye-x" of the cat inside the area, or nothing when no pixel of it shows.
std::optional<QString> locate(const QImage& image, const QRect& area) {
    const QColor body = QColor::fromRgbF(0.98f, 0.62f, 0.22f);
    const QColor eye = QColor::fromRgbF(0.18f, 0.62f, 0.35f);
    long sx = 0, sy = 0, n = 0, ex = 0, eyes = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (near(c, body)) {
                sx += x;
                sy += y;
                ++n;
            } else if (near(c, eye)) {
                ex += x;
                ++eyes;
            }
        }
    if (n == 0) return std::nullopt;
    return QStringLiteral("%1 %2 %3 %4").arg(sx / n).arg(sy / n).arg(n).arg(eyes ? ex / eyes : -1L);
}

QImage grabScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->grabWindow(0).toImage() : QImage();
}

int usage(const char* self) {
    std::fprintf(stderr, "usage: %s x y width height [screenshot.png]\n       %s --looks N x y width height [middle.png]\n",
                 self, self);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const bool looking = argc > 1 && QByteArray(argv[1]) == "--looks";
    const int first = looking ? 3 : 1; // the area's first argument
    if (argc != first + 4 && argc != first + 5) return usage(argv[0]);
    const QRect area(std::atoi(argv[first]), std::atoi(argv[first + 1]), std::atoi(argv[first + 2]),
                     std::atoi(argv[first + 3]));
    const QString extra = argc == first + 5 ? QString::fromLocal8Bit(argv[first + 4]) : QString();
    if (!looking) {
        const QImage image = extra.isEmpty() ? grabScreen() : QImage(extra);
        const auto found = image.isNull() ? std::nullopt : locate(image, area);
        if (!found) return 1;
        std::printf("%s\n", qPrintable(*found));
        return 0;
    }
    const int looks = std::atoi(argv[2]);
    if (looks < 1 || looks > 20) return usage(argv[0]);
    bool all = true;
    for (int i = 0; i < looks; ++i) {
        if (i > 0) QThread::msleep(120);
        const QImage image = grabScreen();
        if (image.isNull()) return 1;
        if (i == looks / 2 && !extra.isEmpty()) image.save(extra, "PNG");
        const auto found = locate(image, area);
        all = all && found.has_value();
        std::printf("%s\n", found ? qPrintable(*found) : "none");
    }
    return all ? 0 : 1;
}
