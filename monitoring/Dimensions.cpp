#include "Dimensions.h"

#include <algorithm>
#include <limits>

namespace monitoring {

Dimensions::Dimensions(uint8_t layoutKind, QList<uint16_t> sizes)
    : m_count(1)
    , m_layoutKind(layoutKind)
    , m_sizes(std::move(sizes))
    , m_strides(m_sizes.size(), 0)
{
    int64_t count = 1;
    for (const uint16_t size : m_sizes)
        count = std::min<int64_t>(count * size, std::numeric_limits<int32_t>::max());
    m_count = int32_t(count);
    // A matrix layout given a single size is read as a column (the missing size 1),
    // and only as many strides are kept as there are sizes.
    const auto size = [this](qsizetype i) { return i < m_sizes.size() ? int32_t(m_sizes[i]) : 1; };
    switch (m_layoutKind) {
    case Vector:
        if (!m_strides.isEmpty())
            m_strides[0] = 1;
        break;
    case RowMajor:
        if (m_strides.size() > 0)
            m_strides[0] = size(1);
        if (m_strides.size() > 1)
            m_strides[1] = 1;
        break;
    case ColumnMajor:
        if (m_strides.size() > 0)
            m_strides[0] = 1;
        if (m_strides.size() > 1)
            m_strides[1] = size(0);
        break;
    case MultiDimensional:
        for (qsizetype i = 0; i < m_strides.size(); ++i)
            m_strides[i] = i == 0 ? 1 : size(i - 1) * m_strides[i - 1];
        break;
    default:
        break;
    }
}

} // namespace monitoring
