#pragma once

#include <functional>

// The stages of converting a log into a MAT-file, each reported with a fraction 0..1.
enum class ConversionStage : int {
    Prepare = 0,
    ReadData = 1,
    BuildArrays = 2,
    WriteFile = 3,
};

// May be empty: then nothing is reported.
using ConversionProgress = std::function<void(ConversionStage stage, float fraction)>;
