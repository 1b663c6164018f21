#pragma once

#include "ElementCodec.h"
#include "IDataType.h"

#include <concepts>

namespace monitoring {

// An integer raw value r of storage T standing for r × slope + bias, with the raw range
// of the word length (which may be narrower than T).
template<std::integral T>
struct FixedPointScaling
{
    double slope = 1;
    double bias = 0;
    T rawMinimum = 0;
    T rawMaximum = 0;

    double toDouble(const uint8_t *bytes) const { return double(codec::load<T>(bytes)) * slope + bias; }

    // The raw value nearest to x, clamped to the raw range; NaN and infinite quotients
    // (also from a zero slope) write 0. Rounding to nearest keeps a typed 0.3 at slope
    // 0.1 from landing one step low because of the quotient's binary error.
    void fromDouble(double x, uint8_t *bytes) const
    {
        const double quotient = std::nearbyint((x - bias) / slope);
        T raw = 0;
        if (std::isfinite(quotient)) {
            if (quotient <= double(rawMinimum))
                raw = rawMinimum;
            else if (quotient >= double(rawMaximum)) // also where rawMaximum rounds up in double
                raw = rawMaximum;
            else
                raw = static_cast<T>(quotient);
        }
        codec::store(raw, bytes);
    }

    double minDouble() const { return double(rawMinimum) * slope + bias; }
    double maxDouble() const { return double(rawMaximum) * slope + bias; }
};

// A fixed-point element.
template<std::integral T>
class FixedPointDataType final : public IDataType
{
public:
    FixedPointDataType(DataTypeIdentity identity, FixedPointScaling<T> scaling)
        : IDataType(std::move(identity))
        , m_scaling(scaling)
    {
    }

    double toDouble(ElementBytes element) const override { return m_scaling.toDouble(element.data()); }
    void fromDouble(double value, MutableElementBytes element) const override
    {
        m_scaling.fromDouble(value, element.data());
    }
    int64_t toInt64(ElementBytes element) const override
    {
        return codec::truncateSaturated<int64_t>(toDouble(element));
    }
    void fromInt64(int64_t value, MutableElementBytes element) const override { fromDouble(double(value), element); }
    uint16_t size() const override { return sizeof(T); }
    bool isInteger() const override { return false; }
    double minDouble() const override { return m_scaling.minDouble(); }
    double maxDouble() const override { return m_scaling.maxDouble(); }
    int64_t minInt64() const override { return codec::truncateSaturated<int64_t>(minDouble()); }
    int64_t maxInt64() const override { return codec::truncateSaturated<int64_t>(maxDouble()); }

    const FixedPointScaling<T> &scaling() const { return m_scaling; }

private:
    FixedPointScaling<T> m_scaling;
};

// A complex fixed-point element: two raw values of T, each scaled alike.
template<std::integral T>
class ComplexFixedPointDataType final : public IComplexDataType
{
    static constexpr std::size_t ImagOffset = sizeof(T);

public:
    ComplexFixedPointDataType(DataTypeIdentity identity, FixedPointScaling<T> scaling)
        : IComplexDataType(std::move(identity))
        , m_scaling(scaling)
    {
    }

    double toDouble(ElementBytes element) const override
    {
        return std::hypot(realToDouble(element), imagToDouble(element));
    }
    int64_t toInt64(ElementBytes element) const override
    {
        return codec::truncateSaturated<int64_t>(toDouble(element));
    }
    double realToDouble(ElementBytes element) const override { return m_scaling.toDouble(element.data()); }
    double imagToDouble(ElementBytes element) const override { return m_scaling.toDouble(element.data() + ImagOffset); }
    void fromComplexDouble(double real, double imag, MutableElementBytes element) const override
    {
        m_scaling.fromDouble(real, element.data());
        m_scaling.fromDouble(imag, element.data() + ImagOffset);
    }
    int64_t realToInt64(ElementBytes element) const override
    {
        return codec::truncateSaturated<int64_t>(realToDouble(element));
    }
    int64_t imagToInt64(ElementBytes element) const override
    {
        return codec::truncateSaturated<int64_t>(imagToDouble(element));
    }
    void fromComplexInt64(int64_t real, int64_t imag, MutableElementBytes element) const override
    {
        fromComplexDouble(double(real), double(imag), element);
    }
    uint16_t size() const override { return 2 * sizeof(T); }
    bool isInteger() const override { return false; }
    double minDouble() const override { return m_scaling.minDouble(); }
    double maxDouble() const override { return m_scaling.maxDouble(); }
    int64_t minInt64() const override { return codec::truncateSaturated<int64_t>(minDouble()); }
    int64_t maxInt64() const override { return codec::truncateSaturated<int64_t>(maxDouble()); }

    const FixedPointScaling<T> &scaling() const { return m_scaling; }

private:
    FixedPointScaling<T> m_scaling;
};

} // namespace monitoring
