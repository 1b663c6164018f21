#include "AppFileHeader.h"

#include "ElfLoading.h"

#include <QtEndian>

namespace {

constexpr QByteArrayView kMagic = ".AppFile";
constexpr qsizetype kPrefixSize = 24; // magic, 8 unused bytes, version, length
constexpr qsizetype kVersionOffset = 16;
constexpr qsizetype kLengthOffset = 20;
constexpr qsizetype kTagSize = 32;
constexpr qsizetype kTagCount = 4;

// Where the fields lie in one header version.
struct Layout
{
    qsizetype length;
    qsizetype baseVersion;
    qsizetype firmwareNumber;
    qsizetype flags;
    qsizetype flagsLow;
    qsizetype createTime;
    qsizetype buildId;
    qsizetype targetTypeIndex; // -1: not stored
    qsizetype tags;
    qsizetype appVersion; // -1: not stored
    qsizetype appName;    // -1: not stored
};
constexpr qsizetype kBaseVersionSize = 32;
constexpr qsizetype kCreateTimeSize = 128;
constexpr qsizetype kBuildIdSize = 32;
constexpr qsizetype kAppTextSize = 150;

constexpr Layout kVersion1 = {352, 20, 52, 56, 60, 64, 192, -1, 224, -1, -1};
constexpr Layout kVersion2 = {356, 20, 52, 56, 60, 64, 192, 224, 228, -1, -1};
constexpr Layout kVersion3 = {660, 24, 56, 60, 64, 68, 196, 228, 232, 360, 510};
static_assert(kVersion3.length == AppFileHeader::kCurrentLength);

const Layout &layoutOf(quint32 version)
{
    return version == 1 ? kVersion1 : version == 2 ? kVersion2 : kVersion3;
}

template<typename T>
T readAt(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<T>(bytes.constData() + at);
}

template<typename T>
void writeAt(QByteArray &bytes, qsizetype at, T value)
{
    qToLittleEndian(value, bytes.data() + at);
}

QString textAt(const QByteArray &bytes, qsizetype at, qsizetype size)
{
    const QByteArray field = bytes.mid(at, size);
    const qsizetype end = field.indexOf('\0');
    return QString::fromUtf8(end < 0 ? field : field.left(end));
}

void putBytes(QByteArray &bytes, qsizetype at, const QByteArray &value)
{
    std::copy(value.begin(), value.end(), bytes.begin() + at);
}

// The UTF-8 form of text, cut to at most `size` bytes without splitting a character.
QByteArray utf8CutTo(const QString &text, qsizetype size)
{
    const QByteArray utf8 = text.toUtf8();
    if (utf8.size() <= size)
        return utf8;
    qsizetype cut = size;
    while (cut > 0 && (uchar(utf8[cut]) & 0xC0) == 0x80)
        --cut;
    return utf8.left(cut);
}

std::optional<AppFileHeader> fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return std::nullopt;
}

} // namespace

QString appTargetTypeDisplayName(qint32 index)
{
    if (index < 0 || index >= appTargetTypeNames.size())
        return QStringLiteral("Unknown");
    return QString(appTargetTypeNames.at(index)).replace(QLatin1Char('_'), QLatin1Char(' '));
}

qint32 appTargetTypeIndex(const QString &boardType)
{
    return qint32(std::max<qsizetype>(0, appTargetTypeNames.indexOf(boardType)));
}

QString AppFileHeader::storableTag(const QString &tag)
{
    return QString::fromUtf8(utf8CutTo(tag, kTagSize));
}

std::optional<AppFileHeader> AppFileHeader::read(QIODevice &device, QString *error)
{
    if (!device.isReadable() || !device.seek(0))
        return fail(error, QStringLiteral("the file cannot be read"));
    const QByteArray prefix = device.read(kPrefixSize);
    if (prefix.size() < kPrefixSize)
        return fail(error, QStringLiteral("shorter than %1 bytes").arg(kPrefixSize));
    if (!prefix.startsWith(kMagic))
        return fail(error, QStringLiteral("no application file magic"));

    AppFileHeader header;
    header.version = readAt<quint32>(prefix, kVersionOffset);
    const Layout &layout = layoutOf(header.version);
    const bool lengthStored = header.version != 1 && header.version != 2;
    header.length = lengthStored ? readAt<quint32>(prefix, kLengthOffset) : quint32(layout.length);
    // The length comes from the file: bound it before reading that much.
    if (header.length < layout.length)
        return fail(error, QStringLiteral("header length %1 is below %2").arg(header.length).arg(layout.length));
    if (header.length > kMaximumLength)
        return fail(error, QStringLiteral("header length %1 is above %2").arg(header.length).arg(kMaximumLength));
    const qint64 needed = qint64(header.length) + 4;
    if (!device.isSequential() && device.size() < needed)
        return fail(error, QStringLiteral("header length %1 runs past the end of the file (%2 bytes)")
                               .arg(header.length)
                               .arg(device.size()));
    if (!device.seek(0))
        return fail(error, QStringLiteral("the file cannot be read"));
    const QByteArray bytes = device.read(needed);
    if (bytes.size() < needed)
        return fail(error, QStringLiteral("header length %1 runs past the end of the file").arg(header.length));
    if (bytes.sliced(header.length) != QByteArrayView(kElfMagic))
        return fail(error, QStringLiteral("no ELF image follows the header"));

    header.baseVersion = textAt(bytes, layout.baseVersion, kBaseVersionSize);
    header.firmwareNumber = readAt<qint32>(bytes, layout.firmwareNumber);
    header.flags = readAt<quint32>(bytes, layout.flags);
    header.flagsLow = readAt<quint32>(bytes, layout.flagsLow);
    header.createDate =
        QDateTime::fromString(textAt(bytes, layout.createTime, kCreateTimeSize), Qt::TextDate).toLocalTime();
    header.buildId = bytes.mid(layout.buildId, kBuildIdSize);
    header.targetTypeIndex = layout.targetTypeIndex < 0 ? 0 : readAt<qint32>(bytes, layout.targetTypeIndex);
    for (qsizetype i = 0; i < kTagCount; ++i)
        header.tags[i] = textAt(bytes, layout.tags + i * kTagSize, kTagSize);
    if (layout.appVersion >= 0) {
        header.appVersion = textAt(bytes, layout.appVersion, kAppTextSize);
        header.appName = textAt(bytes, layout.appName, kAppTextSize);
    }
    return header;
}

QByteArray AppFileHeader::toBytes() const
{
    const Layout &layout = kVersion3;
    QByteArray bytes(layout.length, '\0');
    putBytes(bytes, 0, kMagic.toByteArray());
    writeAt<quint32>(bytes, kVersionOffset, kCurrentVersion);
    writeAt<quint32>(bytes, kLengthOffset, kCurrentLength);

    const QByteArray base = baseVersion.toUtf8();
    if (baseVersion.size() <= kBaseVersionSize && base.size() <= kBaseVersionSize)
        putBytes(bytes, layout.baseVersion, base);
    writeAt<qint32>(bytes, layout.firmwareNumber, firmwareNumber);
    writeAt<quint32>(bytes, layout.flags, flags);
    writeAt<quint32>(bytes, layout.flagsLow, flagsLow);
    const QString createTime = createDate.toUTC().toString(Qt::TextDate);
    if (createTime.size() <= kCreateTimeSize)
        putBytes(bytes, layout.createTime, utf8CutTo(createTime, kCreateTimeSize));
    if (buildId.size() <= kBuildIdSize)
        putBytes(bytes, layout.buildId, buildId);
    writeAt<qint32>(bytes, layout.targetTypeIndex, targetTypeIndex);
    for (qsizetype i = 0; i < kTagCount; ++i)
        putBytes(bytes, layout.tags + i * kTagSize, utf8CutTo(tags[i], kTagSize));
    putBytes(bytes, layout.appVersion, utf8CutTo(appVersion, kAppTextSize));
    putBytes(bytes, layout.appName, utf8CutTo(appName, kAppTextSize));
    return bytes;
}
