#pragma once

namespace meterix {

// A damped harmonic oscillator described the way the design speaks of springs:
// response (the period of the undamped motion, in seconds) and damping fraction
// (1 is critical: no overshoot; below 1 it overshoots and rings). Pure.
class SpringCurve {
public:
    struct State {
        double displacement; // distance still to go (value minus target)
        double velocity;     // per second
    };

    SpringCurve(double response, double dampingFraction);
    // The same oscillator from mass, stiffness and damping.
    static SpringCurve fromMassStiffness(double mass, double stiffness, double damping);

    double response() const { return response_; }
    double dampingFraction() const { return zeta_; }

    // The motion t seconds after starting displacement0 away from the target with
    // velocity0.
    State at(double t, double displacement0, double velocity0) const;

    // A moving value comes to rest this close to its target (in position, and
    // in velocity scaled by the frequency), as a share of its move's size.
    static constexpr double restShare = 1e-3;
    // The size of a move that starts displacement0 away with velocity0.
    double moveSize(double displacement0, double velocity0) const;
    // The motion is still within restShare of a move of that size.
    bool isAtRest(const State& state, double moveSize) const;

private:
    double response_;
    double zeta_;
    double omega_;
};

} // namespace meterix
