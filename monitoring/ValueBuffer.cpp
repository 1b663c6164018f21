#include "ValueBuffer.h"

#include <cstring>

namespace monitoring {

ValueBuffer::ValueBuffer(QByteArrayView bytes, int32_t elementSize, Dimensions dimensions)
    : m_elementSize(elementSize)
    , m_dimensions(std::move(dimensions))
{
    const qsizetype size = qsizetype(std::max(elementSize, 0)) * std::max(m_dimensions.count(), 0);
    m_bytes = QByteArray(size, '\0');
    std::memcpy(m_bytes.data(), bytes.data(), size_t(std::min(size, bytes.size())));
}

ValueBuffer::ValueBuffer(ValueBuffer &&other) noexcept
    : m_elementSize(std::exchange(other.m_elementSize, 0))
    , m_bytes(std::exchange(other.m_bytes, {}))
    , m_dimensions(std::exchange(other.m_dimensions, {}))
{
}

ValueBuffer &ValueBuffer::operator=(ValueBuffer &&other) noexcept
{
    m_elementSize = std::exchange(other.m_elementSize, 0);
    m_bytes = std::exchange(other.m_bytes, {});
    m_dimensions = std::exchange(other.m_dimensions, {});
    return *this;
}

std::span<const uint8_t> ValueBuffer::element(int64_t index) const
{
    if (!contains(index) || m_elementSize <= 0)
        return {};
    return {reinterpret_cast<const uint8_t *>(m_bytes.constData()) + index * m_elementSize, size_t(m_elementSize)};
}

std::span<uint8_t> ValueBuffer::element(int64_t index)
{
    if (!contains(index) || m_elementSize <= 0)
        return {};
    return {reinterpret_cast<uint8_t *>(m_bytes.data()) + index * m_elementSize, size_t(m_elementSize)};
}

} // namespace monitoring
