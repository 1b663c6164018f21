#include "RecordIterator.h"

#include "FileFormatException.h"

#include <algorithm>

namespace logfile {

RecordIterator::RecordIterator(std::istream &stream, std::uint64_t position, std::uint64_t regionEnd,
                               std::uint64_t wrapTarget, std::uint64_t stop, SharedSignalList signalList)
    : m_stream(&stream)
    , m_position(position)
    , m_regionEnd(regionEnd)
    , m_wrapTarget(wrapTarget)
    , m_stop(stop)
    , m_wrapExpected(stop < position)
    , m_signals(std::move(signalList))
    , m_bitmapLength(layout::bitmapLength(m_signals->size()))
{
    m_sampleSizes.reserve(m_signals->size());
    for (const SignalRecord &signal : *m_signals)
        m_sampleSizes.push_back(signal.sampleSize);
    m_page.fill(layout::kFillerBit);
    // The oldest record may sit at the end of the file or behind filler as well.
    settle();
}

bool RecordIterator::atEnd() const
{
    if (m_wrapExpected)
        return m_wrapped && m_position >= m_stop;
    return m_wrapped || m_position >= m_stop;
}

bool RecordIterator::operator==(const RecordIterator &other) const
{
    const bool end = atEnd();
    return end == other.atEnd() && (end || m_position == other.m_position);
}

RecordIterator &RecordIterator::operator++()
{
    if (atEnd())
        return *this;
    m_position += m_recordLength;
    m_consumed += m_recordLength;
    m_decoded = false;
    settle();
    return *this;
}

const DataRecord &RecordIterator::operator*() const
{
    if (!m_decoded) {
        const std::span<const std::uint8_t> page(m_page);
        m_record.decode(page.subspan(offsetInPage(), m_recordLength), m_signals, m_consumed);
        m_decoded = true;
    }
    return m_record;
}

// Moves to the next position where a record starts: past the end of the file to the
// data start, past filler to the next page boundary.
void RecordIterator::settle()
{
    for (;;) {
        if (m_position >= m_regionEnd) {
            // Reaching the end of the file a second time means the walk passed its
            // stop (filler behind the wrap in a damaged file): wrapping again would
            // go round for ever.
            if (m_wrapped) {
                m_position = m_stop;
                return;
            }
            m_position = m_wrapTarget;
            m_wrapped = true;
        }
        if (atEnd())
            return;
        loadPage();
        if (!(m_page[offsetInPage()] & layout::kFillerBit))
            break;
        const std::uint64_t next = *m_pageBase + layout::kPageSize;
        m_consumed += next - m_position;
        m_position = next;
    }
    computeRecordLength();
}

void RecordIterator::loadPage()
{
    const std::uint64_t base = m_position - m_position % layout::kPageSize;
    if (m_pageBase == base)
        return;
    const auto length = std::size_t(std::min<std::uint64_t>(layout::kPageSize, m_regionEnd - base));
    m_pageBase.reset();
    m_stream->seekg(std::streamoff(base));
    m_stream->read(reinterpret_cast<char *>(m_page.data()), std::streamsize(length));
    m_pageLoaded = std::size_t(m_stream->gcount());
    // Everything past the end of the file reads as filler.
    std::fill(m_page.begin() + std::ptrdiff_t(m_pageLoaded), m_page.end(), layout::kFillerBit);
    m_pageBase = base;
}

void RecordIterator::computeRecordLength()
{
    const std::size_t offset = offsetInPage();
    const auto check = [&](std::size_t length) {
        if (offset + length > layout::kPageSize)
            throw FileFormatException("Malformed record");
        if (offset + length > m_pageLoaded)
            throw FileFormatException("Unexpected end of file");
    };
    check(m_bitmapLength);
    const std::uint8_t *bitmap = m_page.data() + offset;
    std::size_t length = m_bitmapLength;
    for (std::size_t i = 0; i < m_sampleSizes.size(); ++i) {
        const std::size_t bit = i + 1;
        if (bitmap[bit / 8] & (1u << (bit % 8)))
            length += m_sampleSizes[i];
    }
    check(length);
    m_recordLength = length;
}

} // namespace logfile
