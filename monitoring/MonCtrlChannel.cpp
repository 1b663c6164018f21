#include "MonCtrlChannel.h"

#include <QLoggingCategory>
#include <QtEndian>

#include <functional>

Q_LOGGING_CATEGORY(lcMonCtrlChannel, "Monitoring.MonCtrlChannel")

namespace monitoring {

using namespace protocol;

namespace {

CommandType commandOf(QByteArrayView message)
{
    return CommandType(qFromLittleEndian<int16_t>(message.data() + ControlHeader::Command));
}

ErrorType statusOf(QByteArrayView message)
{
    return ErrorType(int8_t(message[ControlHeader::Status]));
}

// Set parameter, set signal and references handled also accept status 0xF9.
bool acknowledgementAccepted(ErrorType status)
{
    return status == Success || status == Accepted;
}

} // namespace

MonCtrlChannel::MonCtrlChannel(QObject *parent, DatalinkManager *manager)
    : AbstractService(parent, Channel, true, manager)
{
}

void MonCtrlChannel::requestInfo()
{
    sendCommand(MonitorInfo, {});
}
void MonCtrlChannel::requestSignals()
{
    sendCommand(Signals, {});
}
void MonCtrlChannel::requestBlockParams()
{
    sendCommand(BlockParameters, {});
}
void MonCtrlChannel::requestModelParams()
{
    sendCommand(ModelParameters, {});
}
void MonCtrlChannel::requestBlockStates()
{
    sendCommand(BlockStates, {});
}
void MonCtrlChannel::requestInputs()
{
    sendCommand(RootInputs, {});
}
void MonCtrlChannel::requestOutputs()
{
    sendCommand(RootOutputs, {});
}
void MonCtrlChannel::requestRawData(rawdata_type_t type)
{
    sendCommand(RawData, QByteArray(1, char(type)));
}
void MonCtrlChannel::requestStrings(string_type_t table)
{
    sendCommand(Strings, QByteArray(1, char(table)));
}
void MonCtrlChannel::requestActiveSignals()
{
    sendCommand(ActiveSignals, {});
}
void MonCtrlChannel::requestDataTypes()
{
    sendCommand(DataTypes, {});
}
void MonCtrlChannel::requestStructElements()
{
    sendCommand(StructElements, {});
}
void MonCtrlChannel::requestFixedPointInfo()
{
    sendCommand(FixedPointInfo, {});
}

void MonCtrlChannel::setParameter(param_set_t parameter)
{
    sendCommand(SetParameter, parameter.toBytes());
}
void MonCtrlChannel::setSignal(signal_set_t signal)
{
    sendCommand(SetSignal, signal.toBytes());
}

void MonCtrlChannel::messageTimeOut()
{
    qCDebug(lcMonCtrlChannel) << "message TimeOut";
}

void MonCtrlChannel::sendCommand(CommandType command, const QByteArray &payload)
{
    // The length field cannot describe a longer message.
    if (payload.size() > MaxMessageSize - ControlHeader::Size) {
        qCWarning(lcMonCtrlChannel) << "Refusing a monitoring request of" << payload.size() << "bytes";
        return;
    }
    QByteArray message(ControlHeader::Size, '\0');
    qToLittleEndian<int16_t>(command, message.data() + ControlHeader::Command);
    qToLittleEndian<uint16_t>(uint16_t(payload.size() + ControlHeader::Size), message.data() + ControlHeader::Length);
    message += payload;
    for (qsizetype offset = 0; offset < message.size(); offset += MaxPiece)
        sendPayload(message.mid(offset, MaxPiece));
}

void MonCtrlChannel::dataReady(QByteArray packet)
{
    m_buffer.append(packet);
    if (m_buffer.size() < ControlHeader::Size) {
        m_buffer.clear();
        qCWarning(lcMonCtrlChannel) << "eMonitor: Incomplete packet received";
        return;
    }
    const CommandType command = commandOf(m_buffer);
    const qsizetype length = qFromLittleEndian<uint16_t>(m_buffer.constData() + ControlHeader::Length);
    const ErrorType status = statusOf(m_buffer);
    if (command > LastCommand) {
        qCDebug(lcMonCtrlChannel) << "eMonitor: unsupported command received";
        m_buffer.clear();
        emit communicationError(command, status);
        return;
    }
    // A length that does not even cover the header cannot be a message.
    if (length < ControlHeader::Size) {
        qCWarning(lcMonCtrlChannel) << "eMonitor: message shorter than its header received, command" << command
                                    << "length" << length;
        m_buffer.clear();
        emit communicationError(command, status);
        return;
    }
    if (m_buffer.size() < length)
        return;
    // Bytes after the message go with the buffer: the board starts every message in
    // a packet of its own.
    const QByteArray message = std::exchange(m_buffer, QByteArray());
    if (!handleMessage(QByteArrayView(message).first(length)))
        emit communicationError(command, status);
}

bool MonCtrlChannel::handleMessage(QByteArrayView message)
{
    const CommandType command = commandOf(message);
    const ErrorType status = statusOf(message);
    const QByteArrayView payload = message.sliced(ControlHeader::Size);
    switch (command) {
    case MonitorInfo:
        return handleInfo(status, payload);
    case RawData:
        return handleRawData(status, payload);
    case Strings:
        return handleStrings(status, payload);
    case SetParameter:
    case SetSignal:
    case ReferencesHandled:
    case UpdateParameters:
        return handleReferences(command, status, payload);
    default:
        break;
    }
    if (status != Success)
        return false;
    switch (command) {
    case Signals:
        return emitList<signal_t>(payload, &MonCtrlChannel::signalsReceived);
    case BlockParameters:
        return emitList<param_t>(payload, &MonCtrlChannel::blockParamsReceived);
    case ModelParameters:
        return emitList<param_t>(payload, &MonCtrlChannel::modelParamsReceived);
    case BlockStates:
        return emitList<state_t>(payload, &MonCtrlChannel::blockStatesReceived);
    case RootInputs:
        return emitList<signal_t>(payload, &MonCtrlChannel::inputsReceived);
    case RootOutputs:
        return emitList<signal_t>(payload, &MonCtrlChannel::outputsReceived);
    case ActiveSignals:
        return emitList<signal_set_t>(payload, &MonCtrlChannel::activeSignalsReceived);
    case DataTypes:
        return emitList<datatype_t>(payload, &MonCtrlChannel::dataTypesReceived);
    case StructElements:
        return emitList<struct_element_t>(payload, &MonCtrlChannel::structElementsReceived);
    case FixedPointInfo:
        return emitList<fxp_info_t>(payload, &MonCtrlChannel::fixedPointInfoReceived);
    default:
        return false; // commands 0, 2 to 4 and negative ones are none of the host's
    }
}

template<typename Record, typename Signal>
bool MonCtrlChannel::emitList(QByteArrayView payload, Signal signal)
{
    std::optional<QList<Record>> records = readList<Record>(payload);
    if (!records)
        return false;
    std::invoke(signal, this, *std::move(records));
    return true;
}

bool MonCtrlChannel::handleInfo(ErrorType status, QByteArrayView payload)
{
    if (payload.size() < 4 || status != Success)
        return false;
    const uint32_t version = qFromLittleEndian<uint32_t>(payload.data());
    if (version != monitor_info_t::SupportedVersion) {
        qCWarning(lcMonCtrlChannel).nospace() << "Unsupported monitoring version " << version;
        return false;
    }
    if (payload.size() != monitor_info_t::Size)
        return false;
    emit infoReceived(monitor_info_t::read(payload));
    return true;
}

bool MonCtrlChannel::handleRawData(ErrorType status, QByteArrayView payload)
{
    if (status != Success)
        return false;
    if (payload.isEmpty()) {
        qCWarning(lcMonCtrlChannel) << "Invalid raw data packet";
        return false;
    }
    emit rawDataReceived(rawdata_type_t(payload[0]), payload.sliced(1).toByteArray());
    return true;
}

bool MonCtrlChannel::handleStrings(ErrorType status, QByteArrayView payload)
{
    if (status != Success)
        return false;
    const string_type_t table = payload.isEmpty() ? 0 : string_type_t(payload[0]);
    QList<QByteArray> strings;
    // Every zero byte ends a string; bytes after the last one are no string.
    qsizetype start = 1;
    for (qsizetype end = start; end < payload.size(); ++end) {
        if (payload[end] == '\0') {
            strings.append(payload.sliced(start, end - start).toByteArray());
            start = end + 1;
        }
    }
    emit stringsReceived(table, strings);
    return true;
}

bool MonCtrlChannel::handleReferences(CommandType command, ErrorType status, QByteArrayView payload)
{
    const bool statusAccepted = command == UpdateParameters ? status == Success : acknowledgementAccepted(status);
    if (!statusAccepted)
        return false;
    std::optional<QList<reference_set_t>> references = readList<reference_set_t>(payload);
    if (!references)
        return false;
    switch (command) {
    case UpdateParameters:
        emit updateParametersReceived(*references);
        break;
    case SetParameter:
        emit referencesHandled(SimulinkDataTypes::ParameterData, *references);
        break;
    case SetSignal:
        emit referencesHandled(SimulinkDataTypes::SignalData, *references);
        break;
    default:
        emit referencesHandled(SimulinkDataTypes::HandledReferences, *references);
        break;
    }
    return true;
}

} // namespace monitoring
