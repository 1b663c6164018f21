#include "BoardCrc.h"

uint32_t boardCrc32(QByteArrayView data, uint32_t start)
{
    uint32_t crc = start;
    for (const char c : data) {
        crc ^= uint32_t(uint8_t(c)) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}
