#include "DataSection.h"

namespace logfile {

DataSection::DataSection(std::istream &stream, std::uint64_t dataStart, std::uint64_t start, std::uint64_t end,
                         std::uint32_t thirdOffset, SharedSignalList signalList, std::uint64_t fileSize)
    : m_stream(&stream)
    , m_dataStart(dataStart)
    , m_start(start)
    , m_end(end)
    , m_thirdOffset(thirdOffset)
    , m_signals(std::move(signalList))
    , m_fileSize(fileSize)
{
}

std::uint64_t DataSection::totalBytes() const
{
    if (m_end >= m_start)
        return m_end - m_start;
    return (m_fileSize - m_dataStart) - (m_start - m_end);
}

RecordIterator DataSection::begin() const
{
    return RecordIterator(*m_stream, m_start, m_fileSize, m_dataStart, m_end, m_signals);
}

} // namespace logfile
