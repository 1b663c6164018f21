#pragma once

#include "IDataType.h"

#include <QtEndian>

#include <bit>
#include <cmath>
#include <concepts>
#include <cstring>
#include <limits>
#include <type_traits>

// Reading and writing one scalar of an element, and the conversions between double and
// integers that never leave the integer's range (a plain cast would be undefined for
// NaN, infinities and values beyond the range).
namespace monitoring::codec {

template<std::size_t Bytes>
using UnsignedOfSize =
    std::conditional_t<Bytes == 1, uint8_t,
                       std::conditional_t<Bytes == 2, uint16_t, std::conditional_t<Bytes == 4, uint32_t, uint64_t>>>;

template<typename T>
T load(const uint8_t *bytes)
{
    using Word = UnsignedOfSize<sizeof(T)>;
    Word word;
    std::memcpy(&word, bytes, sizeof word);
    return std::bit_cast<T>(qFromLittleEndian(word));
}

template<typename T>
void store(T value, uint8_t *bytes)
{
    using Word = UnsignedOfSize<sizeof(T)>;
    const Word word = qToLittleEndian(std::bit_cast<Word>(value));
    std::memcpy(bytes, &word, sizeof word);
}

// x truncated toward zero into I, saturated at I's bounds; NaN gives 0.
template<std::integral I>
I truncateSaturated(double x)
{
    if (std::isnan(x))
        return 0;
    // 2^digits is exact in double and is the first value above I's maximum.
    constexpr double upper = [] {
        double power = 1;
        for (int bit = 0; bit < std::numeric_limits<I>::digits; ++bit)
            power *= 2;
        return power;
    }();
    if (x >= upper)
        return std::numeric_limits<I>::max();
    if (x <= double(std::numeric_limits<I>::min()))
        return std::numeric_limits<I>::min();
    return static_cast<I>(x);
}

// A double narrowed to single precision, rounding to nearest; values beyond the
// single range become an infinity of their sign.
inline float toSingle(double x)
{
    if (std::isfinite(x) && std::fabs(x) > double(std::numeric_limits<float>::max()))
        return x > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
    return static_cast<float>(x);
}

} // namespace monitoring::codec
