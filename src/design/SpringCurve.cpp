#include "design/SpringCurve.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace meterix {

namespace {
constexpr double kMinResponse = 1e-3;
} // namespace

SpringCurve::SpringCurve(double response, double dampingFraction) {
    response_ = std::isfinite(response) ? std::max(response, kMinResponse) : kMinResponse;
    zeta_ = std::isfinite(dampingFraction) ? std::max(dampingFraction, 0.01) : 1.0;
    omega_ = 2.0 * std::numbers::pi / response_;
}

SpringCurve SpringCurve::fromMassStiffness(double mass, double stiffness, double damping) {
    const double m = mass > 0 ? mass : 1.0;
    const double k = stiffness > 0 ? stiffness : 1.0;
    const double omega = std::sqrt(k / m);
    const double zeta = damping / (2.0 * std::sqrt(k * m));
    return SpringCurve(2.0 * std::numbers::pi / omega, zeta);
}

SpringCurve::State SpringCurve::at(double t, double x0, double v0) const {
    if (!(t > 0)) return {x0, v0};
    const double w = omega_;
    if (zeta_ < 1.0 - 1e-9) {
        const double a = zeta_ * w;
        const double wd = w * std::sqrt(1.0 - zeta_ * zeta_);
        const double b = (v0 + a * x0) / wd;
        const double e = std::exp(-a * t);
        const double c = std::cos(wd * t);
        const double s = std::sin(wd * t);
        const double x = e * (x0 * c + b * s);
        const double v = e * (-a * (x0 * c + b * s) + wd * (b * c - x0 * s));
        return {x, v};
    }
    if (zeta_ <= 1.0 + 1e-9) {
        const double c = v0 + w * x0;
        const double e = std::exp(-w * t);
        return {e * (x0 + c * t), e * (c - w * (x0 + c * t))};
    }
    const double root = std::sqrt(zeta_ * zeta_ - 1.0);
    const double r1 = -w * (zeta_ - root);
    const double r2 = -w * (zeta_ + root);
    const double c2 = (v0 - r1 * x0) / (r2 - r1);
    const double c1 = x0 - c2;
    const double e1 = std::exp(r1 * t);
    const double e2 = std::exp(r2 * t);
    return {c1 * e1 + c2 * e2, c1 * r1 * e1 + c2 * r2 * e2};
}

double SpringCurve::moveSize(double displacement0, double velocity0) const {
    return std::max({std::abs(displacement0), std::abs(velocity0) / omega_, 1e-9});
}

bool SpringCurve::isAtRest(const State& state, double moveSize) const {
    return std::abs(state.displacement) <= restShare * moveSize &&
           std::abs(state.velocity) / omega_ <= restShare * moveSize;
}

} // namespace meterix
