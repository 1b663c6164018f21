#pragma once

#include <QtGlobal>

#include <cstdint>

// The monitoring protocol of a board's running model: a request/reply protocol on
// the monitoring control channel and sample messages on the monitoring data channel.
// Everything on the wire is little-endian.
namespace monitoring::protocol {

// The command of a control message, read as a signed 16-bit value.
enum CommandType : int16_t {
    MonitorInfo = 1,
    Signals = 5,
    BlockParameters = 6,
    ModelParameters = 7,
    BlockStates = 8,
    RootInputs = 9,
    RootOutputs = 10,
    RawData = 11,
    Strings = 12,
    SetParameter = 13,
    UpdateParameters = 14, // sent by the board on its own
    SetSignal = 15,
    ReferencesHandled = 16, // sent by the board on its own
    ActiveSignals = 17,
    DataTypes = 18,
    StructElements = 19,
    FixedPointInfo = 20,
    LastCommand = FixedPointInfo,
};

// The status of a control message, read as a signed 8-bit value. The host always
// sends Success. Accepted (0xF9) is taken like Success in the acknowledgements of
// set parameter, set signal and references handled.
enum ErrorType : int8_t {
    Success = 0,
    Accepted = -7,
};

// A string-table number, 0 to 14 (see StringTable).
using string_type_t = uint8_t;

enum StringTable : string_type_t {
    SignalBlockPaths = 0,
    BlockParameterBlockPaths = 1,
    StateBlockPaths = 2,
    InputBlockPaths = 3,
    OutputBlockPaths = 4,
    SignalNames = 5,
    BlockParameterNames = 6,
    StateNames = 7,
    InputNames = 8,
    OutputNames = 9,
    ModelParameterNames = 10,
    ModelReferences = 11, // entry 0, then pairs (parent index in hexadecimal, block path)
    DataTypeNames = 12,
    DataTypeSecondNames = 13,
    BusElementNames = 14,
    LastStringTable = BusElementNames,
};

// Which parameter memory image a raw-data request asks for.
using rawdata_type_t = uint8_t;

enum RawDataKind : rawdata_type_t {
    BlockParameterMemory = 2,
    ModelParameterMemory = 3,
};

// The header of a control message, both ways: command, total length (header
// included), status; the payload follows.
struct ControlHeader
{
    static constexpr qsizetype Command = 0;
    static constexpr qsizetype Length = 2;
    static constexpr qsizetype Status = 4;
    static constexpr qsizetype Size = 5;
};

// The header of a data message: command (only Samples is decoded), total length
// (header included), the base time in nanoseconds; sample records follow.
struct DataHeader
{
    static constexpr qsizetype Command = 0;
    static constexpr qsizetype Length = 2;
    static constexpr qsizetype BaseTime = 4;
    static constexpr qsizetype Size = 12;
    static constexpr int16_t Samples = 1;
};

// A message of either channel is at most this long: its length field has 16 bits.
constexpr qsizetype MaxMessageSize = 0xFFFF;

// The largest element a sample carries: a complex double or a complex 64-bit
// fixed-point value.
constexpr qsizetype MaxElementSize = 16;

// The key under which the host keeps a stream: data offset × 65536 + reference id.
// Note that the board's acknowledgement entry read as one 32-bit word is the other
// way round (reference id in the high half), so keys are built from the parsed fields.
constexpr uint32_t streamKey(uint16_t dataOffset, uint16_t referenceId)
{
    return uint32_t(dataOffset) << 16 | referenceId;
}

} // namespace monitoring::protocol
