// Binary integers to and from bytes in a stated order, whatever the machine's own order,
// and the signed value of a 32-bit pattern: MPS records, the kept numbers' file, DWORDs.
#ifndef WAYFOLD_BYTE_ORDER_H
#define WAYFOLD_BYTE_ORDER_H

#include <stdint.h>

// The unsigned 32-bit number stored little-endian in bytes[0..3]: bytes[0] lowest.
inline uint32_t Uint32FromLittleEndian(const unsigned char *bytes)
{
    return (uint32_t)bytes[0] | ((uint32_t)bytes[1] << 8) | ((uint32_t)bytes[2] << 16) | ((uint32_t)bytes[3] << 24);
}

// value stored little-endian in bytes[0..3].
inline void Uint32ToLittleEndian(uint32_t value, unsigned char *bytes)
{
    bytes[0] = (unsigned char)(value & 0xFF);
    bytes[1] = (unsigned char)((value >> 8) & 0xFF);
    bytes[2] = (unsigned char)((value >> 16) & 0xFF);
    bytes[3] = (unsigned char)((value >> 24) & 0xFF);
}

// Two's complement without an out-of-range conversion: the signed 32-bit number with the
// same bits as pattern (all bits set is -1).
inline int32_t SignedFromBits(uint32_t pattern)
{
    if (pattern <= 0x7FFFFFFFu) return (int32_t)pattern;
    return -(int32_t)(0xFFFFFFFFu - pattern) - 1;
}

#endif
