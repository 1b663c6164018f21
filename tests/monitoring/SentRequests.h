#pragma once

#include "MonCtrlChannel.h"
#include "ProtocolRecords.h"

#include <QList>
#include <QtEndian>

// The messages a monitoring control channel sends, each taken apart into its command
// and payload (every request the nodes send fits into one piece).
class SentRequests
{
public:
    struct Message
    {
        int16_t command = 0;
        QByteArray payload;
    };

    explicit SentRequests(monitoring::MonCtrlChannel *channel)
    {
        QObject::connect(channel, &monitoring::MonCtrlChannel::write, [this](auto, bool, const QByteArray &bytes) {
            using monitoring::protocol::ControlHeader;
            messages << Message{qFromLittleEndian<int16_t>(bytes.constData() + ControlHeader::Command),
                                bytes.sliced(ControlHeader::Size)};
        });
    }

    QList<monitoring::protocol::signal_set_t> signalRequests() const
    {
        return records<monitoring::protocol::signal_set_t>(monitoring::protocol::SetSignal);
    }
    QList<monitoring::protocol::param_set_t> parameterRequests() const
    {
        return records<monitoring::protocol::param_set_t>(monitoring::protocol::SetParameter);
    }
    // The kinds of the raw-data requests, in order.
    QList<int> rawDataRequests() const
    {
        QList<int> kinds;
        for (const Message &m : messages) {
            if (m.command == monitoring::protocol::RawData)
                kinds << uint8_t(m.payload.at(0));
        }
        return kinds;
    }

    QList<Message> messages;

private:
    template<typename Record>
    QList<Record> records(int16_t command) const
    {
        QList<Record> list;
        for (const Message &m : messages) {
            if (m.command == command)
                list << Record::read(m.payload);
        }
        return list;
    }
};
