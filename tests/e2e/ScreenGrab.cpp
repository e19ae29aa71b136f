// Saves the whole X screen as a PNG: the end-to-end test's look at the bar.
// Given a point, also prints the red, green and blue of the screen there, for
// the scripts to check numerically.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: %s out.png [x y]\n", argv[0]);
        return 2;
    }
    QGuiApplication app(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return 1;
    const QPixmap shot = screen->grabWindow(0);
    if (!shot.save(QString::fromLocal8Bit(argv[1]), "PNG")) return 1;
    if (argc == 4) {
        const QImage image = shot.toImage();
        const int x = std::atoi(argv[2]);
        const int y = std::atoi(argv[3]);
        if (!image.valid(x, y)) return 1;
        const QColor c = image.pixelColor(x, y);
        std::printf("%d %d %d\n", c.red(), c.green(), c.blue());
    }
    return 0;
}
