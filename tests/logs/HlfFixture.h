#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Writes device log files ("*.hlf") for the tests: valid ones of any shape, and the
// raw positions a test needs to spoil one on purpose.
namespace hlf {

std::uint32_t crc(const QByteArray &bytes, qsizetype from, qsizetype length);
void putU16(QByteArray &bytes, qsizetype offset, std::uint16_t value);
void putU32(QByteArray &bytes, qsizetype offset, std::uint32_t value);
std::uint32_t u32At(const QByteArray &bytes, qsizetype offset);

// Little-endian sample bytes from values of one type.
template<typename T>
QByteArray sample(std::initializer_list<T> values)
{
    QByteArray bytes;
    for (T value : values)
        bytes.append(reinterpret_cast<const char *>(&value), sizeof value);
    return bytes;
}

struct Signal
{
    std::uint16_t type = 0;
    std::uint16_t flags = 0;
    float startT = 0, stopT = 0, stepT = 0, sampleTime = 0;
    std::uint16_t sampleSize = 8;
    std::vector<std::uint16_t> dimensions{1};
    std::string name, blockName, label;
};

struct Record
{
    std::map<int, QByteArray> samples; // by signal index; absent signalRecords are left out
    bool fillerBefore = false;         // skip to the next page boundary first
    bool strayBits = false;            // set a bitmap bit above the last signal's
};

struct Built
{
    QByteArray bytes;
    std::uint64_t metadataOffset = 0, signalListOffset = 0, dataSectionOffset = 0, dataStart = 0;
    std::uint64_t start = 0, end = 0;
    std::vector<std::uint64_t> recordPositions;
    std::vector<std::uint64_t> consumedBefore; // as the walk counts them
    std::uint64_t consumedAtEnd = 0;
};

class Fixture
{
public:
    bool legacy = false;
    std::uint8_t version = 1;
    std::vector<std::pair<std::string, std::string>> metadata; // in file order, repeats allowed
    std::vector<Signal> signalRecords;
    std::vector<Record> records;

    // Records start this many bytes behind the data start. With a region size the
    // data region ends there (the file size) and the records wrap around to the data
    // start when they reach it; without one the file ends behind the last record.
    std::uint64_t startOffset = 0;
    std::uint64_t regionSize = 0;
    std::uint32_t thirdOffset = 0;

    // Records in which every signal is present, each sample from the given function.
    template<typename SampleOf>
    void addFullRecords(int count, SampleOf sampleOf)
    {
        for (int r = 0; r < count; ++r) {
            Record record;
            for (int s = 0; s < int(signalRecords.size()); ++s)
                record.samples[s] = sampleOf(r, s);
            records.push_back(std::move(record));
        }
    }

    Built build() const;

    // A log of many records in which every signal is present, for sizes at which
    // building each record on its own would be slow. The function writes the samples
    // of one record, one after the other in signal order. Ignores the records above
    // and the region size; record positions are not listed.
    Built buildUniform(std::uint64_t count,
                       const std::function<void(std::uint64_t record, std::uint8_t *samples)> &fill) const;

    // The parts of a file before its data region.
    QByteArray headerBytes(std::uint64_t dataSectionOffset) const;
    QByteArray metadataBytes() const;
    QByteArray signalListBytes() const;
    QByteArray dataHeaderBytes(std::uint64_t dataSectionOffset, std::uint64_t start, std::uint64_t end) const;
    std::size_t bitmapLength() const { return (signalRecords.size() + 8) / 8; }
};

} // namespace hlf
