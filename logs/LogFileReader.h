#pragma once

#include "DataSection.h"
#include "FileFormatException.h"
#include "SignalRecord.h"

#include <cstdint>
#include <istream>
#include <map>
#include <optional>
#include <string>

// Reads one device log file: checks its header and every checksummed section, reads
// the metadata and the signal list, and positions the data section for the walk.
// Both the current format and the legacy "L33T" format are read.
//
// The stream must be opened for raw bytes and positioned at the file start; it is
// not owned and must stay open while the reader and its data section are in use. The
// reader switches the stream to raise exceptions on end-of-file and failure.
class LogFileReader
{
public:
    // Keys and values are the file's bytes as they stand; a repeated key keeps the
    // later value.
    using Metadata = std::map<std::string, std::string>;

    // Throws UnknownMagic or FileFormatException.
    explicit LogFileReader(std::istream &stream);

    int version() const { return m_version; }
    bool isLegacy() const { return m_legacy; }
    const logfile::SharedSignalList &signalList() const { return m_signals; }
    // Absent for a legacy file.
    const std::optional<Metadata> &metadata() const { return m_metadata; }
    const logfile::DataSection &dataSection() const { return *m_dataSection; }

    std::uint64_t dataSectionOffset() const { return m_dataSectionOffset; }
    std::uint64_t signalListOffset() const { return m_signalListOffset; }
    std::uint64_t metadataOffset() const { return m_metadataOffset; }

private:
    void readHeader();
    void readMetadata();
    void readSignalList();
    void readLegacySignalList();
    void readDataSection();
    void seekTo(std::uint64_t offset);

    std::istream &m_stream;
    logfile::SharedSignalList m_signals;
    std::optional<Metadata> m_metadata;
    std::optional<logfile::DataSection> m_dataSection;
    int m_version = 0;
    std::uint64_t m_dataSectionOffset = 0;
    std::uint64_t m_signalListOffset = 0;
    std::uint64_t m_metadataOffset = 0;
    std::uint64_t m_fileSize = 0;
    bool m_legacy = false;
};
