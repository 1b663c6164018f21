#pragma once

#include "RecordIterator.h"
#include "SignalRecord.h"

#include <cstdint>
#include <istream>

namespace logfile {

// The data region of an opened log file: a circular buffer from the data start to
// the end of the file whose records run from start up to end.
class DataSection
{
public:
    DataSection(std::istream &stream, std::uint64_t dataStart, std::uint64_t start, std::uint64_t end,
                std::uint32_t thirdOffset, SharedSignalList signalList, std::uint64_t fileSize);

    std::uint64_t dataStart() const { return m_dataStart; }
    std::uint64_t startOffset() const { return m_start; }
    std::uint64_t endOffset() const { return m_end; }
    std::uint32_t thirdOffset() const { return m_thirdOffset; }
    std::uint64_t fileSize() const { return m_fileSize; }

    // The bytes of records and filler between start and end.
    std::uint64_t totalBytes() const;

    // The walk reads through the reader's stream, which must stay open.
    RecordIterator begin() const;
    RecordIterator::End end() const { return {}; }

private:
    std::istream *m_stream;
    std::uint64_t m_dataStart;
    std::uint64_t m_start;
    std::uint64_t m_end;
    std::uint32_t m_thirdOffset;
    SharedSignalList m_signals;
    std::uint64_t m_fileSize;
};

} // namespace logfile
