#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

// What binutils' readelf reports about an ELF file: the independent view that the
// tests hold the program's ELF reading against.
namespace Readelf {

struct Segment
{
    QString type;
    uint64_t offset = 0;
    uint64_t virtualAddress = 0;
    uint64_t fileSize = 0;
    uint64_t memorySize = 0;
};

struct Section
{
    int index = 0;
    QString name;
    QString type;
    uint64_t address = 0;
    uint64_t offset = 0;
    uint64_t size = 0;
};

// `readelf -lW`: the program headers in table order. Fails the caller's QVERIFY
// through an empty list when readelf cannot read the file.
QList<Segment> programHeaders(const QString &path);

// `readelf -SW`: the section of that name.
std::optional<Section> section(const QString &path, const QString &name);

} // namespace Readelf

// The fixtures built for the tests (tests/delivery/elf).
QString elfFixture(const QString &fileName);
