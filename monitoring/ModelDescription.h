#pragma once

#include "ProtocolRecords.h"

#include <QByteArray>
#include <QList>

namespace monitoring {

// The lists and parameter memories a board describes its running model with, as the
// set-up sequence receives them. The string tables, data types and fixed-point
// scalings live in the data-type factory, which reads them too.
struct ModelDescription
{
    protocol::monitor_info_t info;
    QList<protocol::signal_t> signalList;
    QList<protocol::param_t> blockParameters;
    QList<protocol::param_t> modelParameters;
    QList<protocol::state_t> states;
    QList<protocol::signal_t> inputs;
    QList<protocol::signal_t> outputs;
    QByteArray blockParameterMemory;
    QByteArray modelParameterMemory;
    QList<protocol::signal_set_t> activeSignals; // kept, not used
    QList<protocol::struct_element_t> structElements;
};

} // namespace monitoring
