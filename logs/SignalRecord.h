#pragma once

#include "LogFileLayout.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace logfile {

// One signal of a log file's signal list. Texts are the file's bytes as they stand.
struct SignalRecord
{
    std::string name;
    std::string blockName;
    std::string label;
    std::uint16_t dataType = 0;
    std::uint16_t flags = 0;
    float startT = 0;
    float stopT = 0;
    float stepT = 0;
    float sampleTime = 0;
    std::uint16_t sampleSize = 0;
    std::vector<std::uint16_t> dimensions;
    std::int32_t index = 0; // position in the signal list

    bool isComplex() const { return flags & layout::kFlagComplex; }
    bool isTimeSignal() const { return flags & layout::kFlagTime; }
};

// Shared by the reader, its data section and every decoded record.
using SignalList = std::vector<SignalRecord>;
using SharedSignalList = std::shared_ptr<const SignalList>;

} // namespace logfile
