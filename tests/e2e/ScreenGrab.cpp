// Saves the whole X screen (or one rectangle of it) as a PNG: the end-to-end
// tests' look at the bar and the panel.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 2 && argc != 6) {
        std::fprintf(stderr, "usage: %s out.png [x y width height]\n", argv[0]);
        return 2;
    }
    QGuiApplication app(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return 1;
    QPixmap shot = argc == 6 ? screen->grabWindow(0, std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                                                  std::atoi(argv[5]))
                             : screen->grabWindow(0);
    return shot.save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
