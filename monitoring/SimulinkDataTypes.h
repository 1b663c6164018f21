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

} // namespace SimulinkDataTypes
