// Finds the pixel cat on the X screen, or in a screenshot when one is given:
// the centre of the pixels near the orange tabby's body colour inside a
// rectangle, their count, and the mean x of the pixels near its eye colour
// (-1 when no eye shows), printed as "x y count eye-x". Cells are 1.35 px, so
// most pixels are blends: the match is loose.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

namespace {

bool near(const QColor& c, const QColor& want) {
    return std::abs(c.red() - want.red()) <= 40 && std::abs(c.green() - want.green()) <= 40 &&
           std::abs(c.blue() - want.blue()) <= 40;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: %s x y width height [screenshot.png]\n", argv[0]);
        return 2;
    }
    QGuiApplication app(argc, argv);
    QImage image;
    if (argc == 6) {
        image.load(QString::fromLocal8Bit(argv[5]));
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        image = screen->grabWindow(0).toImage();
    }
    if (image.isNull()) return 1;
    const QRect area(std::atoi(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
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
    if (n == 0) return 1;
    std::printf("%ld %ld %ld %ld\n", sx / n, sy / n, n, eyes ? ex / eyes : -1L);
    return 0;
}
