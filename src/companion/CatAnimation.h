#pragma once

#include "design/JellySprings.h"

namespace meterix {

// How a view should move to a value the cat engine has just published.
struct CatAnimation {
    enum class Kind { none, linear, easeOut, easeInOut, spring };
    Kind kind = Kind::none;
    double duration = 0; // seconds, for the timed kinds
    SpringSpec spring{0.38, 0.73};

    static CatAnimation immediate() { return {}; }
    static CatAnimation linear(double s) { return {Kind::linear, s, {}}; }
    static CatAnimation easeOut(double s) { return {Kind::easeOut, s, {}}; }
    static CatAnimation easeInOut(double s) { return {Kind::easeInOut, s, {}}; }
    static CatAnimation withSpring(SpringSpec spec) { return {Kind::spring, 0, spec}; }
};

} // namespace meterix
