#pragma once

#include "ByteReader.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>

// The messages of the board's file service, in both directions: a 7-byte header
// (u32 length of the whole message, u16 command, u8 response code), then the
// payload. All fields are little-endian.
namespace filectrlpayload {

struct MessageHeader
{
    static constexpr qsizetype Length = 0;
    static constexpr qsizetype Command = 4;
    static constexpr qsizetype Response = 6;
    static constexpr qsizetype Size = 7;

    uint32_t length = 0;
    uint16_t command = 0;
    uint8_t response = 0;

    // Reads the header from the first Size bytes at data.
    static MessageHeader read(const char *data);
};

// A whole message around payload. The length field counts the header as well.
QByteArray buildMessage(uint16_t command, uint8_t response, QByteArrayView payload);

// A path as the board reads it in most requests: its UTF-8 bytes and a zero byte.
void appendTerminated(QByteArray &out, const QString &text);

// A path preceded by its length in UTF-16 code units (its characters) as u16, then
// its UTF-8 bytes, optionally followed by a zero byte that the count leaves out. For
// an ASCII path the count equals the byte count. False, and nothing appended, when
// the count does not fit 16 bits.
bool appendCounted(QByteArray &out, const QString &text, bool terminated);

// What precedes the data of a downloaded file: i64 time (seconds since 1970), u32
// size of the whole file, u16 name length n, n bytes of name.
struct FileHeader
{
    int64_t time = 0;
    uint32_t size = 0;
    QString name;

    // Nothing when the bytes end inside the header.
    static std::optional<FileHeader> read(ByteReader &reader);
};

// One entry of a directory listing: i64 time, i32 size, i16 type, u16 name length
// n, n bytes of name (UTF-8).
struct ListingEntry
{
    int64_t time = 0;
    int32_t size = 0;
    int16_t type = 0;
    QString name;

    // Nothing when the bytes end inside the entry.
    static std::optional<ListingEntry> read(ByteReader &reader);
};

// The reply to the free-storage request: u64 total, u64 free, u32 file-system state.
struct AvailableStorage
{
    static constexpr qsizetype Size = 20;

    // The board's own state of its file system, passed on unchanged.
    enum FSStatus : uint32_t {};

    uint64_t totalSize = 0;
    uint64_t freeSize = 0;
    FSStatus status = FSStatus(0);

    // All zeros when the payload is shorter than Size.
    static AvailableStorage read(QByteArrayView payload);
};

} // namespace filectrlpayload
