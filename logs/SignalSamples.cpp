#include "SignalSamples.h"

#include "LogConverter.h"

namespace logfile {

namespace {

// Assigning {} to a vector empties it but keeps its storage; this gives it back.
template<typename T>
void freeStorage(std::vector<T> &vector)
{
    std::vector<T>().swap(vector);
}

} // namespace

SignalSamples::SignalSamples(const SignalRecord &signal, std::size_t reservedBytes)
    : m_signal(&signal)
{
    m_bytes.reserve(reservedBytes);
}

void SignalSamples::append(std::span<const std::uint8_t> sample, std::uint64_t recordIndex,
                           const std::vector<double> &recordTimes)
{
    if (m_sharesRecordTimes && m_count != recordIndex) {
        m_sharesRecordTimes = false;
        m_ownTimes.assign(recordTimes.begin(), recordTimes.begin() + std::ptrdiff_t(m_count));
    }
    if (!m_sharesRecordTimes)
        m_ownTimes.push_back(recordTimes[recordIndex]);
    m_bytes.insert(m_bytes.end(), sample.begin(), sample.end());
    ++m_count;
}

const double *SignalSamples::times(const std::vector<double> &recordTimes) const
{
    return m_sharesRecordTimes ? recordTimes.data() : m_ownTimes.data();
}

void SignalSamples::arrangeColumnMajor(std::size_t elementSize)
{
    // One element filling the whole sample: the gathered order is already the array's.
    if (LogConverter::elementsPerSample(m_signal->dimensions) == 1 && m_signal->sampleSize == elementSize) {
        m_arranged = std::move(m_bytes);
    } else {
        m_arranged = LogConverter::reorderToColumnMajor(m_bytes, m_signal->sampleSize, m_signal->dimensions,
                                                        elementSize);
    }
    freeStorage(m_bytes);
}

void SignalSamples::releaseSamples()
{
    freeStorage(m_bytes);
    freeStorage(m_arranged);
}

void SignalSamples::release()
{
    releaseSamples();
    freeStorage(m_ownTimes);
}

} // namespace logfile
