#pragma once

#include "AbstractService.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// The board's own text messages (of its application and its kernel, each with a
// level) on channel 6, and the request that sets the level from which the board
// reports. A message may come in several packets; it is passed on once, whole.
class ErrorChannel : public AbstractService
{
    Q_OBJECT

public:
    // The level byte of the board's packet, passed on unchanged.
    using LogLevel = uint8_t;

    // The board's packet: level, flags, text length, then the UTF-8 text.
    struct Packet
    {
        static constexpr qsizetype Level = 0;
        static constexpr qsizetype Flags = 1;
        static constexpr qsizetype TextLength = 2;
        static constexpr qsizetype Text = 4;
    };

    enum PacketFlag : uint8_t {
        KernelMessage = 0x01,
        LevelReply = 0x02,  // byte 0 is the board's log level; the text is not read
        MessagePart = 0x04, // part of a message that spans several packets
        LastPart = 0x08,    // the last part of such a message
        OverflowNotice = 0x10,
    };

    // The request to the board: type, three bytes of padding, a 32-bit value.
    struct Request
    {
        static constexpr qsizetype Type = 0;
        static constexpr qsizetype Value = 4;
        static constexpr qsizetype Size = 8;
    };

    enum RequestType : uint8_t {
        SetLogLevel = 0,
        GetLogLevel = 1,  // never sent here, but its answer is a level reply as well
        NoRequest = 0xFF, // nothing sent yet
    };

    // Collected parts of a message beyond this many characters are passed on as they
    // stand, so a board that never closes a message cannot grow them without end.
    static constexpr qsizetype MaxPendingText = 64 * 1024;

    ErrorChannel(QObject *parent, DatalinkChannelId channel, bool isReliable, DatalinkManager *manager);

    int logLevel() const { return m_logLevel; }

public slots:
    void setLogLevel(int level);
    void sendRequest(uint8_t type, uint32_t value);

signals:
    void messageReceived(ErrorChannel::LogLevel level, QString msg);
    void kernelMessageReceived(ErrorChannel::LogLevel level, QString msg);
    void overflow();
    void logLevelReceived();

protected slots:
    void dataReady(QByteArray packet) override;
    void start() override {}
    void pause() override {}
    void initialize() override {}

private:
    void handleLevelReply(LogLevel level);
    void flushPending();
    void emitMessage(LogLevel level, bool kernel, const QString &text);

    int m_logLevel = 0;
    QString m_pendingText;
    bool m_pending = false;
    // The level and origin of the latest part collected; the pending message is
    // passed on under them, even when another message interrupts it.
    LogLevel m_pendingLevel = 0;
    bool m_pendingKernel = false;
    uint8_t m_lastRequest = NoRequest;
};
