#pragma once

#include "MonitoringProtocol.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <array>
#include <cstdint>
#include <optional>

// The fixed-size records that the monitoring control channel carries. Each is copied
// out of its bytes field by field (read needs at least Size bytes) and written back
// by toBytes, which puts 0 into the bytes the host does not use. Lists travel as
// records back to back without gaps.
namespace monitoring::protocol {

// Reply to the monitor information request.
struct monitor_info_t
{
    static constexpr qsizetype Size = 8;
    static constexpr qsizetype Version = 0;
    static constexpr qsizetype Word = 4;
    static constexpr uint32_t SupportedVersion = 2;

    uint32_t version = 0;
    uint32_t word = 0; // kept by the host, not interpreted

    static monitor_info_t read(QByteArrayView bytes);
    QByteArray toBytes() const;
    friend bool operator==(const monitor_info_t &, const monitor_info_t &) = default;
};

// A signal, a root input or a root output.
struct signal_t
{
    static constexpr qsizetype Size = 24;
    static constexpr qsizetype ReferenceId = 0;
    static constexpr qsizetype ModelReference = 2;
    static constexpr qsizetype BlockPath = 4;
    static constexpr qsizetype Name = 6;
    static constexpr qsizetype Port = 8;
    static constexpr qsizetype DefaultRate = 12;
    static constexpr qsizetype DataType = 14;
    static constexpr qsizetype FixedPoint = 16;
    static constexpr qsizetype LayoutKind = 18;
    static constexpr qsizetype DimensionCount = 19;
    static constexpr qsizetype Dimensions = 20;

    uint16_t referenceId = 0;
    uint16_t modelReference = 0;
    uint16_t blockPathIndex = 0; // string table 0, 3 or 4 by list
    uint16_t nameIndex = 0;      // string table 5, 8 or 9 by list
    uint8_t port = 0;
    uint16_t defaultRate = 0; // the rate asked for when a subscriber names none
    uint16_t dataTypeIndex = 0;
    uint16_t fixedPointIndex = 0; // 0: no fixed-point scaling
    uint8_t layoutKind = 0;
    uint8_t dimensionCount = 0;
    std::array<uint16_t, 2> dimensions{};

    static signal_t read(QByteArrayView bytes);
    QByteArray toBytes() const;
    friend bool operator==(const signal_t &, const signal_t &) = default;
};

// A block parameter or a model parameter.
struct param_t
{
    static constexpr qsizetype Size = 20;
    static constexpr qsizetype ReferenceId = 0;
    static constexpr qsizetype ModelReference = 2;
    static constexpr qsizetype BlockPath = 4;
    static constexpr qsizetype Name = 6;
    static constexpr qsizetype Flags = 8;
    static constexpr qsizetype DataType = 10;
    static constexpr qsizetype FixedPoint = 12;
    static constexpr qsizetype LayoutKind = 14;
    static constexpr qsizetype DimensionCount = 15;
    static constexpr qsizetype Dimensions = 16;
    static constexpr uint8_t ModelParameterFlag = 0x02;

    uint16_t referenceId = 0;
    uint16_t modelReference = 0;
    uint16_t blockPathIndex = 0; // string table 1; not used for model parameters
    uint16_t nameIndex = 0;      // string table 6 or 10
    uint8_t flags = 0;
    uint16_t dataTypeIndex = 0;
    uint16_t fixedPointIndex = 0;
    uint8_t layoutKind = 0;
    uint8_t dimensionCount = 0;
    std::array<uint16_t, 2> dimensions{};

    bool isModelParameter() const { return flags & ModelParameterFlag; }
    static param_t read(QByteArrayView bytes);
    QByteArray toBytes() const;
    friend bool operator==(const param_t &, const param_t &) = default;
};

// A block state.
struct state_t
{
    static constexpr qsizetype Size = 26;
    static constexpr qsizetype ReferenceId = 0;
    static constexpr qsizetype ModelReference = 2;
    static constexpr qsizetype BlockPath = 4;
    static constexpr qsizetype Name = 6;
    static constexpr qsizetype DataType = 10;
    static constexpr qsizetype FixedPoint = 12;
    static constexpr qsizetype LayoutKind = 14;
    static constexpr qsizetype DimensionCount = 15;
    static constexpr qsizetype Dimensions = 16;
    static constexpr qsizetype DefaultRate = 24;

    uint16_t referenceId = 0;
    uint16_t modelReference = 0;
    uint16_t blockPathIndex = 0; // string table 2
    uint16_t nameIndex = 0;      // string table 7
    uint16_t dataTypeIndex = 0;
    uint16_t fixedPointIndex = 0;
    uint8_t layoutKind = 0;
    uint8_t dimensionCount = 0;
    std::array<uint16_t, 2> dimensions{};
    uint16_t defaultRate = 0;

    static state_t read(QByteArrayView bytes);
    QByteArray toBytes() const;
    friend bool operator==(const state_t &, const state_t &) = default;
};

// A data type of the model.
struct datatype_t
{
    static constexpr qsizetype Size = 16;
    static constexpr qsizetype Name = 2;
    static constexpr qsizetype BusElementCount = 6;
    static constexpr qsizetype FirstBusElement = 8;
    static constexpr qsizetype DataSize = 10;
    static constexpr qsizetype TypeId = 12;
    static constexpr qsizetype Flags = 13;
    static constexpr qsizetype StorageId = 14;
    static constexpr uint8_t EnumerationId = 254;
    static constexpr uint8_t BusId = 255;
    static constexpr uint8_t ComplexFlag = 0x01;

    uint16_t nameIndex = 0; // string tables 12 and 13
    uint16_t busElementCount = 0;
    uint16_t firstBusElement = 0; // in the struct-element list
    uint16_t dataSize = 0;        // bytes of one element, both parts of a complex one
    uint8_t typeId = 0;           // 0 to 8 built in, 254 enumeration, 255 bus
    uint8_t flags = 0;
    uint8_t storageId = 0; // the built-in id of an enumeration's storage

    bool isComplex() const { return flags & ComplexFlag; }
    static datatype_t read(QByteArrayView bytes);
    QByteArray toBytes() const;
    friend bool operator==(const datatype_t &, const datatype_t &) = default;
};

// An element of a bus; the elements of one bus are consecutive in their list.
struct struct_element_t
{
    static constexpr qsizetype Size = 16;
    static constexpr qsizetype Name = 2;
    static constexpr qsizetype Offset = 4;
    static constexpr qsizetype DataType = 6;
    static constexpr qsizetype FixedPoint = 8;
    static constexpr qsizetype LayoutKind = 10;
    static constexpr qsizetype DimensionCount = 11;
    static constexpr qsizetype Dimensions = 12;

    uint16_t nameIndex = 0; // string table 14
    uint16_t offset = 0;    // bytes from the start of the bus value
    uint16_t dataTypeIndex = 0;
    uint16_t fixedPointIndex = 0;
    uint8_t layoutKind = 0;
    uint8_t dimensionCount = 0;
    std::array<uint16_t, 2> dimensions{};

    static struct_element_t read(QByteArrayView bytes);
    QByteArray toBytes() const;
    friend bool operator==(const struct_element_t &, const struct_element_t &) = default;
};

// A fixed-point scaling; the value of a raw r is r × 2^exponent × fraction + bias.
struct fxp_info_t
{
    static constexpr qsizetype Size = 24;
    static constexpr qsizetype ScalingKind = 4;
    static constexpr qsizetype WordLength = 5;
    static constexpr qsizetype Exponent = 6;
    static constexpr qsizetype Signedness = 7;
    static constexpr qsizetype Fraction = 8;
    static constexpr qsizetype Bias = 16;

    uint8_t scalingKind = 0; // 0: slope and bias, the only one supported
    uint8_t wordLength = 0;
    int8_t exponent = 0;
    uint8_t isSigned = 0;
    double fraction = 0;
    double bias = 0;

    static fxp_info_t read(QByteArrayView bytes);
    QByteArray toBytes() const;
    // Bitwise, so that records holding NaN compare equal to themselves.
    friend bool operator==(const fxp_info_t &a, const fxp_info_t &b) { return a.toBytes() == b.toBytes(); }
};

// The host's request to write one element of a parameter.
struct param_set_t
{
    static constexpr qsizetype Size = 26;
    static constexpr qsizetype ReferenceId = 0;
    static constexpr qsizetype ModelReference = 2;
    static constexpr qsizetype DataType = 4;
    static constexpr qsizetype ElementIndex = 6;
    static constexpr qsizetype LayoutKind = 8;
    static constexpr qsizetype Memory = 9;
    static constexpr qsizetype Value = 10;
    static constexpr uint8_t BlockParameterMemory = 0;
    static constexpr uint8_t ModelParameterMemory = 2;

    uint16_t referenceId = 0;
    uint16_t modelReference = 0;
    uint16_t dataTypeIndex = 0;
    uint16_t elementIndex = 0;
    uint8_t layoutKind = 0;
    uint8_t memory = BlockParameterMemory;       // 2 model parameter, 0 block parameter
    std::array<uint8_t, MaxElementSize> value{}; // the element's bytes, the rest 0

    static param_set_t read(QByteArrayView bytes);
    QByteArray toBytes() const;
    friend bool operator==(const param_set_t &, const param_set_t &) = default;
};

// The host's request to start, change or stop streaming one element of a variable;
// also a record of the active-signal list.
struct signal_set_t
{
    static constexpr qsizetype Size = 16;
    static constexpr qsizetype ReferenceId = 0;
    static constexpr qsizetype ModelReference = 2;
    static constexpr qsizetype Rate = 4;
    static constexpr qsizetype ElementSize = 8;
    static constexpr qsizetype DataOffset = 10;
    static constexpr qsizetype VariableKind = 12;
    static constexpr int32_t StopRate = -1;

    uint16_t referenceId = 0;
    uint16_t modelReference = 0;
    int32_t rate = 0; // StopRate stops the stream
    uint16_t elementSize = 0;
    uint16_t dataOffset = 0;  // bytes from the start of the variable's value
    uint8_t variableKind = 0; // 1 signal, 4 state, 5 root input, 6 root output

    static signal_set_t read(QByteArrayView bytes);
    QByteArray toBytes() const;
    friend bool operator==(const signal_set_t &, const signal_set_t &) = default;
};

// One acknowledged stream or parameter element.
struct reference_set_t
{
    static constexpr qsizetype Size = 4;
    static constexpr qsizetype DataOffset = 0;
    static constexpr qsizetype ReferenceId = 2;

    uint16_t dataOffset = 0; // a stream's data offset; the element index of a parameter update
    uint16_t referenceId = 0;

    uint32_t key() const { return streamKey(dataOffset, referenceId); }
    static reference_set_t read(QByteArrayView bytes);
    QByteArray toBytes() const;
    friend bool operator==(const reference_set_t &, const reference_set_t &) = default;
};

// The records of a list payload in their order, or nothing when the payload is not a
// whole number of records.
template<typename Record>
std::optional<QList<Record>> readList(QByteArrayView payload)
{
    if (payload.size() % Record::Size != 0)
        return std::nullopt;
    QList<Record> records;
    records.reserve(payload.size() / Record::Size);
    for (qsizetype offset = 0; offset < payload.size(); offset += Record::Size)
        records.append(Record::read(payload.sliced(offset, Record::Size)));
    return records;
}

template<typename Record>
QByteArray writeList(const QList<Record> &records)
{
    QByteArray bytes;
    bytes.reserve(records.size() * Record::Size);
    for (const Record &record : records)
        bytes += record.toBytes();
    return bytes;
}

} // namespace monitoring::protocol
