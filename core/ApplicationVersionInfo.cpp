#include "ApplicationVersionInfo.h"

#include <QtEndian>

namespace {

constexpr qsizetype kFixedBlockSize = 52;
constexpr quint32 kFixedBlockSignature = 0xFEEF04BD;
// Offsets of the little-endian words in the fixed block.
constexpr qsizetype kSignatureOffset = 0;
constexpr qsizetype kProductVersionMsOffset = 16;
constexpr qsizetype kProductVersionLsOffset = 20;

const char *nonEmptyOrEmpty(const char *value)
{
    return value ? value : "";
}

} // namespace

std::optional<FixedVersion> parseFixedVersionBlock(QByteArrayView block)
{
    if (block.size() != kFixedBlockSize)
        return std::nullopt;
    const auto word = [&](qsizetype offset) { return qFromLittleEndian<quint32>(block.data() + offset); };
    if (word(kSignatureOffset) != kFixedBlockSignature)
        return std::nullopt;
    const quint32 ms = word(kProductVersionMsOffset);
    const quint32 ls = word(kProductVersionLsOffset);
    return FixedVersion{qint32(ms >> 16), qint32(ms & 0xFFFF), qint32(ls >> 16)};
}

ApplicationVersionInfo readApplicationVersionInfo(const GeneratedVersionRecord *record)
{
    ApplicationVersionInfo info;
    if (!record)
        return info;
    info.productName = nonEmptyOrEmpty(record->productName);
    info.fileDescription = nonEmptyOrEmpty(record->fileDescription);
    info.fileVersion = nonEmptyOrEmpty(record->fileVersion);
    info.companyName = nonEmptyOrEmpty(record->companyName);
    info.legalCopyright = nonEmptyOrEmpty(record->legalCopyright);
    info.gitHash = nonEmptyOrEmpty(record->gitHash);
    info.gitShortHash = nonEmptyOrEmpty(record->gitShortHash);
    if (record->fixedBlock) {
        const auto block = QByteArrayView(reinterpret_cast<const char *>(record->fixedBlock), record->fixedBlockSize);
        if (const auto version = parseFixedVersionBlock(block)) {
            info.major = version->major;
            info.minor = version->minor;
            info.patch = version->patch;
        }
    }
    return info;
}

const ApplicationVersionInfo &applicationVersionInfo()
{
    static const ApplicationVersionInfo info = readApplicationVersionInfo(generatedVersionRecord());
    return info;
}
