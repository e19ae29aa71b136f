// Compares two screenshots inside a rectangle: prints how many of its pixels
// changed (any channel by more than 24), in percent. The end-to-end tests use it
// to see that a window's pixels appeared or went away.
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: %s before.png after.png x y width height\n", argv[0]);
        return 2;
    }
    const QImage before(QString::fromLocal8Bit(argv[1]));
    const QImage after(QString::fromLocal8Bit(argv[2]));
    if (before.isNull() || after.isNull() || before.size() != after.size()) return 1;
    const QRect area = QRect(std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]))
                           .intersected(before.rect());
    if (area.isEmpty()) return 1;
    qint64 changed = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb a = before.pixel(x, y);
            const QRgb b = after.pixel(x, y);
            if (std::abs(qRed(a) - qRed(b)) > 24 || std::abs(qGreen(a) - qGreen(b)) > 24 ||
                std::abs(qBlue(a) - qBlue(b)) > 24)
                ++changed;
        }
    std::printf("%lld\n", changed * 100 / (qint64(area.width()) * area.height()));
    return 0;
}
