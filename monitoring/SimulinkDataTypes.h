#pragma once

#include <QObject>

#include <cstdint>

// Kinds shared by the monitoring classes and, through the namespace's meta-object,
// by QML.
namespace SimulinkDataTypes {
Q_NAMESPACE

// What a list of acknowledged references answers: a streaming request, a parameter
// write, or the board's own references-handled message.
enum VariableDataType : uint8_t {
    SignalData = 0,
    ParameterData = 1,
    HandledReferences = 2,
};
Q_ENUM_NS(VariableDataType)

// What kind of variable of the monitored model a node or its QML object stands for.
// Parameters' kinds are also the raw-data kinds of the memories they live in.
enum VariableType : uint8_t {
    None = 0,
    Signal = 1,
    BlockParameter = 2,
    ModelParameter = 3,
    State = 4,
    RootInput = 5,
    RootOutput = 6,
    StructElement = 7,
};
Q_ENUM_NS(VariableType)

} // namespace SimulinkDataTypes
