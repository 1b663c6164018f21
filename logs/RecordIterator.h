#pragma once

#include "DataRecord.h"
#include "LogFileLayout.h"
#include "SignalRecord.h"

#include <array>
#include <cstdint>
#include <istream>
#include <optional>
#include <vector>

namespace logfile {

// Walks the records of the circular data region page by page. The walk starts at the
// oldest record, runs to the end of the file, continues at the data start when the
// buffer has wrapped, and stops at the position where the next record would go.
// Records that overrun their page or the end of the file are reported, never read.
class RecordIterator
{
public:
    struct End
    {
    };

    RecordIterator(std::istream &stream, std::uint64_t position, std::uint64_t regionEnd, std::uint64_t wrapTarget,
                   std::uint64_t stop, SharedSignalList signalList);

    bool atEnd() const;
    std::uint64_t position() const { return m_position; }
    bool wrapped() const { return m_wrapped; }
    std::uint64_t bytesConsumed() const { return m_consumed; }
    std::size_t recordLength() const { return m_recordLength; }

    const DataRecord &operator*() const;
    const DataRecord *operator->() const { return &**this; }
    RecordIterator &operator++();

    friend bool operator==(const RecordIterator &it, End) { return it.atEnd(); }
    bool operator==(const RecordIterator &other) const;

private:
    void settle();
    void loadPage();
    void computeRecordLength();
    std::size_t offsetInPage() const { return std::size_t(m_position - *m_pageBase); }

    std::istream *m_stream;
    std::uint64_t m_position;
    std::uint64_t m_regionEnd;
    std::uint64_t m_wrapTarget;
    std::uint64_t m_stop;
    bool m_wrapped = false;
    bool m_wrapExpected;
    SharedSignalList m_signals;
    std::vector<std::uint16_t> m_sampleSizes;
    std::size_t m_bitmapLength;
    std::array<std::uint8_t, layout::kPageSize> m_page;
    std::optional<std::uint64_t> m_pageBase;
    std::size_t m_pageLoaded = 0;
    std::size_t m_recordLength = 0;
    std::uint64_t m_consumed = 0;
    // Decoded on demand and reused from record to record, so the walk allocates
    // nothing per record once the buffers have grown.
    mutable DataRecord m_record;
    mutable bool m_decoded = false;
};

} // namespace logfile
