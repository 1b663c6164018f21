#pragma once

#include <QByteArray>
#include <QtEndian>

#include <algorithm>

// Application files put together byte by byte from the offsets of each header
// version, independently of the program's own header writer.
namespace AppFileBytes {

struct Fields
{
    quint32 version = 3;
    quint32 length = 660; // stored from version 3 on; versions 1 and 2 have 352 and 356
    QByteArray baseVersion = "1.4.2";
    qint32 firmwareNumber = 7;
    quint32 flags = 0x1234'5678;
    quint32 flagsLow = 0x8;
    QByteArray createTime = "Wed Jan 3 10:20:30 2024 GMT";
    QByteArray buildId = "build-0123456789abcdef-012345678";
    qint32 targetTypeIndex = 6;
    QByteArray tags[4] = {"first", "second", "", "fourth"};
    QByteArray appVersion = "release 1.4.2-rc1";
    QByteArray appName = "balancer";
};

inline void put(QByteArray &bytes, qsizetype at, const QByteArray &value)
{
    bytes.replace(at, value.size(), value);
}

template<typename T>
void putInt(QByteArray &bytes, qsizetype at, T value)
{
    qToLittleEndian(value, bytes.data() + at);
}

// The header of the fields' version followed by `image`.
inline QByteArray applicationFile(const Fields &f, const QByteArray &image = QByteArray("\x7F"
                                                                                        "ELF")
                                                                             + QByteArray(64, '\x11'))
{
    const bool old = f.version == 1 || f.version == 2;
    const qsizetype length = f.version == 1 ? 352 : f.version == 2 ? 356 : f.length;
    QByteArray bytes(std::max<qsizetype>(length, 660), '\0');
    put(bytes, 0, ".AppFile");
    putInt<quint32>(bytes, 16, f.version);
    const qsizetype shift = old ? -4 : 0; // the old versions have no length field
    if (!old)
        putInt<quint32>(bytes, 20, f.length);
    put(bytes, 24 + shift, f.baseVersion);
    putInt<qint32>(bytes, 56 + shift, f.firmwareNumber);
    putInt<quint32>(bytes, 60 + shift, f.flags);
    putInt<quint32>(bytes, 64 + shift, f.flagsLow);
    put(bytes, 68 + shift, f.createTime);
    put(bytes, 196 + shift, f.buildId);
    qsizetype tags = 232 + shift;
    if (f.version == 1)
        tags = 224;
    else
        putInt<qint32>(bytes, 228 + shift, f.targetTypeIndex);
    for (int i = 0; i < 4; ++i)
        put(bytes, tags + 32 * i, f.tags[i]);
    if (!old) {
        put(bytes, 360, f.appVersion);
        put(bytes, 510, f.appName);
    }
    bytes.resize(length);
    return bytes + image;
}

} // namespace AppFileBytes
