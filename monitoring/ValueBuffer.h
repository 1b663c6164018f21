#pragma once

#include "Dimensions.h"

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <span>

namespace monitoring {

// The elements of a variable as the board lays them out: count × element size bytes.
class ValueBuffer
{
public:
    ValueBuffer() = default;
    // Copies element size × count bytes of bytes; bytes it is short of read as 0.
    ValueBuffer(QByteArrayView bytes, int32_t elementSize, Dimensions dimensions);
    ValueBuffer(const ValueBuffer &) = default;
    ValueBuffer &operator=(const ValueBuffer &) = default;
    // The source is left empty.
    ValueBuffer(ValueBuffer &&other) noexcept;
    ValueBuffer &operator=(ValueBuffer &&other) noexcept;

    int32_t elementSize() const { return m_elementSize; }
    int32_t count() const { return m_dimensions.count(); }
    const QByteArray &bytes() const { return m_bytes; }
    const Dimensions &dimensions() const { return m_dimensions; }
    bool contains(int64_t index) const { return index >= 0 && index < count(); }
    // The bytes of element index; empty for an index outside the buffer.
    std::span<const uint8_t> element(int64_t index) const;
    std::span<uint8_t> element(int64_t index);

    friend bool operator==(const ValueBuffer &, const ValueBuffer &) = default;

private:
    int32_t m_elementSize = 0;
    QByteArray m_bytes;
    Dimensions m_dimensions;
};

} // namespace monitoring
