#include "ProtocolRecords.h"

#include <QtEndian>

#include <bit>

namespace monitoring::protocol {

namespace {

// Reads and writes the fields of one record at their offsets.
class Fields
{
public:
    explicit Fields(QByteArrayView bytes, qsizetype size)
        : m_bytes(bytes)
    {
        Q_ASSERT(bytes.size() >= size);
    }

    template<typename T>
    T get(qsizetype offset) const
    {
        return qFromLittleEndian<T>(m_bytes.data() + offset);
    }

    double getDouble(qsizetype offset) const { return std::bit_cast<double>(get<quint64>(offset)); }

    std::array<uint16_t, 2> getDimensions(qsizetype offset) const
    {
        return {get<uint16_t>(offset), get<uint16_t>(offset + 2)};
    }

private:
    QByteArrayView m_bytes;
};

class Writer
{
public:
    explicit Writer(qsizetype size)
        : m_bytes(size, '\0')
    {
    }

    template<typename T>
    Writer &put(qsizetype offset, T value)
    {
        qToLittleEndian<T>(value, m_bytes.data() + offset);
        return *this;
    }

    Writer &putDouble(qsizetype offset, double value) { return put<quint64>(offset, std::bit_cast<quint64>(value)); }

    Writer &putDimensions(qsizetype offset, const std::array<uint16_t, 2> &dimensions)
    {
        return put(offset, dimensions[0]).put(offset + 2, dimensions[1]);
    }

    QByteArray bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

} // namespace

monitor_info_t monitor_info_t::read(QByteArrayView bytes)
{
    const Fields f(bytes, Size);
    return {f.get<uint32_t>(Version), f.get<uint32_t>(Word)};
}

QByteArray monitor_info_t::toBytes() const
{
    return Writer(Size).put(Version, version).put(Word, word).bytes();
}

signal_t signal_t::read(QByteArrayView bytes)
{
    const Fields f(bytes, Size);
    signal_t r;
    r.referenceId = f.get<uint16_t>(ReferenceId);
    r.modelReference = f.get<uint16_t>(ModelReference);
    r.blockPathIndex = f.get<uint16_t>(BlockPath);
    r.nameIndex = f.get<uint16_t>(Name);
    r.port = f.get<uint8_t>(Port);
    r.defaultRate = f.get<uint16_t>(DefaultRate);
    r.dataTypeIndex = f.get<uint16_t>(DataType);
    r.fixedPointIndex = f.get<uint16_t>(FixedPoint);
    r.layoutKind = f.get<uint8_t>(LayoutKind);
    r.dimensionCount = f.get<uint8_t>(DimensionCount);
    r.dimensions = f.getDimensions(Dimensions);
    return r;
}

QByteArray signal_t::toBytes() const
{
    return Writer(Size)
        .put(ReferenceId, referenceId)
        .put(ModelReference, modelReference)
        .put(BlockPath, blockPathIndex)
        .put(Name, nameIndex)
        .put(Port, port)
        .put(DefaultRate, defaultRate)
        .put(DataType, dataTypeIndex)
        .put(FixedPoint, fixedPointIndex)
        .put(LayoutKind, layoutKind)
        .put(DimensionCount, dimensionCount)
        .putDimensions(Dimensions, dimensions)
        .bytes();
}

param_t param_t::read(QByteArrayView bytes)
{
    const Fields f(bytes, Size);
    param_t r;
    r.referenceId = f.get<uint16_t>(ReferenceId);
    r.modelReference = f.get<uint16_t>(ModelReference);
    r.blockPathIndex = f.get<uint16_t>(BlockPath);
    r.nameIndex = f.get<uint16_t>(Name);
    r.flags = f.get<uint8_t>(Flags);
    r.dataTypeIndex = f.get<uint16_t>(DataType);
    r.fixedPointIndex = f.get<uint16_t>(FixedPoint);
    r.layoutKind = f.get<uint8_t>(LayoutKind);
    r.dimensionCount = f.get<uint8_t>(DimensionCount);
    r.dimensions = f.getDimensions(Dimensions);
    return r;
}

QByteArray param_t::toBytes() const
{
    return Writer(Size)
        .put(ReferenceId, referenceId)
        .put(ModelReference, modelReference)
        .put(BlockPath, blockPathIndex)
        .put(Name, nameIndex)
        .put(Flags, flags)
        .put(DataType, dataTypeIndex)
        .put(FixedPoint, fixedPointIndex)
        .put(LayoutKind, layoutKind)
        .put(DimensionCount, dimensionCount)
        .putDimensions(Dimensions, dimensions)
        .bytes();
}

state_t state_t::read(QByteArrayView bytes)
{
    const Fields f(bytes, Size);
    state_t r;
    r.referenceId = f.get<uint16_t>(ReferenceId);
    r.modelReference = f.get<uint16_t>(ModelReference);
    r.blockPathIndex = f.get<uint16_t>(BlockPath);
    r.nameIndex = f.get<uint16_t>(Name);
    r.dataTypeIndex = f.get<uint16_t>(DataType);
    r.fixedPointIndex = f.get<uint16_t>(FixedPoint);
    r.layoutKind = f.get<uint8_t>(LayoutKind);
    r.dimensionCount = f.get<uint8_t>(DimensionCount);
    r.dimensions = f.getDimensions(Dimensions);
    r.defaultRate = f.get<uint16_t>(DefaultRate);
    return r;
}

QByteArray state_t::toBytes() const
{
    return Writer(Size)
        .put(ReferenceId, referenceId)
        .put(ModelReference, modelReference)
        .put(BlockPath, blockPathIndex)
        .put(Name, nameIndex)
        .put(DataType, dataTypeIndex)
        .put(FixedPoint, fixedPointIndex)
        .put(LayoutKind, layoutKind)
        .put(DimensionCount, dimensionCount)
        .putDimensions(Dimensions, dimensions)
        .put(DefaultRate, defaultRate)
        .bytes();
}

datatype_t datatype_t::read(QByteArrayView bytes)
{
    const Fields f(bytes, Size);
    datatype_t r;
    r.nameIndex = f.get<uint16_t>(Name);
    r.busElementCount = f.get<uint16_t>(BusElementCount);
    r.firstBusElement = f.get<uint16_t>(FirstBusElement);
    r.dataSize = f.get<uint16_t>(DataSize);
    r.typeId = f.get<uint8_t>(TypeId);
    r.flags = f.get<uint8_t>(Flags);
    r.storageId = f.get<uint8_t>(StorageId);
    return r;
}

QByteArray datatype_t::toBytes() const
{
    return Writer(Size)
        .put(Name, nameIndex)
        .put(BusElementCount, busElementCount)
        .put(FirstBusElement, firstBusElement)
        .put(DataSize, dataSize)
        .put(TypeId, typeId)
        .put(Flags, flags)
        .put(StorageId, storageId)
        .bytes();
}

struct_element_t struct_element_t::read(QByteArrayView bytes)
{
    const Fields f(bytes, Size);
    struct_element_t r;
    r.nameIndex = f.get<uint16_t>(Name);
    r.offset = f.get<uint16_t>(Offset);
    r.dataTypeIndex = f.get<uint16_t>(DataType);
    r.fixedPointIndex = f.get<uint16_t>(FixedPoint);
    r.layoutKind = f.get<uint8_t>(LayoutKind);
    r.dimensionCount = f.get<uint8_t>(DimensionCount);
    r.dimensions = f.getDimensions(Dimensions);
    return r;
}

QByteArray struct_element_t::toBytes() const
{
    return Writer(Size)
        .put(Name, nameIndex)
        .put(Offset, offset)
        .put(DataType, dataTypeIndex)
        .put(FixedPoint, fixedPointIndex)
        .put(LayoutKind, layoutKind)
        .put(DimensionCount, dimensionCount)
        .putDimensions(Dimensions, dimensions)
        .bytes();
}

fxp_info_t fxp_info_t::read(QByteArrayView bytes)
{
    const Fields f(bytes, Size);
    fxp_info_t r;
    r.scalingKind = f.get<uint8_t>(ScalingKind);
    r.wordLength = f.get<uint8_t>(WordLength);
    r.exponent = f.get<int8_t>(Exponent);
    r.isSigned = f.get<uint8_t>(Signedness);
    r.fraction = f.getDouble(Fraction);
    r.bias = f.getDouble(Bias);
    return r;
}

QByteArray fxp_info_t::toBytes() const
{
    return Writer(Size)
        .put(ScalingKind, scalingKind)
        .put(WordLength, wordLength)
        .put(Exponent, exponent)
        .put(Signedness, isSigned)
        .putDouble(Fraction, fraction)
        .putDouble(Bias, bias)
        .bytes();
}

param_set_t param_set_t::read(QByteArrayView bytes)
{
    const Fields f(bytes, Size);
    param_set_t r;
    r.referenceId = f.get<uint16_t>(ReferenceId);
    r.modelReference = f.get<uint16_t>(ModelReference);
    r.dataTypeIndex = f.get<uint16_t>(DataType);
    r.elementIndex = f.get<uint16_t>(ElementIndex);
    r.layoutKind = f.get<uint8_t>(LayoutKind);
    r.memory = f.get<uint8_t>(Memory);
    for (qsizetype i = 0; i < MaxElementSize; ++i)
        r.value[size_t(i)] = f.get<uint8_t>(Value + i);
    return r;
}

QByteArray param_set_t::toBytes() const
{
    Writer w(Size);
    w.put(ReferenceId, referenceId)
        .put(ModelReference, modelReference)
        .put(DataType, dataTypeIndex)
        .put(ElementIndex, elementIndex)
        .put(LayoutKind, layoutKind)
        .put(Memory, memory);
    for (qsizetype i = 0; i < MaxElementSize; ++i)
        w.put(Value + i, value[size_t(i)]);
    return w.bytes();
}

signal_set_t signal_set_t::read(QByteArrayView bytes)
{
    const Fields f(bytes, Size);
    signal_set_t r;
    r.referenceId = f.get<uint16_t>(ReferenceId);
    r.modelReference = f.get<uint16_t>(ModelReference);
    r.rate = f.get<int32_t>(Rate);
    r.elementSize = f.get<uint16_t>(ElementSize);
    r.dataOffset = f.get<uint16_t>(DataOffset);
    r.variableKind = f.get<uint8_t>(VariableKind);
    return r;
}

QByteArray signal_set_t::toBytes() const
{
    return Writer(Size)
        .put(ReferenceId, referenceId)
        .put(ModelReference, modelReference)
        .put(Rate, rate)
        .put(ElementSize, elementSize)
        .put(DataOffset, dataOffset)
        .put(VariableKind, variableKind)
        .bytes();
}

reference_set_t reference_set_t::read(QByteArrayView bytes)
{
    const Fields f(bytes, Size);
    return {f.get<uint16_t>(DataOffset), f.get<uint16_t>(ReferenceId)};
}

QByteArray reference_set_t::toBytes() const
{
    return Writer(Size).put(DataOffset, dataOffset).put(ReferenceId, referenceId).bytes();
}

} // namespace monitoring::protocol
