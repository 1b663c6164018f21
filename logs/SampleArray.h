#pragma once

#include <cstdint>
#include <vector>

namespace logfile {

// The elements of one sample as doubles, with the signal's dimensions and the
// row-major strides over them (the last stride is 1).
struct SampleArray
{
    std::vector<double> values;
    std::vector<std::int32_t> dimensions;
    std::vector<std::int32_t> strides;
};

} // namespace logfile
