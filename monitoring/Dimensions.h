#pragma once

#include <QList>

#include <cstdint>

namespace monitoring {

// The shape of a variable: its sizes, how its elements are laid out in memory, and
// the strides (in elements) that turn an element's position into its place.
class Dimensions
{
public:
    enum LayoutKind : uint8_t {
        Scalar = 0,
        Vector = 1,
        RowMajor = 2,
        ColumnMajor = 3,
        MultiDimensional = 4,
    };

    Dimensions() = default;
    Dimensions(uint8_t layoutKind, QList<uint16_t> sizes);

    // The product of the sizes (1 without sizes).
    int32_t count() const { return m_count; }
    uint8_t layoutKind() const { return m_layoutKind; }
    const QList<uint16_t> &sizes() const { return m_sizes; }
    const QList<int32_t> &strides() const { return m_strides; }

    friend bool operator==(const Dimensions &, const Dimensions &) = default;

private:
    int32_t m_count = 0;
    uint8_t m_layoutKind = Scalar;
    QList<uint16_t> m_sizes;
    QList<int32_t> m_strides;
};

} // namespace monitoring
