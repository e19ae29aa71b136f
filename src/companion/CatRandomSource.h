#pragma once

namespace meterix {

// The cat's random draws: rolls (0 to 100 inclusive, uniform), waits (uniform
// over a closed interval) and coins (fair). Tests script them.
class CatRandomSource {
  public:
    virtual ~CatRandomSource() = default;
    virtual int roll() = 0;
    virtual double wait(double low, double high) = 0;
    virtual bool coin() = 0;

    // The process's own source, unseeded.
    static CatRandomSource& system();
};

} // namespace meterix
