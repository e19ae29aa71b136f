#include "companion/CatRandomSource.h"

#include <QRandomGenerator>

#include <algorithm>

namespace meterix {

namespace {

class SystemCatRandom final : public CatRandomSource {
  public:
    int roll() override { return int(QRandomGenerator::global()->bounded(101)); }
    double wait(double low, double high) override {
        if (!(high > low)) return low;
        // generateDouble() is [0, 1); the closed end is reached within rounding.
        return std::min(high, low + QRandomGenerator::global()->generateDouble() * (high - low));
    }
    bool coin() override { return QRandomGenerator::global()->bounded(2) == 1; }
};

} // namespace

CatRandomSource& CatRandomSource::system() {
    static SystemCatRandom source;
    return source;
}

} // namespace meterix
