#include "DataRecord.h"

#include "LogFileLayout.h"

namespace logfile {

void DataRecord::decode(std::span<const std::uint8_t> bytes, const SharedSignalList &signalList,
                        std::uint64_t consumedBefore)
{
    m_bytes.assign(bytes.begin(), bytes.end());
    if (m_signals != signalList)
        m_signals = signalList;
    m_entries.clear();
    m_timeEntry = -1;
    m_consumedBefore = consumedBefore;

    const std::span<const std::uint8_t> own(m_bytes);
    std::size_t offset = layout::bitmapLength(signalList->size());
    for (const SignalRecord &signal : *signalList) {
        const std::size_t bit = std::size_t(signal.index) + 1;
        if (!(m_bytes[bit / 8] & (1u << (bit % 8))))
            continue;
        if (signal.isTimeSignal())
            m_timeEntry = int(m_entries.size());
        m_entries.push_back({&signal, own, offset});
        offset += signal.sampleSize;
    }
}

} // namespace logfile
