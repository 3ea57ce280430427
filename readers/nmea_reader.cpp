#include "readers/nmea_reader.h"

#include <stdint.h>
#include <string.h>

#include "platform/file_io.h"
#include "readers/decimal_parser.h"
#include "readers/line_reader.h"

int NmeaTalkers = NmeaTalkersGp;

// The time field of the fix delivered last (any talker): a line's field always fits a line.
static char DeliveredTime[LineBufferSize];
static bool HaveDeliveredTime = false;

void ResetNmeaReader()
{
    HaveDeliveredTime = false;
}

// "$GPRMC," and any talker's "$ttRMC," are SentenceHeadLength characters; the time field
// follows. The walk to the comma before the status starts past the shortest time field
// taken, four characters (hhmm): a time of four characters or more is passed over whole,
// while a shorter one puts the start beyond its comma, on the status, and the walk's comma
// is the one after the status, so such a sentence is passed over for its status.
static const char GpsSentenceHead[] = "$GPRMC,";
static const char AnySentenceTail[] = "RMC,";
static const int SentenceHeadLength = sizeof GpsSentenceHead - 1;
static const int TalkerLength = 2;
static const int ShortestTimeField = 4;
static const int StatusSearchStart = SentenceHeadLength + ShortestTimeField;
// From the comma before a one-letter field (the status, a hemisphere) to the field after
// it: the comma, the letter and the comma after it.
static const int LetterFieldStep = 3;
// Whole degrees before the minutes: two digits of latitude, three of longitude.
static const int LatitudeDegreeDigits = 2;
static const int LongitudeDegreeDigits = 3;
// The fields between the longitude's hemisphere and the mode letter: speed, course, date,
// magnetic variation and its direction.
static const int FieldsBeforeMode = 5;

// Minutes to degrees: the double nearest 1/60, multiplied, never divided.
static const double DegreesPerMinute = 0.016666666666666666;

// Formatted input's white space: blank, tab, line feed, vertical tab, form feed, return.
static bool IsFormatSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

static int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Bytes below 32 and above 127 (negative as signed bytes) end a field walk.
static bool IsControl(char c)
{
    unsigned char byte = (unsigned char)c;
    return byte < 32 || byte > 127;
}

// "%x" without its overflow: white space, a sign, a 0x or 0X prefix, hexadecimal digits.
// Stores 0..255, or -1 for anything else (above 255, or nonzero after a minus sign), which
// no checksum equals. No number at all reads as 0.
static int ReadHexByte(const char *text)
{
    while (IsFormatSpace(*text)) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text += 2;
    int value = 0;
    bool tooLarge = false;
    for (int digit = HexDigitValue(*text); digit >= 0; digit = HexDigitValue(*++text)) {
        if (!tooLarge) value = value * 16 + digit;
        if (value > 255) tooLarge = true;
    }
    if (tooLarge || (negative && value != 0)) return -1;
    return value;
}

// "%2d" and "%3d": white space, then at most width characters, a sign included.
// 0 when no digit can be read.
static int ReadShortInt(const char *text, int width)
{
    while (IsFormatSpace(*text)) ++text;
    int used = 0;
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
        ++used;
    }
    int value = 0;
    for (; used < width && *text >= '0' && *text <= '9'; ++text, ++used) value = value * 10 + (*text - '0');
    return negative ? -value : value;
}

// count characters further on, stopping at the end of the text.
static const char *Advance(const char *text, int count)
{
    for (; count > 0 && *text != 0; --count) ++text;
    return text;
}

// The next comma at or after text, or 0 when a control character (the end included)
// comes first.
static const char *FindComma(const char *text)
{
    for (; *text != ','; ++text) {
        if (IsControl(*text)) return 0;
    }
    return text;
}

// The checksum test of a line that starts with "$", given its first "*" (0 when there is
// none) and the exclusive-or of the bytes before it, the "$" included.
static int ChecksumTest(const char *at, unsigned int sum)
{
    if (at == 0) return ChecksumNoStar;
    sum ^= (unsigned char)'$';
#ifndef WAYFOLD_PLAIN
    // Two hex digits and no third, as nearly every sentence has them: their value, which is
    // what "%x" reads there. Saves 5% of the NMEA reader's instructions (callgrind, 100,000
    // sentences; its time, 0.058 s for 1,000,000, moves within the timing's noise).
    int high = HexDigitValue(at[1]);
    int low = high < 0 ? -1 : HexDigitValue(at[2]);
    if (low >= 0 && HexDigitValue(at[3]) < 0) return high * 16 + low == (int)sum ? ChecksumRight : ChecksumDiffers;
#endif
    // The value after the "*", read as "%x" reads it; a 0 must be written as a 0.
    int value = ReadHexByte(at + 1);
    if (value == 0 && at[1] != '0') return ChecksumNoValue;
    return value == (int)sum ? ChecksumRight : ChecksumDiffers;
}

int CheckNmeaChecksum(const char *text)
{
    if (text[0] != '$') return ChecksumNoDollar;
    const char *at;
    unsigned int sum = ExclusiveOrBefore(text, (int)strlen(text), '*', &at);
    return ChecksumTest(at, sum);
}

// FindComma from the start of a number on.
static const char *FindCommaAfterNumber(const char *text, const char *numberEnd)
{
#ifndef WAYFOLD_PLAIN
    // Resumed where the number read from there ended: the number's own characters are
    // neither commas nor control characters, but the white space before it may be. Saves
    // 7% of the NMEA reader's instructions (callgrind, 100,000 sentences; its time, 0.058 s
    // for 1,000,000, moves within the timing's noise).
    for (; text < numberEnd && IsFormatSpace(*text); ++text)
        if (IsControl(*text)) return 0;
    return FindComma(numberEnd);
#else
    (void)numberEnd;
    return FindComma(text);
#endif
}

static bool IsCapital(char c)
{
    return c >= 'A' && c <= 'Z';
}

// The mode letter of NMEA 2.3 and later is the sixth field after the longitude's
// hemisphere (speed, course, date, variation and its direction come first); NMEA 4.10
// adds a field after it. Older sentences end before it.
static bool ModeSaysNoFix(const char *speed)
{
    const char *at = speed;
    for (int commas = 0; commas < FieldsBeforeMode; ++commas) {
        for (; *at != ','; ++at) {
            if (*at == '*' || *at == 0) return false;
        }
        ++at;
    }
    return at[0] == 'N' && (at[1] == ',' || at[1] == '*');
}

// The time field: from after "$ttRMC," to the next comma (there is one: the status follows).
static int TimeFieldLength(const char *line)
{
    const char *comma = FindComma(line + SentenceHeadLength);
    return comma == 0 ? 0 : (int)(comma - (line + SentenceHeadLength));
}

// Whether a line of length characters starts with any talker's RMC sentence head.
static bool IsAnyTalkerRmc(const char *line, int length)
{
    return length >= SentenceHeadLength && line[0] == '$' && IsCapital(line[1]) && IsCapital(line[2]) &&
           memcmp(line + 1 + TalkerLength, AnySentenceTail, SentenceHeadLength - 1 - TalkerLength) == 0;
}

// Whether a line of length characters starts with a counted talker's sentence head.
static bool TalkerCounts(const char *line, int length)
{
    if (NmeaTalkers == NmeaTalkersAny) return IsAnyTalkerRmc(line, length);
    return length >= SentenceHeadLength && memcmp(line, GpsSentenceHead, SentenceHeadLength) == 0;
}

int ReadNmeaPoint(TrackPoint *point)
{
    // The line, its first "*" and the exclusive-or of the bytes before it in one pass.
    const char *line;
    const char *star;
    unsigned int sum;
    int length = ReadLineInPlaceSum(InputFile, LineBuffer, LineLimit, &line, '*', &star, &sum);
    if (length == LineEndOfFile) return PointEndOfInput;
    // A counted talker's line starts with "$".
    if (!TalkerCounts(line, length)) return IsAnyTalkerRmc(line, length) ? NmeaSkipOtherTalker : NmeaSkipNotRmc;
    if (ChecksumTest(star, sum) != ChecksumRight) return NmeaSkipChecksum;

    // From inside the time field to the comma before the status.
    const char *comma = FindComma(line + (length < StatusSearchStart ? length : StatusSearchStart));
    if (comma == 0) return NmeaSkipLatitude;

    // Status: a single "A".
    if (comma[1] != 'A' || comma[2] != ',') return NmeaSkipNoFix;

    // Latitude: ddmm.mmm, then "N" or "S".
    const char *field = comma + LetterFieldStep;
    const char *numberEnd;
    const char *minutes = Advance(field, LatitudeDegreeDigits);
    point->Lat = ParseDecimalEnd(minutes, &numberEnd) * DegreesPerMinute + ReadShortInt(field, LatitudeDegreeDigits);
    comma = FindCommaAfterNumber(minutes, numberEnd);
    if (comma == 0) return NmeaSkipLatitude;
    if (comma[1] == 'S') {
        point->Lat = -point->Lat;
    } else if (comma[1] != 'N') {
        return NmeaSkipLatitude;
    }
    if (comma[2] != ',') return NmeaSkipLatitude;

    // Longitude: dddmm.mmm, then "E" or "W" and a comma.
    field = comma + LetterFieldStep;
    minutes = Advance(field, LongitudeDegreeDigits);
    point->Lon = ParseDecimalEnd(minutes, &numberEnd) * DegreesPerMinute + ReadShortInt(field, LongitudeDegreeDigits);
    comma = FindCommaAfterNumber(minutes, numberEnd);
    if (comma == 0) return NmeaSkipLongitude;
    if (comma[1] == 'W') {
        point->Lon = -point->Lon;
    } else if (comma[1] != 'E') {
        return NmeaSkipLongitude;
    }
    if (comma[2] != ',') return NmeaSkipLongitude;

    if (!LatitudeInRange(point->Lat)) return NmeaSkipLatitude;
    if (!LongitudeInRange(point->Lon)) return NmeaSkipLongitude;
    if (NmeaTalkers == NmeaTalkersAny) {
        if (ModeSaysNoFix(comma + LetterFieldStep)) return NmeaSkipModeNoFix;
        // One fix written under two talkers counts once.
        int timeLength = TimeFieldLength(line);
        if (HaveDeliveredTime && memcmp(DeliveredTime, line + SentenceHeadLength, timeLength) == 0 &&
            DeliveredTime[timeLength] == 0)
            return NmeaSkipRepeatedTime;
        memcpy(DeliveredTime, line + SentenceHeadLength, timeLength);
        DeliveredTime[timeLength] = 0;
        HaveDeliveredTime = true;
    }
    SetRadians(point);
    return PointDelivered;
}
