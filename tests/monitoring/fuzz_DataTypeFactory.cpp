// Builds data types from data-type and fixed-point lists as a board could send them and
// runs every conversion of each type built on element bytes from the input. The input:
// one byte with the number of data-type records, those records (16 bytes each), then
// fixed-point records (24 bytes each) up to 16 bytes before the end, which are the
// element's bytes.

#include "DataTypeFactory.h"
#include "ElementCodec.h"
#include "MonitoringProtocol.h"

#include <QCoreApplication>

#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>

using namespace monitoring;
using namespace monitoring::protocol;

namespace {

void discardMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

QByteArrayView take(const uint8_t *&data, size_t &size, size_t count)
{
    count = std::min(count, size);
    QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(count));
    data += count;
    size -= count;
    return bytes;
}

template<typename Record>
QList<Record> records(QByteArrayView bytes)
{
    return readList<Record>(bytes.first(bytes.size() - bytes.size() % Record::Size)).value_or(QList<Record>());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(discardMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const size_t typeCount = *data++ % 16;
    --size;
    const QByteArrayView typeBytes = take(data, size, typeCount * datatype_t::Size);
    const QByteArrayView scalingBytes = take(data, size, size > MaxElementSize ? size - MaxElementSize : 0);
    std::array<uint8_t, MaxElementSize> element{};
    std::memcpy(element.data(), data, std::min<size_t>(size, element.size()));

    DataTypeFactory factory;
    const QList<datatype_t> types = records<datatype_t>(typeBytes);
    factory.setDataTypes(types);
    factory.setFixedPoints(records<fxp_info_t>(scalingBytes));
    factory.setStringTable(DataTypeNames, {"a", "b"});

    double value = 0;
    std::memcpy(&value, element.data(), sizeof value);
    for (int typeIndex = 0; typeIndex <= types.size(); ++typeIndex) {
        for (int scalingIndex = -1; scalingIndex <= factory.fixedPoints().size(); ++scalingIndex) {
            factory.isBusType(uint16_t(typeIndex), scalingIndex);
            const auto type = factory.createDataType(uint16_t(typeIndex), scalingIndex);
            if (!type)
                continue;
            const datatype_t &record = types[typeIndex];
            // A type never claims more bytes than an element can have, and an enumeration
            // or a fixed-point type is exactly as wide as the board says.
            if (type->size() > MaxElementSize)
                std::abort();
            if ((record.typeId == datatype_t::EnumerationId || scalingIndex > 0) && type->size() != record.dataSize)
                std::abort();
            std::array<uint8_t, MaxElementSize> bytes = element;
            const MutableElementBytes span(bytes.data(), type->size());
            type->toDouble(span);
            type->toInt64(span);
            type->fromDouble(value, span);
            type->fromInt64(codec::truncateSaturated<int64_t>(value), span);
            type->fromInt64(std::bit_cast<int64_t>(value), span);
            type->minDouble();
            type->maxDouble();
            type->minInt64();
            type->maxInt64();
            if (auto complex = std::dynamic_pointer_cast<IComplexDataType>(type)) {
                complex->realToDouble(span);
                complex->imagToDouble(span);
                complex->realToInt64(span);
                complex->imagToInt64(span);
                complex->fromComplexDouble(value, -value, span);
                complex->fromComplexInt64(std::bit_cast<int64_t>(value), int64_t(typeIndex), span);
            }
        }
    }
    return 0;
}
