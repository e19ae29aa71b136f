#pragma once

#include <ctime>

// CPU time of one thread of this process in seconds, read from its CPU-time
// clock (the calling thread's unless another thread's clock is given).
inline double threadCpuSeconds(clockid_t clock = CLOCK_THREAD_CPUTIME_ID) {
    timespec ts{};
    ::clock_gettime(clock, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}
