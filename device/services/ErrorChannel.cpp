#include "ErrorChannel.h"

#include <QLoggingCategory>
#include <QtEndian>

#include <utility>

Q_LOGGING_CATEGORY(lcErrorChannel, "Device.ErrorChannel")

ErrorChannel::ErrorChannel(QObject *parent, DatalinkChannelId channel, bool isReliable, DatalinkManager *manager)
    : AbstractService(parent, channel, isReliable, manager)
{
}

void ErrorChannel::setLogLevel(int level)
{
    sendRequest(SetLogLevel, uint32_t(level));
}

void ErrorChannel::sendRequest(uint8_t type, uint32_t value)
{
    m_lastRequest = type;
    QByteArray request(Request::Size, '\0');
    request[Request::Type] = char(type);
    qToLittleEndian<quint32>(value, request.data() + Request::Value);
    sendPayload(request);
}

void ErrorChannel::dataReady(QByteArray packet)
{
    if (packet.size() < Packet::Text) {
        qCWarning(lcErrorChannel) << "Invalid error channel packet received";
        return;
    }
    const auto level = LogLevel(packet[Packet::Level]);
    const auto flags = uint8_t(packet[Packet::Flags]);
    const auto textLength = qFromLittleEndian<quint16>(packet.constData() + Packet::TextLength);
    if (textLength != packet.size() - Packet::Text) {
        qCWarning(lcErrorChannel) << "Invalid error channel packet length";
        return;
    }

    if (flags & LevelReply) {
        handleLevelReply(level);
        return;
    }

    QString text = QString::fromUtf8(packet.constData() + Packet::Text, textLength);
    text.remove(QStringLiteral("\r\n"));

    if (flags & OverflowNotice) {
        emit overflow();
        return;
    }

    const bool kernel = flags & KernelMessage;
    const bool part = flags & MessagePart;
    if (part) {
        m_pendingText += text;
        m_pending = true;
        m_pendingLevel = level;
        m_pendingKernel = kernel;
        if (m_pendingText.size() > MaxPendingText) {
            qCWarning(lcErrorChannel) << "Error channel message exceeds" << MaxPendingText
                                      << "characters; passing on what has come so far";
            flushPending();
            return;
        }
    }
    if (m_pending && (!part || (flags & LastPart)))
        flushPending();
    if (m_pending)
        return;
    if (!part)
        emitMessage(level, kernel, text);
}

void ErrorChannel::handleLevelReply(LogLevel level)
{
    if (m_lastRequest != SetLogLevel && m_lastRequest != GetLogLevel)
        return;
    m_logLevel = level;
    emit logLevelReceived();
}

void ErrorChannel::flushPending()
{
    m_pending = false;
    const QString text = std::exchange(m_pendingText, QString());
    emitMessage(m_pendingLevel, m_pendingKernel, text);
}

void ErrorChannel::emitMessage(LogLevel level, bool kernel, const QString &text)
{
    if (kernel) {
        qCDebug(lcErrorChannel).noquote() << "[Zelto *] " + text;
        emit kernelMessageReceived(level, text);
    } else {
        qCDebug(lcErrorChannel).noquote() << "[Zelto] " + text;
        emit messageReceived(level, text);
    }
}
