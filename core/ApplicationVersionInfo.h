#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <optional>

// The program's identity as its build recorded it: product strings, git hashes and
// the product version. Read once; a missing record leaves everything empty.
struct ApplicationVersionInfo
{
    const char *productName = nullptr;
    const char *fileDescription = nullptr;
    const char *fileVersion = nullptr;
    const char *companyName = nullptr;
    const char *legalCopyright = nullptr;
    const char *gitHash = nullptr;
    const char *gitShortHash = nullptr;
    qint32 major = 0;
    qint32 minor = 0;
    qint32 patch = 0;
};

// What the build generates: the string table and the 52-byte fixed version block
// (the layout of a Windows VS_FIXEDFILEINFO).
struct GeneratedVersionRecord
{
    const char *productName;
    const char *fileDescription;
    const char *fileVersion;
    const char *companyName;
    const char *legalCopyright;
    const char *gitHash;
    const char *gitShortHash;
    const unsigned char *fixedBlock;
    qsizetype fixedBlockSize;
};

// The record generated for this build.
const GeneratedVersionRecord *generatedVersionRecord();

// Reads a record; null gives the empty record. The numbers are taken only from a fixed
// block of exactly 52 bytes with the right signature.
ApplicationVersionInfo readApplicationVersionInfo(const GeneratedVersionRecord *record);

struct FixedVersion
{
    qint32 major = 0;
    qint32 minor = 0;
    qint32 patch = 0;
};
// major.minor from the product version's most significant word, patch from the high
// half of its least significant word; nothing from a block that is not 52 bytes.
std::optional<FixedVersion> parseFixedVersionBlock(QByteArrayView block);

// The record of this program, read on the first call only.
const ApplicationVersionInfo &applicationVersionInfo();
