#pragma once

#include "ElementCodec.h"
#include "IDataType.h"

#include <algorithm>
#include <limits>

namespace monitoring {

// The board's built-in data-type ids.
enum BuiltInTypeId : uint8_t {
    DoubleTypeId = 0,
    SingleTypeId = 1,
    Int8TypeId = 2,
    UInt8TypeId = 3,
    Int16TypeId = 4,
    UInt16TypeId = 5,
    Int32TypeId = 6,
    UInt32TypeId = 7,
    BooleanTypeId = 8,
    LastBuiltInTypeId = BooleanTypeId,
};

// The storage and the value range of one built-in type. The boolean is a byte limited
// to 0 and 1 when written; a byte read back is returned as it is.
template<typename T, uint8_t Id>
struct BuiltInScalar
{
    using Storage = T;
    static constexpr bool integer = std::numeric_limits<T>::is_integer;
    static constexpr double minDouble = Id == BooleanTypeId ? 0.0 : double(std::numeric_limits<T>::lowest());
    static constexpr double maxDouble = Id == BooleanTypeId ? 1.0 : double(std::numeric_limits<T>::max());
    static constexpr int64_t minInt64 = integer ? int64_t(minDouble) : std::numeric_limits<int64_t>::min();
    static constexpr int64_t maxInt64 = integer ? int64_t(maxDouble) : std::numeric_limits<int64_t>::max();

    static double toDouble(const uint8_t *bytes) { return double(codec::load<T>(bytes)); }

    static int64_t toInt64(const uint8_t *bytes)
    {
        if constexpr (integer)
            return int64_t(codec::load<T>(bytes));
        else
            return codec::truncateSaturated<int64_t>(double(codec::load<T>(bytes)));
    }

    // Clamped into the range, then truncated toward zero (integers) or rounded to the
    // nearest single. NaN stays NaN in the floating types and writes 0 into integers.
    static void fromDoubleClamped(double x, uint8_t *bytes)
    {
        if (std::isnan(x)) {
            codec::store(T(integer ? 0 : std::numeric_limits<T>::quiet_NaN()), bytes);
            return;
        }
        const double clamped = minDouble > x ? minDouble : std::min(maxDouble, x);
        if constexpr (std::is_same_v<T, float>)
            codec::store(codec::toSingle(clamped), bytes);
        else
            codec::store(static_cast<T>(clamped), bytes);
    }

    // Integers keep the value's low-order bytes; floating types round to nearest.
    static void fromInt64(int64_t v, uint8_t *bytes) { codec::store(static_cast<T>(v), bytes); }

    // A complex part: no clamping. Integer parts go through a 32-bit integer (64-bit
    // for the unsigned 32-bit part) and keep its low-order bytes; out-of-range values
    // saturate that integer first instead of being undefined.
    static void fromDoubleUnclamped(double x, uint8_t *bytes)
    {
        if constexpr (std::is_same_v<T, float>)
            codec::store(codec::toSingle(x), bytes);
        else if constexpr (std::is_same_v<T, double>)
            codec::store(x, bytes);
        else if constexpr (std::is_same_v<T, uint32_t>)
            codec::store(static_cast<T>(codec::truncateSaturated<int64_t>(x)), bytes);
        else
            codec::store(static_cast<T>(codec::truncateSaturated<int32_t>(x)), bytes);
    }
};

// A double, single, integer or boolean element.
template<typename T, uint8_t Id>
class BasicSlDataType final : public IDataType
{
    using Scalar = BuiltInScalar<T, Id>;

public:
    explicit BasicSlDataType(DataTypeIdentity identity)
        : IDataType(std::move(identity))
    {
    }

    double toDouble(ElementBytes element) const override { return Scalar::toDouble(element.data()); }
    void fromDouble(double value, MutableElementBytes element) const override
    {
        Scalar::fromDoubleClamped(value, element.data());
    }
    int64_t toInt64(ElementBytes element) const override { return Scalar::toInt64(element.data()); }
    void fromInt64(int64_t value, MutableElementBytes element) const override
    {
        Scalar::fromInt64(value, element.data());
    }
    uint16_t size() const override { return sizeof(T); }
    bool isInteger() const override { return Scalar::integer; }
    double minDouble() const override { return Scalar::minDouble; }
    double maxDouble() const override { return Scalar::maxDouble; }
    int64_t minInt64() const override { return Scalar::minInt64; }
    int64_t maxInt64() const override { return Scalar::maxInt64; }
};

// A complex element of a built-in part type: the real part, then the imaginary part.
template<typename T, uint8_t Id>
class BasicComplexSlDataType final : public IComplexDataType
{
    using Scalar = BuiltInScalar<T, Id>;
    static constexpr std::size_t ImagOffset = sizeof(T);

public:
    explicit BasicComplexSlDataType(DataTypeIdentity identity)
        : IComplexDataType(std::move(identity))
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
    double realToDouble(ElementBytes element) const override { return Scalar::toDouble(element.data()); }
    double imagToDouble(ElementBytes element) const override { return Scalar::toDouble(element.data() + ImagOffset); }
    void fromComplexDouble(double real, double imag, MutableElementBytes element) const override
    {
        Scalar::fromDoubleUnclamped(real, element.data());
        Scalar::fromDoubleUnclamped(imag, element.data() + ImagOffset);
    }
    int64_t realToInt64(ElementBytes element) const override { return Scalar::toInt64(element.data()); }
    int64_t imagToInt64(ElementBytes element) const override { return Scalar::toInt64(element.data() + ImagOffset); }
    void fromComplexInt64(int64_t real, int64_t imag, MutableElementBytes element) const override
    {
        Scalar::fromInt64(real, element.data());
        Scalar::fromInt64(imag, element.data() + ImagOffset);
    }
    uint16_t size() const override { return 2 * sizeof(T); }
    bool isInteger() const override { return Scalar::integer; }
    double minDouble() const override { return Scalar::minDouble; }
    double maxDouble() const override { return Scalar::maxDouble; }
    int64_t minInt64() const override { return Scalar::minInt64; }
    int64_t maxInt64() const override { return Scalar::maxInt64; }
};

} // namespace monitoring
