#include "ReferenceCrc.h"

uint32_t referenceCrc32Mpeg2(QByteArrayView bytes)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= uint32_t(uint8_t(byte)) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}
