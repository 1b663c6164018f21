#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <initializer_list>

// Writes multicast DNS datagrams for tests, right or deliberately wrong.
class DnsDatagramBuilder
{
public:
    DnsDatagramBuilder &header(std::uint16_t id, std::uint16_t flags, std::uint16_t questions, std::uint16_t answers,
                               std::uint16_t authorities = 0, std::uint16_t additionals = 0)
    {
        return u16(id).u16(flags).u16(questions).u16(answers).u16(authorities).u16(additionals);
    }

    // The labels of a dotted name followed by the end mark.
    DnsDatagramBuilder &name(const QByteArray &dotted) { return labels(dotted).u8(0); }
    // The labels of a dotted name, without the end mark (a pointer may follow).
    DnsDatagramBuilder &labels(const QByteArray &dotted)
    {
        m_data += nameBytes(dotted, false);
        return *this;
    }
    DnsDatagramBuilder &pointer(std::uint16_t offset) { return u16(std::uint16_t(0xC000 | offset)); }

    DnsDatagramBuilder &question(const QByteArray &dotted, std::uint16_t type, std::uint16_t questionClass = 1)
    {
        return name(dotted).u16(type).u16(questionClass);
    }
    // A record whose owner is written by the caller just before (name, labels, pointer).
    DnsDatagramBuilder &recordBody(std::uint16_t type, std::uint32_t ttl, const QByteArray &data,
                                   std::uint16_t recordClass = 0x8001)
    {
        return u16(type).u16(recordClass).u32(ttl).u16(std::uint16_t(data.size())).bytes(data);
    }
    DnsDatagramBuilder &record(const QByteArray &owner, std::uint16_t type, std::uint32_t ttl, const QByteArray &data)
    {
        return name(owner).recordBody(type, ttl, data);
    }

    DnsDatagramBuilder &u8(std::uint8_t value)
    {
        m_data += char(value);
        return *this;
    }
    DnsDatagramBuilder &u16(std::uint16_t value) { return u8(std::uint8_t(value >> 8)).u8(std::uint8_t(value)); }
    DnsDatagramBuilder &u32(std::uint32_t value) { return u16(std::uint16_t(value >> 16)).u16(std::uint16_t(value)); }
    DnsDatagramBuilder &bytes(const QByteArray &raw)
    {
        m_data += raw;
        return *this;
    }

    qsizetype offset() const { return m_data.size(); }
    QByteArray data() const { return m_data; }

    static QByteArray nameBytes(const QByteArray &dotted, bool withEnd = true)
    {
        QByteArray out;
        for (const QByteArray &label : dotted.split('.')) {
            if (label.isEmpty())
                continue;
            out += char(label.size());
            out += label;
        }
        if (withEnd)
            out += '\0';
        return out;
    }
    static QByteArray srvData(std::uint16_t priority, std::uint16_t weight, std::uint16_t port,
                              const QByteArray &target)
    {
        return DnsDatagramBuilder().u16(priority).u16(weight).u16(port).name(target).data();
    }
    static QByteArray txtData(std::initializer_list<QByteArray> strings)
    {
        QByteArray out;
        for (const QByteArray &string : strings) {
            out += char(string.size());
            out += string;
        }
        return out;
    }

private:
    QByteArray m_data;
};
