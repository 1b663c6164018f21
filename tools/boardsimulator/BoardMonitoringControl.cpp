#include "BoardMonitoringControl.h"

#include "BoardBytes.h"
#include "BoardMonitoringData.h"
#include "MonitoringModelFile.h"

#include <QLoggingCategory>

#include <bit>

Q_LOGGING_CATEGORY(lcBoardMonitoringControl, "BoardSimulator.MonitoringControl")

namespace {

constexpr qsizetype HeaderSize = 5;
constexpr uint32_t ProtocolVersion = 2;

// The commands of the channel, as the host numbers them.
enum Command : int16_t {
    Info = 1,
    Signals = 5,
    BlockParameters = 6,
    ModelParameters = 7,
    States = 8,
    Inputs = 9,
    Outputs = 10,
    RawData = 11,
    Strings = 12,
    SetParameter = 13,
    UpdateParameters = 14,
    SetSignal = 15,
    ReferencesHandled = 16,
    ActiveSignals = 17,
    DataTypes = 18,
    StructElements = 19,
    FixedPoint = 20,
};

constexpr uint8_t BlockParameterImage = 2;
constexpr uint8_t ModelParameterImage = 3;
constexpr uint8_t BlockParameterMemory = 0; // in a parameter write
constexpr uint8_t ModelParameterMemory = 2;
constexpr uint8_t ModelParameterFlag = 0x02;
constexpr qsizetype ParameterWriteSize = 26;
constexpr qsizetype SignalRequestSize = 16;
constexpr qsizetype MaxElement = 16;

void appendZeros(QByteArray &bytes, qsizetype count)
{
    bytes.append(count, '\0');
}

// Layout kind, number of sizes and two size slots.
void appendShape(QByteArray &bytes, const MonitoringModel::Shape &shape)
{
    BoardBytes::append<uint8_t>(bytes, shape.layoutKind);
    BoardBytes::append<uint8_t>(bytes, uint8_t(shape.sizes.size()));
    BoardBytes::append<uint16_t>(bytes, shape.sizes.value(0));
    BoardBytes::append<uint16_t>(bytes, shape.sizes.value(1));
}

QByteArray reference(uint16_t dataOffset, uint16_t referenceId)
{
    QByteArray bytes;
    BoardBytes::append<uint16_t>(bytes, dataOffset);
    BoardBytes::append<uint16_t>(bytes, referenceId);
    return bytes;
}

} // namespace

BoardMonitoringControl::BoardMonitoringControl(BoardSimulator *board, BoardMonitoringData *data)
    : BoardChannel(board, Number)
    , m_data(data)
{
    setModel(MonitoringModelFile::fixture());
}

void BoardMonitoringControl::setModel(const MonitoringModel &model)
{
    m_model = model;
    m_strings = m_model.stringTables();
    m_data->setModel(&m_model);
}

QByteArray BoardMonitoringControl::message(int16_t command, int8_t status, const QByteArray &payload)
{
    QByteArray m;
    BoardBytes::append<int16_t>(m, command);
    BoardBytes::append<uint16_t>(m, uint16_t(payload.size() + HeaderSize));
    BoardBytes::append<int8_t>(m, status);
    return m + payload;
}

void BoardMonitoringControl::linkDetached(BoardLink *link)
{
    m_pending.remove(link);
}

void BoardMonitoringControl::handleMessage(BoardLink *link, const QByteArray &payload, bool)
{
    QByteArray &pending = m_pending[link];
    pending.append(payload);
    while (pending.size() >= HeaderSize) {
        const qsizetype length = BoardBytes::read<uint16_t>(pending, 2);
        if (length < HeaderSize) {
            qCDebug(lcBoardMonitoringControl) << "Dropping a request that declares" << length << "bytes";
            ++m_rejected;
            pending.clear();
            return;
        }
        if (pending.size() < length)
            return;
        const QByteArray request = pending.left(length);
        pending.remove(0, length);
        handleRequest(link, request);
    }
}

void BoardMonitoringControl::handleRequest(BoardLink *link, const QByteArray &request)
{
    const auto command = BoardBytes::read<int16_t>(request, 0);
    const QByteArray payload = request.mid(HeaderSize);
    m_requests.append({command, payload});
    emit requestReceived(command, payload);
    if (request[4] != 0) {
        qCDebug(lcBoardMonitoringControl) << "Dropping a request with a status" << int(request[4]);
        ++m_rejected;
        return;
    }
    if (!m_data->serving()) {
        qCDebug(lcBoardMonitoringControl) << "No model runs: request" << command << "goes unanswered";
        return;
    }
    if (m_faults.silent.contains(command))
        return;
    if (m_faults.status.contains(command)) {
        sendMessage(link, command, m_faults.status.value(command), {});
        return;
    }
    const Reply reply = answer(link, command, payload);
    sendMessage(link, command, reply.status, reply.payload);
    if (reply.status == InvalidArgument)
        return;
    // What the board announces after the reply.
    if (command == SetParameter)
        sendMessage(link, UpdateParameters, 0, reply.payload);
    else if (command == SetSignal && m_faults.acknowledgeLater)
        sendMessage(link, ReferencesHandled, m_faults.acceptedStatus ? AcceptedStatus : 0,
                    reference(BoardBytes::read<uint16_t>(payload, 10), BoardBytes::read<uint16_t>(payload, 0)));
}

void BoardMonitoringControl::sendMessage(BoardLink *link, int16_t command, int8_t status, const QByteArray &payload)
{
    const QByteArray whole = message(command, status, payload);
    for (qsizetype offset = 0; offset < whole.size(); offset += MaxPayload)
        send(link, whole.mid(offset, MaxPayload), true);
}

BoardMonitoringControl::Reply BoardMonitoringControl::answer(BoardLink *link, int16_t command,
                                                             const QByteArray &payload)
{
    const Reply refused{InvalidArgument, {}};
    switch (command) {
    case RawData:
        if (payload.size() != 1)
            return refused;
        if (uint8_t(payload[0]) == BlockParameterImage)
            return {0, payload + memoryImage(m_model.blockParameters)};
        if (uint8_t(payload[0]) == ModelParameterImage)
            return {0, payload + memoryImage(m_model.modelParameters)};
        return refused;
    case Strings:
        if (payload.size() != 1 || uint8_t(payload[0]) >= MonitoringModel::StringTableCount)
            return refused;
        return {0, strings(uint8_t(payload[0]))};
    case SetParameter:
        return setParameter(link, payload);
    case SetSignal:
        return setSignal(link, payload);
    default:
        break;
    }
    if (!payload.isEmpty())
        return refused;
    switch (command) {
    case Info: {
        QByteArray info;
        BoardBytes::append<uint32_t>(info, ProtocolVersion);
        BoardBytes::append<uint32_t>(info, m_model.infoWord);
        return {0, info};
    }
    case Signals:
        return {0, signalList(m_model.signalVariables, 0, 5)};
    case Inputs:
        return {0, signalList(m_model.inputs, 3, 8)};
    case Outputs:
        return {0, signalList(m_model.outputs, 4, 9)};
    case BlockParameters:
        return {0, parameterList(m_model.blockParameters, false)};
    case ModelParameters:
        return {0, parameterList(m_model.modelParameters, true)};
    case States:
        return {0, stateList()};
    case ActiveSignals:
        return {0, activeSignalList()};
    case DataTypes:
        return {0, dataTypeList()};
    case StructElements:
        return {0, busElementList()};
    case FixedPoint:
        return {0, fixedPointList()};
    default:
        return refused;
    }
}

BoardMonitoringControl::Reply BoardMonitoringControl::setParameter(BoardLink *, const QByteArray &payload)
{
    const Reply refused{InvalidArgument, {}};
    if (payload.size() != ParameterWriteSize)
        return refused;
    const auto referenceId = BoardBytes::read<uint16_t>(payload, 0);
    const auto modelReference = BoardBytes::read<uint16_t>(payload, 2);
    const auto dataType = BoardBytes::read<uint16_t>(payload, 4);
    const auto element = BoardBytes::read<uint16_t>(payload, 6);
    const auto memory = uint8_t(payload[9]);
    if (memory != BlockParameterMemory && memory != ModelParameterMemory)
        return refused;
    QList<MonitoringModel::Variable> &parameters = memory == ModelParameterMemory ? m_model.modelParameters
                                                                                  : m_model.blockParameters;
    for (MonitoringModel::Variable &parameter : parameters) {
        if (parameter.referenceId != referenceId)
            continue;
        const qsizetype size = m_model.types.at(parameter.type).size;
        if (parameter.modelReference != modelReference || parameter.type != dataType
            || element >= parameter.shape.elementCount() || size > MaxElement)
            return refused;
        parameter.value.replace(element * size, size, payload.mid(10, size));
        return {m_faults.acceptedStatus ? AcceptedStatus : int8_t(0), reference(element, referenceId)};
    }
    return refused;
}

BoardMonitoringControl::Reply BoardMonitoringControl::setSignal(BoardLink *link, const QByteArray &payload)
{
    const Reply refused{InvalidArgument, {}};
    if (payload.size() != SignalRequestSize)
        return refused;
    const auto referenceId = BoardBytes::read<uint16_t>(payload, 0);
    const auto modelReference = BoardBytes::read<uint16_t>(payload, 2);
    const auto rate = BoardBytes::read<int32_t>(payload, 4);
    const auto elementSize = BoardBytes::read<uint16_t>(payload, 8);
    const auto dataOffset = BoardBytes::read<uint16_t>(payload, 10);
    const auto kind = uint8_t(payload[12]);
    const MonitoringModel::Variable *variable = m_model.streamable(referenceId);
    if (!variable || variable->modelReference != modelReference || rate < -1)
        return refused;
    if (rate == -1) {
        m_data->stopStream(referenceId, dataOffset);
    } else {
        if (elementSize == 0 || elementSize > MaxElement
            || qsizetype(dataOffset) + elementSize > m_model.valueSize(*variable))
            return refused;
        m_data->startStream(link, referenceId, modelReference, rate, elementSize, dataOffset, kind);
    }
    const int8_t status = m_faults.acceptedStatus ? AcceptedStatus : 0;
    if (m_faults.acknowledgeLater)
        return {status, {}};
    return {status, reference(dataOffset, referenceId)};
}

QByteArray BoardMonitoringControl::strings(uint8_t table) const
{
    QByteArray bytes(1, char(table));
    for (const QByteArray &text : m_strings.tables[table])
        bytes += text + '\0';
    return bytes;
}

QByteArray BoardMonitoringControl::signalList(const QList<MonitoringModel::Variable> &variables, int pathTable,
                                              int nameTable) const
{
    QByteArray bytes;
    for (const MonitoringModel::Variable &v : variables) {
        BoardBytes::append<uint16_t>(bytes, v.referenceId);
        BoardBytes::append<uint16_t>(bytes, v.modelReference);
        BoardBytes::append<uint16_t>(bytes, m_strings.indexes[size_t(pathTable)].value(v.blockPath));
        BoardBytes::append<uint16_t>(bytes, m_strings.indexes[size_t(nameTable)].value(v.name));
        BoardBytes::append<uint8_t>(bytes, v.port);
        appendZeros(bytes, 3);
        BoardBytes::append<uint16_t>(bytes, v.defaultRate);
        BoardBytes::append<uint16_t>(bytes, uint16_t(v.type));
        BoardBytes::append<uint16_t>(bytes, uint16_t(v.scaling));
        appendShape(bytes, v.shape);
    }
    return bytes;
}

QByteArray BoardMonitoringControl::parameterList(const QList<MonitoringModel::Variable> &parameters, bool model) const
{
    QByteArray bytes;
    for (const MonitoringModel::Variable &p : parameters) {
        BoardBytes::append<uint16_t>(bytes, p.referenceId);
        BoardBytes::append<uint16_t>(bytes, p.modelReference);
        BoardBytes::append<uint16_t>(bytes, model ? 0 : m_strings.indexes[1].value(p.blockPath));
        BoardBytes::append<uint16_t>(bytes, m_strings.indexes[model ? 10 : 6].value(p.name));
        BoardBytes::append<uint8_t>(bytes, model ? ModelParameterFlag : 0);
        appendZeros(bytes, 1);
        BoardBytes::append<uint16_t>(bytes, uint16_t(p.type));
        BoardBytes::append<uint16_t>(bytes, uint16_t(p.scaling));
        appendShape(bytes, p.shape);
    }
    return bytes;
}

QByteArray BoardMonitoringControl::stateList() const
{
    QByteArray bytes;
    for (const MonitoringModel::Variable &s : m_model.states) {
        BoardBytes::append<uint16_t>(bytes, s.referenceId);
        BoardBytes::append<uint16_t>(bytes, s.modelReference);
        BoardBytes::append<uint16_t>(bytes, m_strings.indexes[2].value(s.blockPath));
        BoardBytes::append<uint16_t>(bytes, m_strings.indexes[7].value(s.name));
        appendZeros(bytes, 2);
        BoardBytes::append<uint16_t>(bytes, uint16_t(s.type));
        BoardBytes::append<uint16_t>(bytes, uint16_t(s.scaling));
        appendShape(bytes, s.shape);
        appendZeros(bytes, 4);
        BoardBytes::append<uint16_t>(bytes, s.defaultRate);
    }
    return bytes;
}

QByteArray BoardMonitoringControl::dataTypeList() const
{
    QByteArray bytes;
    uint16_t firstElement = 0;
    for (qsizetype i = 0; i < m_model.types.size(); ++i) {
        const MonitoringModel::DataType &t = m_model.types.at(i);
        appendZeros(bytes, 2);
        BoardBytes::append<uint16_t>(bytes, uint16_t(i)); // names stand at the type's index
        appendZeros(bytes, 2);
        BoardBytes::append<uint16_t>(bytes, uint16_t(t.elements.size()));
        BoardBytes::append<uint16_t>(bytes, t.isBus() ? firstElement : 0);
        BoardBytes::append<uint16_t>(bytes, t.size);
        BoardBytes::append<uint8_t>(bytes, t.id);
        BoardBytes::append<uint8_t>(bytes, t.complex ? 1 : 0);
        BoardBytes::append<uint8_t>(bytes, t.storage);
        appendZeros(bytes, 1);
        firstElement += uint16_t(t.elements.size());
    }
    return bytes;
}

QByteArray BoardMonitoringControl::busElementList() const
{
    QByteArray bytes;
    for (const MonitoringModel::DataType &t : m_model.types) {
        for (const MonitoringModel::BusElement &e : t.elements) {
            appendZeros(bytes, 2);
            BoardBytes::append<uint16_t>(bytes, m_strings.indexes[14].value(e.name));
            BoardBytes::append<uint16_t>(bytes, e.offset);
            BoardBytes::append<uint16_t>(bytes, uint16_t(e.type));
            BoardBytes::append<uint16_t>(bytes, uint16_t(e.scaling));
            appendShape(bytes, e.shape);
        }
    }
    return bytes;
}

QByteArray BoardMonitoringControl::fixedPointList() const
{
    QByteArray bytes;
    for (qsizetype i = 0; i < m_model.scalings.size(); ++i) {
        const MonitoringModel::Scaling &s = m_model.scalings.at(i);
        if (i == 0) { // stands for "no scaling"
            appendZeros(bytes, 24);
            continue;
        }
        appendZeros(bytes, 4);
        BoardBytes::append<uint8_t>(bytes, 0); // slope and bias
        BoardBytes::append<uint8_t>(bytes, s.wordLength);
        BoardBytes::append<int8_t>(bytes, s.exponent);
        BoardBytes::append<uint8_t>(bytes, s.isSigned ? 1 : 0);
        BoardBytes::append<uint64_t>(bytes, std::bit_cast<uint64_t>(s.fraction));
        BoardBytes::append<uint64_t>(bytes, std::bit_cast<uint64_t>(s.bias));
    }
    return bytes;
}

QByteArray BoardMonitoringControl::activeSignalList() const
{
    QByteArray bytes;
    for (const BoardMonitoringData::Stream &s : m_data->streams()) {
        BoardBytes::append<uint16_t>(bytes, s.referenceId);
        BoardBytes::append<uint16_t>(bytes, s.modelReference);
        BoardBytes::append<int32_t>(bytes, s.rate);
        BoardBytes::append<uint16_t>(bytes, s.elementSize);
        BoardBytes::append<uint16_t>(bytes, s.dataOffset);
        BoardBytes::append<uint8_t>(bytes, s.variableKind);
        appendZeros(bytes, 3);
    }
    return bytes;
}

QByteArray BoardMonitoringControl::memoryImage(const QList<MonitoringModel::Variable> &parameters)
{
    QByteArray image;
    for (const MonitoringModel::Variable &parameter : parameters)
        image += parameter.value;
    return image;
}
