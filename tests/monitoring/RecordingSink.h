#pragma once

#include "StreamSink.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <functional>

// A stream sink that keeps what it is given: acknowledgements and samples, each as a
// line "<name> <data offset> <value bytes in hexadecimal> <timestamp>" (the sink's name
// tells several sinks apart in one list), and the samples themselves.
class RecordingSink : public monitoring::StreamSink
{
public:
    struct Sample
    {
        uint16_t dataOffset = 0;
        QByteArray value;
        uint64_t timestamp = 0;
    };

    explicit RecordingSink(QString name = QStringLiteral("sink"), QStringList *lines = nullptr)
        : m_name(std::move(name))
        , m_lines(lines ? lines : &m_ownLines)
    {
    }

    void onActivationAck(uint16_t dataOffset) override
    {
        acknowledged << dataOffset;
        *m_lines << QStringLiteral("%1 ack %2").arg(m_name).arg(dataOffset);
    }

    void onSample(uint16_t dataOffset, std::span<const uint8_t> element, uint64_t timestamp) override
    {
        const QByteArray value(reinterpret_cast<const char *>(element.data()), qsizetype(element.size()));
        samples << Sample{dataOffset, value, timestamp};
        *m_lines << QStringLiteral("%1 %2 %3 %4")
                        .arg(m_name)
                        .arg(dataOffset)
                        .arg(QString::fromLatin1(value.toHex()))
                        .arg(timestamp);
        if (onEachSample)
            onEachSample();
    }

    const QStringList &lines() const { return *m_lines; }

    QList<uint16_t> acknowledged;
    QList<Sample> samples;
    std::function<void()> onEachSample;

private:
    QString m_name;
    QStringList m_ownLines;
    QStringList *m_lines;
};
