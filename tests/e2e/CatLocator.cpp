// Finds the pixel cat on the X screen: the centre of the pixels near the
// orange tabby's body colour inside a rectangle, printed as "x y count". Cells
// are 1.35 px, so most pixels are blends: the match is loose.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s x y width height\n", argv[0]);
        return 2;
    }
    QGuiApplication app(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return 1;
    const QRect area(std::atoi(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    const QImage image = screen->grabWindow(0).toImage();
    const QColor body = QColor::fromRgbF(0.98f, 0.62f, 0.22f);
    long sx = 0, sy = 0, n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - body.red()) <= 40 && std::abs(c.green() - body.green()) <= 40 &&
                std::abs(c.blue() - body.blue()) <= 40) {
                sx += x;
                sy += y;
                ++n;
            }
        }
    if (n == 0) return 1;
    std::printf("%ld %ld %ld\n", sx / n, sy / n, n);
    return 0;
}
