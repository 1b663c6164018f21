#pragma once

#include "SignalRecord.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace logfile {

// The samples of one signal gathered during the walk, and the time of each.
//
// Most signals are present in every record; their times are the records' times, so
// they share the converter's list of record times instead of keeping a copy. A
// signal keeps a list of its own from the first record that lacks it.
class SignalSamples
{
public:
    SignalSamples(const SignalRecord &signal, std::size_t reservedBytes);

    const SignalRecord &signal() const { return *m_signal; }

    void append(std::span<const std::uint8_t> sample, std::uint64_t recordIndex,
                const std::vector<double> &recordTimes);

    std::size_t count() const { return m_count; }
    const std::vector<std::uint8_t> &bytes() const { return m_bytes; }
    // The times of the gathered samples; valid while the record times are unchanged.
    const double *times(const std::vector<double> &recordTimes) const;

    // The samples in the order of the MAT-file array; the gathered bytes are released.
    void arrangeColumnMajor(std::size_t elementSize);
    std::vector<std::uint8_t> &arrangedBytes() { return m_arranged; }
    const std::vector<std::uint8_t> &arrangedBytes() const { return m_arranged; }
    // Whether the times are the first count record times.
    bool sharesRecordTimes() const { return m_sharesRecordTimes; }

    // Frees the samples and keeps the times.
    void releaseSamples();
    // Frees the samples and the times.
    void release();

private:
    const SignalRecord *m_signal;
    std::vector<std::uint8_t> m_bytes;
    std::vector<std::uint8_t> m_arranged;
    std::vector<double> m_ownTimes;
    std::size_t m_count = 0;
    bool m_sharesRecordTimes = true; // present in records 0 .. count - 1
};

} // namespace logfile
