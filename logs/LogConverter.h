#pragma once

#include "ConversionStage.h"
#include "DataRecord.h"
#include "LogFileReader.h"
#include "SampleArray.h"
#include "TypeConversionError.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Turns an opened device log into a MAT-file (version 7.3): a struct "metadata" with
// the log's metadata, and one struct per signal with its description, its samples
// (time as the first dimension) and the time of every sample.
namespace LogConverter {

// Throws on failure: std::runtime_error "Could not open file" when the output cannot
// be created, FileFormatException for a malformed log, TypeConversionError and
// std::range_error for a time signal that gives no time, the stream's own failure
// while walking the records, and std::runtime_error when a variable cannot be
// written. An exception thrown by the progress callback ends the conversion in the
// same way. After any failure no file exists under the output path that was not
// there before (an older file of that name is left as it was).
void convertToMat(const std::string &outputPath, const LogFileReader &reader, ConversionProgress progress);

// The elements of one sample as doubles, read little-endian from the sample's first
// byte: sample size / element size of them. Throws TypeConversionError "Unknown data
// type" for a type outside 0..8.
logfile::SampleArray readSampleAsDouble(std::span<const std::uint8_t> recordBytes, std::uint16_t dataType,
                                        const std::vector<std::uint16_t> &dimensions, std::size_t offset,
                                        std::size_t sampleSize);
// As readSampleAsDouble for an entry of a record; refuses complex signals.
logfile::SampleArray sampleValues(const logfile::DataRecord::Entry &entry);

// Rearranges N samples laid one after the other into the MAT-file's column-major
// order with the sample index fastest. Only the first d1 x ... x dk elements of each
// sample are taken, so a complex sample contributes its real parts' half.
std::vector<std::uint8_t> reorderToColumnMajor(std::span<const std::uint8_t> samples, std::size_t sampleSize,
                                               const std::vector<std::uint16_t> &dimensions, std::size_t elementSize);

// Bytes of one element of a data type; 0 for a type outside 0..8.
std::size_t elementSize(std::uint16_t dataType);
// d1 x ... x dk; 1 for a signal without dimensions. Saturates far above any sample
// size, so corrupt dimensions cannot overflow it.
std::uint64_t elementsPerSample(const std::vector<std::uint16_t> &dimensions);

} // namespace LogConverter
