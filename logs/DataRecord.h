#pragma once

#include "SignalRecord.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace logfile {

// One record of the data region, decoded: which signals it holds and where each
// sample lies within its bytes.
class DataRecord
{
public:
    struct Entry
    {
        const SignalRecord *signal = nullptr;
        std::span<const std::uint8_t> recordBytes;
        std::size_t offset = 0; // of the sample within the record

        std::span<const std::uint8_t> sample() const { return recordBytes.subspan(offset, signal->sampleSize); }
    };

    DataRecord() = default;
    // Entries point into the record's own bytes, so a record moves but is not copied.
    DataRecord(const DataRecord &) = delete;
    DataRecord &operator=(const DataRecord &) = delete;
    DataRecord(DataRecord &&) = default;
    DataRecord &operator=(DataRecord &&) = default;

    // The bytes must hold the bitmap and every present sample; the walk checks that
    // before it decodes.
    void decode(std::span<const std::uint8_t> bytes, const SharedSignalList &signalList, std::uint64_t consumedBefore);

    const std::vector<std::uint8_t> &bytes() const { return m_bytes; }
    const std::vector<Entry> &entries() const { return m_entries; }
    const SharedSignalList &signalList() const { return m_signals; }
    // -1 when no present signal carries the time; the last one wins when several do.
    int timeEntryIndex() const { return m_timeEntry; }
    std::uint64_t bytesConsumedBefore() const { return m_consumedBefore; }

private:
    std::vector<std::uint8_t> m_bytes;
    SharedSignalList m_signals;
    std::vector<Entry> m_entries;
    int m_timeEntry = -1;
    std::uint64_t m_consumedBefore = 0;
};

} // namespace logfile
