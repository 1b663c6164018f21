#pragma once

#include "AbstractService.h"
#include "MonitoringProtocol.h"
#include "ProtocolRecords.h"
#include "SimulinkDataTypes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace monitoring {

// The host end of the monitoring control channel (channel 2, reliable): it turns
// requests into messages, collects the board's messages from the channel's payloads,
// checks each one and passes its records on as a typed signal. It keeps no protocol
// state: the order of requests is its caller's, and replies are not paired with them.
// Every message it rejects ends in communicationError.
class MonCtrlChannel : public AbstractService
{
    Q_OBJECT

public:
    static constexpr DatalinkChannelId Channel = 2;
    // The most a link packet carries; longer messages go out in pieces.
    static constexpr qsizetype MaxPiece = 1018;

    MonCtrlChannel(QObject *parent, DatalinkManager *manager);

    void requestInfo();
    void requestSignals();
    void requestBlockParams();
    void requestModelParams();
    void requestBlockStates();
    void requestInputs();
    void requestOutputs();
    void requestRawData(protocol::rawdata_type_t type);
    void requestStrings(protocol::string_type_t table);
    void requestActiveSignals();
    void requestDataTypes();
    void requestStructElements();
    void requestFixedPointInfo();
    // Writes one message: the header, then the payload, in pieces of at most MaxPiece.
    void sendCommand(protocol::CommandType command, const QByteArray &payload);

public slots:
    void setParameter(monitoring::protocol::param_set_t parameter);
    void setSignal(monitoring::protocol::signal_set_t signal);
    void messageTimeOut();

signals:
    void communicationError(monitoring::protocol::CommandType cmd, monitoring::protocol::ErrorType err);
    void infoReceived(monitoring::protocol::monitor_info_t info);
    void stringsReceived(monitoring::protocol::string_type_t type, QList<QByteArray> strings);
    void signalsReceived(QList<monitoring::protocol::signal_t> signalList);
    void blockParamsReceived(QList<monitoring::protocol::param_t> params);
    void modelParamsReceived(QList<monitoring::protocol::param_t> params);
    void blockStatesReceived(QList<monitoring::protocol::state_t> states);
    void inputsReceived(QList<monitoring::protocol::signal_t> signalList);
    void outputsReceived(QList<monitoring::protocol::signal_t> signalList);
    void rawDataReceived(monitoring::protocol::rawdata_type_t type, QByteArray data);
    void activeSignalsReceived(QList<monitoring::protocol::signal_set_t> signalList);
    void dataTypesReceived(QList<monitoring::protocol::datatype_t> types);
    void structElementsReceived(QList<monitoring::protocol::struct_element_t> elements);
    void fixedPointInfoReceived(QList<monitoring::protocol::fxp_info_t> fxpInfo);
    void updateParametersReceived(QList<monitoring::protocol::reference_set_t> handledreferences);
    void referencesHandled(SimulinkDataTypes::VariableDataType datType,
                           QList<monitoring::protocol::reference_set_t> handledreferences);

protected slots:
    void dataReady(QByteArray packet) override;
    void start() override {}
    void pause() override {}
    void initialize() override { m_buffer.clear(); }

private:
    // One whole message; false when it is rejected.
    bool handleMessage(QByteArrayView message);
    bool handleInfo(protocol::ErrorType status, QByteArrayView payload);
    bool handleRawData(protocol::ErrorType status, QByteArrayView payload);
    bool handleStrings(protocol::ErrorType status, QByteArrayView payload);
    bool handleReferences(protocol::CommandType command, protocol::ErrorType status, QByteArrayView payload);
    // Emits signal with the records of a list payload; false when the payload is not
    // a whole number of records.
    template<typename Record, typename Signal>
    bool emitList(QByteArrayView payload, Signal signal);

    QByteArray m_buffer;
};

} // namespace monitoring
