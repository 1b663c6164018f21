#pragma once

#include <cstdint>

// The value a simulated model variable takes at each step of the model: a constant,
// a ramp or a sine, interrupted by bursts of a special value (NaN or an infinity).
// The same step always gives the same value, so a test can compute what it receives.
struct MonitoringWaveform
{
    enum class Kind {
        Constant,
        Ramp, // start + slope × s
        Sine, // offset + amplitude × sin(2π × s / period)
    };

    Kind kind = Kind::Constant;
    double value = 0;     // Constant
    double start = 0;     // Ramp
    double slope = 0;     // Ramp: change per step
    double amplitude = 0; // Sine
    double offset = 0;    // Sine
    // Steps after which a ramp starts again and a sine repeats; 0: a ramp never starts again.
    // s above is the step modulo the period.
    int64_t period = 0;

    // Steps s with s modulo burstEvery below burstLength take burstValue instead.
    int64_t burstEvery = 0; // 0: no bursts
    int64_t burstLength = 0;
    double burstValue = 0;

    double at(int64_t step) const;
};
