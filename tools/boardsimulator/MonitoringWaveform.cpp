#include "MonitoringWaveform.h"

#include <cmath>
#include <numbers>

double MonitoringWaveform::at(int64_t step) const
{
    if (burstEvery > 0 && step % burstEvery < burstLength)
        return burstValue;
    const int64_t s = period > 0 ? step % period : step;
    switch (kind) {
    case Kind::Ramp:
        return start + slope * double(s);
    case Kind::Sine:
        return offset + amplitude * std::sin(2 * std::numbers::pi * double(s) / double(period > 0 ? period : 1));
    case Kind::Constant:
        break;
    }
    return value;
}
