#include "Interface.h"

#include "DataChannel.h"
#include "MonCtrlChannel.h"
#include "ParameterNode.h"
#include "SimulinkParameter.h"
#include "SimulinkSignal.h"
#include "StreamableNode.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcInterface, "Monitoring.Interface")

namespace monitoring {

using namespace protocol;

Interface::Interface(QObject *parent, DatalinkManager *manager)
    : QObject(parent)
    , m_control(new MonCtrlChannel(this, manager))
    , m_data(new DataChannel(this, manager))
{
    using C = MonCtrlChannel;
    connect(m_control, &C::communicationError, this, &Interface::communicationErrorCtrl);
    connect(m_control, &C::infoReceived, this, &Interface::onInfoReceived);
    connect(m_control, &C::stringsReceived, this, &Interface::onStringsReceived);
    connect(m_control, &C::signalsReceived, this, &Interface::onSignalsReceived);
    connect(m_control, &C::blockParamsReceived, this, &Interface::onBlockParamsReceived);
    connect(m_control, &C::modelParamsReceived, this, &Interface::onModelParamsReceived);
    connect(m_control, &C::blockStatesReceived, this, &Interface::onBlockStatesReceived);
    connect(m_control, &C::inputsReceived, this, &Interface::onInputsReceived);
    connect(m_control, &C::outputsReceived, this, &Interface::onOutputsReceived);
    connect(m_control, &C::rawDataReceived, this, &Interface::onRawDataReceived);
    connect(m_control, &C::activeSignalsReceived, this, &Interface::onActiveSignalsReceived);
    connect(m_control, &C::dataTypesReceived, this, &Interface::onDataTypesReceived);
    connect(m_control, &C::structElementsReceived, this, &Interface::onStructElementsReceived);
    connect(m_control, &C::fixedPointInfoReceived, this, &Interface::onFixedPointInfoReceived);
    connect(m_control, &C::updateParametersReceived, this, &Interface::updateParametersReceivedCtrl);
    connect(m_control, &C::referencesHandled, this, &Interface::referencesHandledCtrl);
}

Interface::~Interface()
{
    // The variables are children and go after this body: they must not reach the
    // nodes, which go here.
    for (SimulinkDataTypes::SimulinkVariable *variable : std::as_const(m_variables))
        variable->detach();
    m_data->clearStreams();
    m_activations.clear();
    m_model.clear();
}

void Interface::start()
{
    reset();
    m_state = WaitingForInfo;
    m_control->requestInfo();
}

void Interface::reset()
{
    // Whatever still holds a variable (QML, plots) finds it detached: it shows its
    // texts and reaches no node once the tree below is gone.
    const QList<SimulinkDataTypes::SimulinkVariable *> dropped = std::exchange(m_variables, {});
    for (SimulinkDataTypes::SimulinkVariable *variable : dropped)
        variable->detach();
    if (!dropped.isEmpty())
        emit simulinkVariablesDropped();
    for (SimulinkDataTypes::SimulinkVariable *variable : dropped)
        variable->deleteLater();
    m_data->clearStreams();
    m_activations.clear();
    m_model.clear();
}

IModelNode *Interface::nodeAt(uint16_t referenceId) const
{
    return referenceId < m_model.nodeTable.size() ? m_model.nodeTable[referenceId] : nullptr;
}

void Interface::registerPendingActivation(uint16_t referenceId, uint16_t dataOffset, StreamSink *sink)
{
    m_activations.registerPending(referenceId, dataOffset, sink);
}

void Interface::removePendingActivation(uint16_t referenceId, uint16_t dataOffset)
{
    m_activations.remove(referenceId, dataOffset);
}

void Interface::communicationErrorCtrl(CommandType cmd, ErrorType err)
{
    qCWarning(lcInterface).nospace() << "Communication error Monitor Control cmd: " << int(cmd) << " error "
                                     << int(err);
    m_state = Idle;
    emit initializedChanged();
    reset();
}

void Interface::onInfoReceived(monitor_info_t info)
{
    if (m_state != WaitingForInfo) {
        qCWarning(lcInterface) << "Unexpected monitor info received";
        return;
    }
    m_description.info = info;
    m_state = ReadingStrings;
    m_stringTable = 0;
    m_control->requestStrings(0);
}

void Interface::onStringsReceived(string_type_t type, QList<QByteArray> strings)
{
    if (m_state != ReadingStrings || type != m_stringTable) {
        qCWarning(lcInterface) << "Unexpected strings received";
        return;
    }
    m_dataTypes.setStringTable(type, std::move(strings));
    requestNextStrings();
}

void Interface::requestNextStrings()
{
    const uint8_t table = m_stringTable++;
    if (table != LastStringTable) {
        m_control->requestStrings(table + 1);
        return;
    }
    m_state = WaitingForSignals;
    m_control->requestSignals();
}

template<typename Store>
void Interface::accept(State expected, const char *what, Store store, State next)
{
    if (m_state != expected) {
        qCWarning(lcInterface).noquote() << QStringLiteral("Unexpected %1 received").arg(QLatin1String(what));
        return;
    }
    store();
    m_state = next;
    requestFor(next);
}

void Interface::requestFor(State state)
{
    switch (state) {
    case WaitingForBlockParameters:
        m_control->requestBlockParams();
        break;
    case WaitingForModelParameters:
        m_control->requestModelParams();
        break;
    case WaitingForBlockStates:
        m_control->requestBlockStates();
        break;
    case WaitingForInputs:
        m_control->requestInputs();
        break;
    case WaitingForOutputs:
        m_control->requestOutputs();
        break;
    case WaitingForBlockParameterMemory:
        m_control->requestRawData(BlockParameterMemory);
        break;
    case WaitingForModelParameterMemory:
        m_control->requestRawData(ModelParameterMemory);
        break;
    case WaitingForActiveSignals:
        m_control->requestActiveSignals();
        break;
    case WaitingForDataTypes:
        m_control->requestDataTypes();
        break;
    case WaitingForStructElements:
        m_control->requestStructElements();
        break;
    case WaitingForFixedPointInfo:
        m_control->requestFixedPointInfo();
        break;
    default:
        break;
    }
}

void Interface::onSignalsReceived(QList<signal_t> signalList)
{
    accept(
        WaitingForSignals, "signals", [&] { m_description.signalList = std::move(signalList); },
        WaitingForBlockParameters);
}

void Interface::onBlockParamsReceived(QList<param_t> params)
{
    accept(
        WaitingForBlockParameters, "block parameters", [&] { m_description.blockParameters = std::move(params); },
        WaitingForModelParameters);
}

void Interface::onModelParamsReceived(QList<param_t> params)
{
    accept(
        WaitingForModelParameters, "model parameters", [&] { m_description.modelParameters = std::move(params); },
        WaitingForBlockStates);
}

void Interface::onBlockStatesReceived(QList<state_t> states)
{
    accept(
        WaitingForBlockStates, "block states", [&] { m_description.states = std::move(states); }, WaitingForInputs);
}

void Interface::onInputsReceived(QList<signal_t> signalList)
{
    accept(
        WaitingForInputs, "inputs", [&] { m_description.inputs = std::move(signalList); }, WaitingForOutputs);
}

void Interface::onOutputsReceived(QList<signal_t> signalList)
{
    accept(
        WaitingForOutputs, "outputs", [&] { m_description.outputs = std::move(signalList); },
        WaitingForBlockParameterMemory);
}

void Interface::onRawDataReceived(rawdata_type_t type, QByteArray data)
{
    if (m_state == WaitingForBlockParameterMemory || m_state == WaitingForModelParameterMemory) {
        const bool block = m_state == WaitingForBlockParameterMemory;
        (block ? m_description.blockParameterMemory : m_description.modelParameterMemory) = std::move(data);
        m_state = block ? WaitingForModelParameterMemory : WaitingForActiveSignals;
        requestFor(m_state);
        return;
    }
    if (m_state != Ready) {
        qCWarning(lcInterface) << "Unexpected raw data packet received";
        return;
    }
    ModelBuilder builder(this, m_description, m_dataTypes, m_model);
    if (type == BlockParameterMemory) {
        m_description.blockParameterMemory = std::move(data);
        if (m_model.root)
            builder.loadBlockParameters(ModelBuilder::Mode::Refresh);
    } else if (type == ModelParameterMemory) {
        m_description.modelParameterMemory = std::move(data);
        if (m_model.root)
            builder.loadModelParameters(ModelBuilder::Mode::Refresh);
    } else {
        qCWarning(lcInterface) << "Unexpected raw data packet type received";
    }
}

void Interface::onActiveSignalsReceived(QList<signal_set_t> signalList)
{
    accept(
        WaitingForActiveSignals, "active signals", [&] { m_description.activeSignals = std::move(signalList); },
        WaitingForDataTypes);
}

void Interface::onDataTypesReceived(QList<datatype_t> types)
{
    accept(
        WaitingForDataTypes, "datatypes", [&] { m_dataTypes.setDataTypes(std::move(types)); },
        WaitingForStructElements);
}

void Interface::onStructElementsReceived(QList<struct_element_t> elements)
{
    accept(
        WaitingForStructElements, "structure elements", [&] { m_description.structElements = std::move(elements); },
        WaitingForFixedPointInfo);
}

void Interface::onFixedPointInfoReceived(QList<fxp_info_t> fxpInfo)
{
    if (m_state != WaitingForFixedPointInfo) {
        qCWarning(lcInterface) << "Unexpected fixed point info received";
        return;
    }
    m_dataTypes.setFixedPoints(std::move(fxpInfo));
    build();
}

void Interface::build()
{
    reset();
    ModelBuilder(this, m_description, m_dataTypes, m_model).build();
    // The wrappers are made once the tree is complete: their texts are final then.
    for (IModelNode *node : m_model.variables) {
        if (node->isParameter())
            m_variables << new SimulinkDataTypes::SimulinkParameter(this, static_cast<ParameterNode *>(node));
        else
            m_variables << new SimulinkDataTypes::SimulinkSignal(this, static_cast<StreamableNode *>(node));
    }
    m_state = Ready;
    emit simulinkVariablesChanged();
    emit initializedChanged();
}

void Interface::referencesHandledCtrl(SimulinkDataTypes::VariableDataType datType,
                                      QList<reference_set_t> handledreferences)
{
    if (datType == SimulinkDataTypes::ParameterData)
        return;
    for (const reference_set_t &entry : std::as_const(handledreferences)) {
        StreamSink *sink = m_activations.find(entry.dataOffset, entry.referenceId);
        if (!sink) {
            qCWarning(lcInterface).nospace()
                << "Received unexpected references handled callback ref: " << entry.referenceId
                << " data offset: " << entry.dataOffset;
            continue;
        }
        const IModelNode *node = nodeAt(entry.referenceId);
        qCDebug(lcInterface) << "Ref:" << (node ? node->name() : QByteArray())
                             << "Memory Location:" << entry.dataOffset;
        sink->onActivationAck(entry.dataOffset);
    }
}

void Interface::updateParametersReceivedCtrl(QList<reference_set_t> handledreferences)
{
    for (const reference_set_t &entry : std::as_const(handledreferences)) {
        IModelNode *node = nodeAt(entry.referenceId);
        if (!node || !node->isParameter())
            continue;
        qCDebug(lcInterface) << "Ref:" << node->name() << "Memory Location:" << entry.dataOffset;
        static_cast<ParameterNode *>(node)->confirmWrite(entry.dataOffset);
    }
}

} // namespace monitoring
