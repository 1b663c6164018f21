#pragma once

#include "ActivationMap.h"
#include "DataTypeFactory.h"
#include "ModelBuilder.h"
#include "ModelDescription.h"
#include "MonitoringProtocol.h"
#include "ProtocolRecords.h"
#include "SimulinkDataTypes.h"

#include <QList>
#include <QObject>

class DatalinkManager;

namespace SimulinkDataTypes {
class SimulinkVariable;
}

namespace monitoring {

class DataChannel;
class MonCtrlChannel;
class StreamSink;

// The host's model of the Simulink model that runs on the board. Started, it walks
// the board through the set-up sequence on the monitoring control channel, one
// request at a time, then builds the model tree and the variables QML sees. Later it
// routes the board's acknowledgements to the nodes and refreshes parameter values
// from new parameter memories. It owns both monitoring channels.
class Interface : public QObject
{
    Q_OBJECT

public:
    // The set-up sequence: what the interface waits for.
    enum State : int32_t {
        Idle = 0,
        WaitingForInfo = 1,
        ReadingStrings = 2,
        WaitingForSignals = 3,
        WaitingForBlockParameters = 4,
        WaitingForModelParameters = 5,
        WaitingForBlockStates = 6,
        WaitingForInputs = 7,
        WaitingForOutputs = 8,
        WaitingForBlockParameterMemory = 9,
        WaitingForModelParameterMemory = 10,
        WaitingForActiveSignals = 11,
        WaitingForDataTypes = 12,
        WaitingForStructElements = 13,
        WaitingForFixedPointInfo = 14,
        Ready = 15,
    };

    // manager may be null: the channels then send nothing and receive nothing.
    Interface(QObject *parent, DatalinkManager *manager);
    ~Interface() override;

    // Drops the model and begins the set-up sequence.
    void start();
    // Drops the model: the variables are detached and deleted later, the streams
    // forgotten and the tree destroyed. The state stays as it is.
    void reset();

    State state() const { return m_state; }
    bool isInitialized() const { return m_state == Ready; }
    const QList<SimulinkDataTypes::SimulinkVariable *> &simulinkVariables() const { return m_variables; }
    IModelNode *root() const { return m_model.root.get(); }
    // The node of a reference id, or null.
    IModelNode *nodeAt(uint16_t referenceId) const;
    const ModelDescription &description() const { return m_description; }
    const QList<QByteArray> &modelPaths() const { return m_model.modelPaths; }

    MonCtrlChannel *controlChannel() const { return m_control; }
    DataChannel *dataChannel() const { return m_data; }
    const DataTypeFactory &dataTypes() const { return m_dataTypes; }
    std::shared_ptr<IDataType> createDataType(uint16_t dataTypeIndex, int32_t fixedPointIndex) const
    {
        return m_dataTypes.createDataType(dataTypeIndex, fixedPointIndex);
    }
    QByteArrayView stringAt(protocol::string_type_t table, int32_t index) const
    {
        return m_dataTypes.stringAt(table, index);
    }
    bool isBusType(uint16_t dataTypeIndex, int32_t fixedPointIndex) const
    {
        return m_dataTypes.isBusType(dataTypeIndex, fixedPointIndex);
    }

    // Routes the board's acknowledgement of the stream (referenceId, dataOffset) to
    // sink; the first sink of a stream keeps it.
    void registerPendingActivation(uint16_t referenceId, uint16_t dataOffset, StreamSink *sink);
    void removePendingActivation(uint16_t referenceId, uint16_t dataOffset);
    const ActivationMap &activations() const { return m_activations; }

signals:
    void simulinkVariablesChanged();
    void initializedChanged();
    // The variables were detached and will be deleted: nothing may keep showing them.
    void simulinkVariablesDropped();

public slots:
    void communicationErrorCtrl(monitoring::protocol::CommandType cmd, monitoring::protocol::ErrorType err);
    void onInfoReceived(monitoring::protocol::monitor_info_t info);
    void onStringsReceived(monitoring::protocol::string_type_t type, QList<QByteArray> strings);
    void onSignalsReceived(QList<monitoring::protocol::signal_t> signalList);
    void onBlockParamsReceived(QList<monitoring::protocol::param_t> params);
    void onModelParamsReceived(QList<monitoring::protocol::param_t> params);
    void onBlockStatesReceived(QList<monitoring::protocol::state_t> states);
    void onInputsReceived(QList<monitoring::protocol::signal_t> signalList);
    void onOutputsReceived(QList<monitoring::protocol::signal_t> signalList);
    void onRawDataReceived(monitoring::protocol::rawdata_type_t type, QByteArray data);
    void onActiveSignalsReceived(QList<monitoring::protocol::signal_set_t> signalList);
    void onDataTypesReceived(QList<monitoring::protocol::datatype_t> types);
    void onStructElementsReceived(QList<monitoring::protocol::struct_element_t> elements);
    void onFixedPointInfoReceived(QList<monitoring::protocol::fxp_info_t> fxpInfo);
    void referencesHandledCtrl(SimulinkDataTypes::VariableDataType datType,
                               QList<monitoring::protocol::reference_set_t> handledreferences);
    void updateParametersReceivedCtrl(QList<monitoring::protocol::reference_set_t> handledreferences);

private:
    // Stores a list reply when it is the one awaited, then moves on to the next step.
    template<typename Store>
    void accept(State expected, const char *what, Store store, State next);
    void requestNextStrings();
    void requestFor(State state);
    void build();

    MonCtrlChannel *m_control;
    DataChannel *m_data;
    State m_state = Idle;
    uint8_t m_stringTable = 0;
    DataTypeFactory m_dataTypes;
    ModelDescription m_description;
    QList<SimulinkDataTypes::SimulinkVariable *> m_variables;
    BuiltModel m_model;
    ActivationMap m_activations;
};

} // namespace monitoring
