#include "BoardMonitoringData.h"

#include "BoardBytes.h"
#include "BoardControlChannel.h"
#include "BoardSimulator.h"

#include <QHash>
#include <QLoggingCategory>

#include <cmath>

Q_LOGGING_CATEGORY(lcBoardMonitoringData, "BoardSimulator.MonitoringData")

namespace {

constexpr uint16_t OpenCloseMonitoring = 10;
constexpr uint8_t Running = 3;
constexpr int16_t Samples = 1;

} // namespace

BoardMonitoringData::BoardMonitoringData(BoardSimulator *board)
    : BoardChannel(board, Number)
{
    m_clock.start();
    m_ticker.setInterval(TickInterval);
    connect(&m_ticker, &QTimer::timeout, this, [this] { produce(m_clock.nsecsElapsed()); });
}

void BoardMonitoringData::setModel(const MonitoringModel *model)
{
    m_model = model;
    stopAll();
}

bool BoardMonitoringData::serving() const
{
    const auto *control = qobject_cast<BoardControlChannel *>(board()->channel(1));
    return control && control->state().openServices.value(OpenCloseMonitoring) && control->state().appStatus == Running;
}

void BoardMonitoringData::startStream(BoardLink *link, uint16_t referenceId, uint16_t modelReference, int32_t rate,
                                      uint16_t elementSize, uint16_t dataOffset, uint8_t variableKind)
{
    const MonitoringModel::Variable *variable = m_model ? m_model->streamable(referenceId) : nullptr;
    if (!variable)
        return;
    Stream stream;
    stream.link = link;
    stream.referenceId = referenceId;
    stream.modelReference = modelReference;
    stream.rate = rate;
    stream.elementSize = elementSize;
    stream.dataOffset = dataOffset;
    stream.variableKind = variableKind;
    // A rate is in samples per second; 0 asks for every step.
    const double stepsPerSecond = 1e9 / double(m_model->stepNanoseconds);
    stream.decimation = rate > 0 ? std::max<int64_t>(1, std::llround(stepsPerSecond / rate)) : 1;
    stream.withOffset = variable->shape.layoutKind != 0 || m_model->isBus(*variable) || dataOffset != 0;
    for (Stream &running : m_streams) {
        if (running.referenceId == referenceId && running.dataOffset == dataOffset) {
            running = stream;
            return;
        }
    }
    if (m_streams.isEmpty() && m_ticking) {
        // The clock has run on without streams: they start from now.
        m_lastStep = std::max<int64_t>(m_lastStep, m_clock.nsecsElapsed() / m_model->stepNanoseconds);
        m_ticker.start();
    }
    m_streams.append(stream);
}

void BoardMonitoringData::stopStream(uint16_t referenceId, uint16_t dataOffset)
{
    m_streams.removeIf([&](const Stream &s) { return s.referenceId == referenceId && s.dataOffset == dataOffset; });
    if (m_streams.isEmpty())
        m_ticker.stop();
}

void BoardMonitoringData::stopAll()
{
    m_streams.clear();
    m_ticker.stop();
}

void BoardMonitoringData::setTicking(bool ticking)
{
    m_ticking = ticking;
    if (ticking && !m_streams.isEmpty())
        m_ticker.start();
    else
        m_ticker.stop();
}

void BoardMonitoringData::handleMessage(BoardLink *, const QByteArray &payload, bool)
{
    qCDebug(lcBoardMonitoringData) << "Ignoring" << payload.size() << "bytes the host sent on the data channel";
}

void BoardMonitoringData::linkDetached(BoardLink *link)
{
    m_streams.removeIf([link](const Stream &s) { return s.link == link || !s.link; });
}

void BoardMonitoringData::produce(int64_t nowNanoseconds)
{
    if (!m_model)
        return;
    const int64_t now = nowNanoseconds / m_model->stepNanoseconds;
    const int64_t first = std::max(m_lastStep + 1, now - MaxCatchUpSteps + 1);
    m_lastStep = std::max(m_lastStep, now);
    if (m_streams.isEmpty()) {
        m_ticker.stop();
        return;
    }
    if (!serving()) {
        qCDebug(lcBoardMonitoringData) << "The model stopped: ending" << m_streams.size() << "streams";
        stopAll();
        return;
    }
    struct Pending
    {
        QByteArray records;
        int64_t baseTime = 0;
    };
    QHash<BoardLink *, Pending> pending;
    for (int64_t step = first; step <= now; ++step) {
        const int64_t time = step * m_model->stepNanoseconds;
        QHash<uint16_t, QByteArray> values; // of this step, by reference id
        for (const Stream &stream : std::as_const(m_streams)) {
            if (step % stream.decimation != 0 || !stream.link)
                continue;
            auto value = values.find(stream.referenceId);
            if (value == values.end())
                value = values.insert(stream.referenceId,
                                      m_model->valueAt(*m_model->streamable(stream.referenceId), step));
            QByteArray record;
            BoardBytes::append<uint16_t>(record, stream.referenceId);
            Pending &message = pending[stream.link];
            const qsizetype recordSize = 6 + (stream.withOffset ? 2 : 0) + stream.elementSize;
            // A message ends where the next record would not fit into its packet, or
            // its time would not fit into the record's 32-bit offset.
            if (!message.records.isEmpty()
                && (HeaderSize + message.records.size() + recordSize > MaxPayload
                    || time - message.baseTime > std::numeric_limits<int32_t>::max())) {
                sendMessage(stream.link, message.records, message.baseTime);
                message.records.clear();
            }
            if (message.records.isEmpty())
                message.baseTime = time;
            BoardBytes::append<int32_t>(record, int32_t(time - message.baseTime));
            if (stream.withOffset)
                BoardBytes::append<uint16_t>(record, stream.dataOffset);
            record += value->mid(stream.dataOffset, stream.elementSize);
            message.records += record;
        }
    }
    for (auto it = pending.cbegin(); it != pending.cend(); ++it) {
        if (!it->records.isEmpty())
            sendMessage(it.key(), it->records, it->baseTime);
    }
}

void BoardMonitoringData::sendMessage(BoardLink *link, const QByteArray &records, int64_t baseTime)
{
    QByteArray message;
    BoardBytes::append<int16_t>(message, Samples);
    BoardBytes::append<uint16_t>(message, uint16_t(HeaderSize + records.size()));
    BoardBytes::append<int64_t>(message, baseTime);
    message += records;
    send(link, message, false);
}
