#pragma once

#include <QByteArrayView>
#include <QtEndian>

#include <optional>
#include <type_traits>

// Reads little-endian fields one after another from bytes that came from outside.
// Every read checks what is left first, so a short or lying message ends the reading
// instead of reaching past the buffer. The bytes must outlive the reader.
class ByteReader
{
public:
    explicit ByteReader(QByteArrayView bytes)
        : m_bytes(bytes)
    {
    }

    qsizetype position() const { return m_position; }
    qsizetype remaining() const { return m_bytes.size() - m_position; }
    bool atEnd() const { return remaining() == 0; }

    template<typename T>
    std::optional<T> read()
    {
        static_assert(std::is_integral_v<T>);
        if (remaining() < qsizetype(sizeof(T)))
            return std::nullopt;
        const T value = qFromLittleEndian<T>(m_bytes.data() + m_position);
        m_position += qsizetype(sizeof(T));
        return value;
    }

    // The next count bytes, or nothing when fewer are left.
    std::optional<QByteArrayView> take(qsizetype count)
    {
        if (count < 0 || remaining() < count)
            return std::nullopt;
        const QByteArrayView bytes = m_bytes.sliced(m_position, count);
        m_position += count;
        return bytes;
    }

    // Everything not read yet.
    QByteArrayView rest()
    {
        const QByteArrayView bytes = m_bytes.sliced(m_position);
        m_position = m_bytes.size();
        return bytes;
    }

private:
    QByteArrayView m_bytes;
    qsizetype m_position = 0;
};
