#include "DataTypeFactory.h"

#include "BasicSlDataType.h"
#include "FixedPointDataType.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcDataTypeFactory, "Monitoring.DataTypeFactory")

namespace monitoring {

using namespace protocol;

namespace {

template<template<typename, uint8_t> class Type>
std::shared_ptr<IDataType> makeBuiltIn(uint8_t id, DataTypeIdentity identity)
{
    switch (id) {
    case DoubleTypeId:
        return std::make_shared<Type<double, DoubleTypeId>>(std::move(identity));
    case SingleTypeId:
        return std::make_shared<Type<float, SingleTypeId>>(std::move(identity));
    case Int8TypeId:
        return std::make_shared<Type<int8_t, Int8TypeId>>(std::move(identity));
    case UInt8TypeId:
        return std::make_shared<Type<uint8_t, UInt8TypeId>>(std::move(identity));
    case Int16TypeId:
        return std::make_shared<Type<int16_t, Int16TypeId>>(std::move(identity));
    case UInt16TypeId:
        return std::make_shared<Type<uint16_t, UInt16TypeId>>(std::move(identity));
    case Int32TypeId:
        return std::make_shared<Type<int32_t, Int32TypeId>>(std::move(identity));
    case UInt32TypeId:
        return std::make_shared<Type<uint32_t, UInt32TypeId>>(std::move(identity));
    case BooleanTypeId:
        return std::make_shared<Type<uint8_t, BooleanTypeId>>(std::move(identity));
    default:
        return {};
    }
}

// The raw range of a word of w bits, computed without shifting a 64-bit value by 64.
template<std::integral T>
FixedPointScaling<T> scalingOf(const fxp_info_t &record)
{
    const unsigned w = record.wordLength;
    const bool isSigned = record.isSigned != 0;
    const unsigned valueBits = w - (isSigned ? 1 : 0);
    const uint64_t rawMaximum = valueBits >= 64 ? ~uint64_t(0) : (uint64_t(1) << valueBits) - 1;
    const int64_t rawMinimum = !isSigned ? 0 : w >= 64 ? std::numeric_limits<int64_t>::min() : -(int64_t(1) << (w - 1));
    FixedPointScaling<T> scaling;
    scaling.slope = std::ldexp(record.fraction, record.exponent);
    scaling.bias = record.bias;
    scaling.rawMinimum = static_cast<T>(rawMinimum);
    scaling.rawMaximum = static_cast<T>(rawMaximum);
    return scaling;
}

template<template<typename> class Type, std::integral T>
std::shared_ptr<IDataType> makeFixedPoint(DataTypeIdentity identity, const fxp_info_t &record)
{
    return std::make_shared<Type<T>>(std::move(identity), scalingOf<T>(record));
}

// The storage is picked by the element's bytes per part; the word must fit in it.
template<template<typename> class Type>
std::shared_ptr<IDataType> makeFixedPoint(unsigned partSize, DataTypeIdentity identity, const fxp_info_t &record)
{
    const unsigned w = record.wordLength;
    if (w == 0 || w > 8 * partSize)
        return {};
    const bool isSigned = record.isSigned != 0;
    switch (partSize) {
    case 1:
        return isSigned ? makeFixedPoint<Type, int8_t>(identity, record)
                        : makeFixedPoint<Type, uint8_t>(identity, record);
    case 2:
        return isSigned ? makeFixedPoint<Type, int16_t>(identity, record)
                        : makeFixedPoint<Type, uint16_t>(identity, record);
    case 4:
        return isSigned ? makeFixedPoint<Type, int32_t>(identity, record)
                        : makeFixedPoint<Type, uint32_t>(identity, record);
    case 8:
        return isSigned ? makeFixedPoint<Type, int64_t>(identity, record)
                        : makeFixedPoint<Type, uint64_t>(identity, record);
    default:
        return {};
    }
}

} // namespace

void DataTypeFactory::setStringTable(string_type_t table, QList<QByteArray> entries)
{
    if (table <= LastStringTable)
        m_strings[table] = std::move(entries);
}

void DataTypeFactory::clear()
{
    m_dataTypes.clear();
    m_fixedPoints.clear();
    for (QList<QByteArray> &table : m_strings)
        table.clear();
}

std::shared_ptr<IDataType> DataTypeFactory::createDataType(uint16_t dataTypeIndex, int32_t fixedPointIndex) const
{
    if (dataTypeIndex >= m_dataTypes.size()) {
        qCWarning(lcDataTypeFactory) << "Unkown data type index";
        return {};
    }
    if (fixedPointIndex < 0 || fixedPointIndex >= m_fixedPoints.size()) {
        qCWarning(lcDataTypeFactory) << "Unknown fixed point index";
        return {};
    }
    const datatype_t &record = m_dataTypes[dataTypeIndex];
    const bool scaled = fixedPointIndex > 0;
    if (record.typeId == datatype_t::EnumerationId) {
        if (scaled || record.isComplex())
            return {};
        return createEnumDataType(dataTypeIndex, record);
    }
    if (scaled) {
        const fxp_info_t &scaling = m_fixedPoints[fixedPointIndex];
        return record.isComplex() ? createComplexFixedPointDataType(dataTypeIndex, record, scaling)
                                  : createFixedPointDataType(dataTypeIndex, record, scaling);
    }
    return record.isComplex() ? createComplexDataType(dataTypeIndex, record)
                              : createBasicDataType(dataTypeIndex, record);
}

QByteArrayView DataTypeFactory::stringAt(string_type_t table, int32_t index) const
{
    if (table <= LastStringTable && index >= 0 && index < m_strings[table].size())
        return m_strings[table][index];
    qCWarning(lcDataTypeFactory).nospace()
        << "Tried to access invalid string index " << index << " for type " << int(table);
    return {};
}

bool DataTypeFactory::isBusType(uint16_t dataTypeIndex, int32_t fixedPointIndex) const
{
    return dataTypeIndex < m_dataTypes.size() && fixedPointIndex == 0 && !m_fixedPoints.isEmpty()
           && m_dataTypes[dataTypeIndex].typeId == datatype_t::BusId;
}

DataTypeIdentity DataTypeFactory::identityOf(uint16_t dataTypeIndex, const datatype_t &record) const
{
    return {record.typeId, dataTypeIndex, stringAt(DataTypeNames, record.nameIndex).toByteArray(),
            stringAt(DataTypeSecondNames, record.nameIndex).toByteArray()};
}

std::shared_ptr<IDataType> DataTypeFactory::createBasicDataType(uint16_t index, const datatype_t &record) const
{
    auto type = makeBuiltIn<BasicSlDataType>(record.typeId, identityOf(index, record));
    if (!type)
        qCWarning(lcDataTypeFactory).nospace() << "Unsupported datatype: " << int(record.typeId);
    return type;
}

std::shared_ptr<IDataType> DataTypeFactory::createComplexDataType(uint16_t index, const datatype_t &record) const
{
    auto type = makeBuiltIn<BasicComplexSlDataType>(record.typeId, identityOf(index, record));
    if (!type)
        qCWarning(lcDataTypeFactory).nospace() << "Unsupported complex datatype: " << int(record.typeId);
    return type;
}

// The element's size picks the width, the storage id only the signedness. A size the
// integer storages cannot have is refused rather than read as one byte, which would
// slice the parameter memory and the streamed values wrongly.
std::shared_ptr<IDataType> DataTypeFactory::createEnumDataType(uint16_t index, const datatype_t &record) const
{
    const bool knownStorage = record.storageId >= Int8TypeId && record.storageId <= UInt32TypeId;
    const bool knownSize = record.dataSize == 1 || record.dataSize == 2 || record.dataSize == 4;
    if (!knownStorage || !knownSize) {
        qCWarning(lcDataTypeFactory).nospace()
            << "Unsupported enum datatype: " << int(record.storageId) << "(size: " << unsigned(record.dataSize) << ")";
        return {};
    }
    const bool isSigned = record.storageId % 2 == 0;
    const uint8_t id = record.dataSize == 4   ? (isSigned ? Int32TypeId : UInt32TypeId)
                       : record.dataSize == 2 ? (isSigned ? Int16TypeId : UInt16TypeId)
                                              : (isSigned ? Int8TypeId : UInt8TypeId);
    DataTypeIdentity identity = identityOf(index, record);
    identity.typeId = id;
    return makeBuiltIn<BasicSlDataType>(id, std::move(identity));
}

std::shared_ptr<IDataType> DataTypeFactory::createFixedPointDataType(uint16_t index, const datatype_t &record,
                                                                     const fxp_info_t &scaling) const
{
    if (scaling.scalingKind != 0) {
        qCWarning(lcDataTypeFactory) << "Unsupported fixed point scaling type";
        return {};
    }
    auto type = makeFixedPoint<FixedPointDataType>(record.dataSize, identityOf(index, record), scaling);
    if (!type)
        qCWarning(lcDataTypeFactory).nospace()
            << "Unsupported fixed type width: " << unsigned(scaling.wordLength)
            << " Signed: " << unsigned(scaling.isSigned) << " DataSize: " << unsigned(record.dataSize);
    return type;
}

std::shared_ptr<IDataType> DataTypeFactory::createComplexFixedPointDataType(uint16_t index, const datatype_t &record,
                                                                            const fxp_info_t &scaling) const
{
    if (scaling.scalingKind != 0) {
        qCWarning(lcDataTypeFactory) << "Unsupported complex fixed point scaling type";
        return {};
    }
    std::shared_ptr<IDataType> type;
    if (record.dataSize % 2 == 0)
        type = makeFixedPoint<ComplexFixedPointDataType>(record.dataSize / 2, identityOf(index, record), scaling);
    if (!type)
        qCWarning(lcDataTypeFactory).nospace()
            << "Unsupported complex fixed type width: " << unsigned(scaling.wordLength)
            << " Signed: " << unsigned(scaling.isSigned) << " DataSize: " << unsigned(record.dataSize);
    return type;
}

} // namespace monitoring
