#pragma once

#include <cstdint>
#include <cstring>

// Little-endian fields from a byte buffer whose length the caller has checked.
namespace logfile::le {

inline std::uint16_t u16(const std::uint8_t *p)
{
    return std::uint16_t(p[0] | (p[1] << 8));
}

inline std::uint32_t u32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

inline std::uint64_t u64(const std::uint8_t *p)
{
    return u32(p) | (std::uint64_t(u32(p + 4)) << 32);
}

inline float f32(const std::uint8_t *p)
{
    const std::uint32_t bits = u32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline double f64(const std::uint8_t *p)
{
    const std::uint64_t bits = u64(p);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace logfile::le
