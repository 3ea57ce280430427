#include "conversion/record_format.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "common/wayfold_limits.h"

// A double is m * 2^e with a 53-bit integer m. Its six-decimal text is the integer
// nearest to m * 10^6 * 2^e, found exactly with integer arithmetic: 10^6 = 5^6 * 2^6, and
// m * 5^6 needs at most 67 bits, held in two 64-bit halves.
static const uint32_t FivePowerSix = 15625;
static const int ExponentBias = 1075;           // biased exponent less this is e
static const int MantissaBits = 52;
// Values below 2^-21 (< 0.00000048) round to zero; from 2^33 on, or inf or NaN, the
// C library formats the record. Between them the rounded value stays below 2^53.
static const int SmallestBiased = 1023 - 21;
static const int LargestBiased = 1023 + 32;
static const uint32_t Million = 1000000;
// Characters of one value at most: a sign, 10 integer digits (below 2^33), the point and
// six decimals.
static const int ValueTextMax = 18;
// The record's parts around the number and the two values: "W,RW", ",", ",", ",0\r\n",
// and at most 10 digits of the number.
WAYFOLD_LIMIT_CHECK(FastRecordFits, 4 + 10 + 1 + ValueTextMax + 1 + ValueTextMax + 4 < RecordTextSize);

// The value scaled by 10^6 and rounded, with its sign; false outside the exact range.
static bool ScaledMicros(double value, bool *negative, uint64_t *micros)
{
    uint64_t bits;
    memcpy(&bits, &value, sizeof bits);
    *negative = (bits >> 63) != 0;
    int biased = (int)((bits >> MantissaBits) & 0x7FF);
    if (biased < SmallestBiased) {
        *micros = 0;
        return true;
    }
    if (biased > LargestBiased) return false;
    uint64_t mantissa = (bits & (((uint64_t)1 << MantissaBits) - 1)) | ((uint64_t)1 << MantissaBits);
    // m * 5^6 as high:low; then shift right by s = -(e + 6), 14..67 here.
    uint64_t lowPart = (mantissa & 0xFFFFFFFFu) * FivePowerSix;
    uint64_t highPart = (mantissa >> 32) * FivePowerSix;
    uint64_t low = lowPart + (highPart << 32);
    uint64_t high = (highPart >> 32) + (low < lowPart ? 1 : 0);
    int shift = ExponentBias - biased - 6;
    uint64_t whole;
    bool above;   // the dropped bits exceed one half
    bool half;    // the dropped bits are exactly one half
    if (shift < 64) {
        whole = (low >> shift) | (high << (64 - shift));
        uint64_t rest = low & ((((uint64_t)1) << shift) - 1);
        uint64_t halfBit = (uint64_t)1 << (shift - 1);
        above = rest > halfBit;
        half = rest == halfBit;
    } else {
        int highShift = shift - 64;
        whole = highShift == 0 ? high : high >> highShift;
        uint64_t restHigh = highShift == 0 ? 0 : high & ((((uint64_t)1) << highShift) - 1);
        uint64_t halfHigh = highShift == 0 ? 0 : (uint64_t)1 << (highShift - 1);
        uint64_t halfLow = highShift == 0 ? (uint64_t)1 << 63 : 0;
        above = restHigh > halfHigh || (restHigh == halfHigh && low > halfLow);
        half = restHigh == halfHigh && low == halfLow;
    }
    if (above || (half && (whole & 1) != 0)) whole++;
    *micros = whole;
    return true;
}

// Writes the decimal digits of value ending just before end; returns where they begin.
static char *DigitsBefore(char *end, uint64_t value)
{
    do {
        *--end = (char)('0' + (int)(value % 10));
        value /= 10;
    } while (value != 0);
    return end;
}

// One value, right-aligned in width, at text; returns the characters written.
static int PutValue(char *text, int width, bool negative, uint64_t micros)
{
    char digits[ValueTextMax];
    char *end = digits + ValueTextMax;
    uint32_t fraction = (uint32_t)(micros % Million);
    for (int i = 0; i < 6; i++) {
        *--end = (char)('0' + (int)(fraction % 10));
        fraction /= 10;
    }
    *--end = '.';
    char *start = DigitsBefore(end, micros / Million);
    if (negative) *--start = '-';
    int length = (int)(digits + ValueTextMax - start);
    int pad = width > length ? width - length : 0;
    memset(text, ' ', (size_t)pad);
    memcpy(text + pad, start, (size_t)length);
    return pad + length;
}

int FormatWaypointRecord(char *text, int capacity, int number, double lat, double lon)
{
    bool latNegative;
    bool lonNegative;
    uint64_t latMicros;
    uint64_t lonMicros;
    if (number < 0 || capacity < RecordTextSize || !ScaledMicros(lat, &latNegative, &latMicros) ||
        !ScaledMicros(lon, &lonNegative, &lonMicros))
        return snprintf(text, (size_t)capacity, "W,RW%06d,%10.6f,%11.6f,0\r\n", number, lat, lon);
    char *p = text;
    memcpy(p, "W,RW", 4);
    p += 4;
    // The number, zero-padded to six digits.
    char digits[10];
    char *start = DigitsBefore(digits + sizeof digits, (uint64_t)number);
    while (start > digits + sizeof digits - 6) *--start = '0';
    memcpy(p, start, (size_t)(digits + sizeof digits - start));
    p += digits + sizeof digits - start;
    *p++ = ',';
    p += PutValue(p, 10, latNegative, latMicros);
    *p++ = ',';
    p += PutValue(p, 11, lonNegative, lonMicros);
    memcpy(p, ",0\r\n", 5);
    return (int)(p + 4 - text);
}
