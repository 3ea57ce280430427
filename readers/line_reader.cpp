#include "readers/line_reader.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "common/wayfold_limits.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The file is read LineBlockSize bytes at a time into Block; Block[BlockNext..BlockEnd)
// are the bytes not yet handed out, all from BlockFile.
static unsigned char Block[LineBlockSize];
static int BlockNext = 0;
static int BlockEnd = 0;
static FILE *BlockFile = 0;

void ResetLineReader()
{
    BlockNext = 0;
    BlockEnd = 0;
    BlockFile = 0;
}

// The next block of the file; false at its end (or on a read error, which ends it too).
static bool RefillBlock(FILE *file)
{
    size_t got = fread(Block, 1, LineBlockSize, file);
    BlockNext = 0;
    BlockEnd = (int)got;
    return got > 0;
}

static bool IsLineEnd(unsigned char byte)
{
    return byte == 0 || byte == '\r' || byte == '\n';
}

// The first line end in [p, end), or end. Every line end lies at or below CR, so eight
// bytes at a time are tested for any byte below 14: the lowest flagged byte of a word is
// the first such byte (a borrow only runs towards higher bytes). Where the compiler can
// count trailing zeros of a little-endian word, that byte is found at once; elsewhere the
// word's bytes are looked at one by one.
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#define WAYFOLD_FIRST_FLAGGED_BYTE(flags) (__builtin_ctzll(flags) / 8)
#endif

static const unsigned char *FindLineEnd(const unsigned char *p, const unsigned char *end)
{
#if defined(WAYFOLD_FIRST_FLAGGED_BYTE) && defined(__SSE2__)
    // Sixteen bytes at a time where the processor has SSE2: each byte compared with the
    // three line ends, the first equal one taken from the mask of equal bytes.
    const __m128i nuls = _mm_setzero_si128();
    const __m128i returns = _mm_set1_epi8('\r');
    const __m128i feeds = _mm_set1_epi8('\n');
    while (end - p >= 16) {
        __m128i bytes = _mm_loadu_si128((const __m128i *)p);
        __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(bytes, nuls),
                                    _mm_or_si128(_mm_cmpeq_epi8(bytes, returns), _mm_cmpeq_epi8(bytes, feeds)));
        int mask = _mm_movemask_epi8(ends);
        if (mask != 0) return p + __builtin_ctz((unsigned)mask);
        p += 16;
    }
#endif
    while (end - p >= 8) {
        uint64_t word;
        memcpy(&word, p, sizeof word);
        uint64_t flags = (word - ByteOnes * 14) & ~word & ByteHighBits;
        if (flags == 0) {
            p += 8;
            continue;
        }
#ifdef WAYFOLD_FIRST_FLAGGED_BYTE
        p += WAYFOLD_FIRST_FLAGGED_BYTE(flags);
        if (IsLineEnd(*p)) return p;
        p++;
#else
        for (const unsigned char *stop = p + 8; p < stop; p++)
            if (IsLineEnd(*p)) return p;
#endif
    }
    for (; p < end; p++)
        if (IsLineEnd(*p)) return p;
    return end;
}

// A file other than the one the block came from starts afresh.
static void UseFile(FILE *file)
{
    if (file != BlockFile) {
        ResetLineReader();
        BlockFile = file;
    }
}

// The first byte equal to either wanted or other in [p, end), or end. Eight bytes at a
// time: a byte of the word exclusive-or a mark repeated is zero exactly where the mark is,
// and the lowest flagged byte is the first zero (a borrow only runs towards higher bytes).
static const unsigned char *FindEitherByte(const unsigned char *p, const unsigned char *end,
                                           unsigned char wanted, unsigned char other)
{
    const uint64_t marks = ByteOnes * wanted;
    const uint64_t others = ByteOnes * other;
    while (end - p >= 8) {
        uint64_t word;
        memcpy(&word, p, sizeof word);
        uint64_t a = word ^ marks;
        uint64_t b = word ^ others;
        uint64_t flags = ((a - ByteOnes) & ~a & ByteHighBits) | ((b - ByteOnes) & ~b & ByteHighBits);
        if (flags == 0) {
            p += 8;
            continue;
        }
#ifdef WAYFOLD_FIRST_FLAGGED_BYTE
        return p + WAYFOLD_FIRST_FLAGGED_BYTE(flags);
#else
        break;
#endif
    }
    while (p < end && *p != wanted && *p != other) p++;
    return p;
}

// The first byte equal to wanted in [p, end), or end.
static const unsigned char *FindByte(const unsigned char *p, const unsigned char *end,
                                     unsigned char wanted)
{
    // Tags often follow one another at once.
    if (p < end && *p == wanted) return p;
    return FindEitherByte(p, end, wanted, wanted);
}

bool SkipPastByte(FILE *file, char mark)
{
    UseFile(file);
    const unsigned char wanted = (unsigned char)mark;
    for (;;) {
        const unsigned char *end = Block + BlockEnd;
        const unsigned char *p = FindByte(Block + BlockNext, end, wanted);
        if (p < end) {
            BlockNext = (int)(p - Block) + 1;
            return true;
        }
        if (!RefillBlock(file)) return false;
    }
}

int ReadUpToByte(FILE *file, char mark, char *buffer, int limit)
{
    int count = 0;
    UseFile(file);
    const unsigned char wanted = (unsigned char)mark;
    for (;;) {
        const unsigned char *start = Block + BlockNext;
        const unsigned char *stop = Block + BlockEnd;
        if (stop - start > limit - count) stop = start + (limit - count);
        const unsigned char *p = FindByte(start, stop, wanted);
        memcpy(buffer + count, start, (size_t)(p - start));
        count += (int)(p - start);
        BlockNext = (int)(p - Block);
        if (p < stop) {
            BlockNext++;
            return count;
        }
        if (count == limit) return count;
        if (!RefillBlock(file)) return LineEndOfFile;
    }
}

// Passes over line ends and NULs, so empty lines never reach the caller; false at the end
// of the file.
static bool SkipLineEnds(FILE *file)
{
    for (;;) {
        int next = BlockNext;
        const int end = BlockEnd;
        while (next < end && IsLineEnd(Block[next])) next++;
        BlockNext = next;
        if (next < end) return true;
        if (!RefillBlock(file)) return false;
    }
}

// ReadLine from the first character of a line on, with the line's first byte at
// Block[BlockNext].
static int CollectLine(FILE *file, char *buffer, int limit)
{
    int count = 0;
    // Collect the line up to limit characters; the rest of a longer line, its line end
    // included, is dropped. A line the file ends without its line end is dropped.
    for (;;) {
        const unsigned char *start = Block + BlockNext;
        const unsigned char *lineEnd = FindLineEnd(start, Block + BlockEnd);
        int length = (int)(lineEnd - start);
        int take = length < limit - count ? length : limit - count;
        memcpy(buffer + count, start, (size_t)take);
        count += take;
        BlockNext = (int)(lineEnd - Block);
        if (BlockNext < BlockEnd) {
            BlockNext++;
            buffer[count] = 0;
            return count;
        }
        if (!RefillBlock(file)) {
            buffer[count] = 0;
            return LineEndOfFile;
        }
    }
}

// Decimal numbers. Up to FastDigits significant digits are exact in a double, and so are
// the powers of ten up to 1e22; one multiplication or division of two exact values is
// correctly rounded. Anything else goes to strtod as digits and an exponent without a
// decimal point, which no locale reads differently.
static const int FastDigits = 15;
static const int FastExponent = 22;
// Exponents beyond this give infinity or zero for any mantissa a buffer can hold.
static const int ExponentClamp = 100000;
// The longest text parsed is a GPX tag; its digits and an exponent fit here. Digits past
// NumberDigitsMax (only in longer texts) count for the exponent alone.
static const int NumberDigitsMax = TagBufferSize;
static char NumberText[NumberDigitsMax + 16];

static const double PowersOfTen[FastExponent + 1] = {
    1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22
};

static bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

static bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// ParseNumber past the usual number: p is the first character after the white space and
// the sign.
static double ParseGeneralNumber(const char *text, const char *p, bool negative, const char **end)
{
    uint64_t digits = 0;     // the first FastDigits significant digits, exact
    int significant = 0;     // all significant digits seen
    int digitCount = 0;      // all mantissa digits, zeros included
    int scale = 0;           // power of ten of the mantissa's last digit
    int exponent = 0;
    int stored = 0;
    const char *digitsStart;
    const char *digitsEnd;

    // Integer part, then fraction; leading zeros are not significant.
    digitsStart = p;
    for (; IsDigit(*p); p++, digitCount++) {
        if (significant == 0 && *p == '0') continue;
        if (significant < FastDigits) digits = digits * 10 + (uint64_t)(*p - '0');
        else scale++;
        significant++;
    }
    if (*p == '.') {
        for (p++; IsDigit(*p); p++, digitCount++) {
            if (significant == 0 && *p == '0') { scale--; continue; }
            if (significant < FastDigits) { digits = digits * 10 + (uint64_t)(*p - '0'); scale--; }
            significant++;
        }
    }
    // An integer below 10^FastDigits, so this is exact.
    double mantissa = (double)(int64_t)digits;
    // No digit at all: no number.
    if (digitCount == 0) {
        *end = text;
        return 0.0;
    }
    digitsEnd = p;
    *end = p;
    // An exponent counts only with at least one digit.
    if (*p == 'e' || *p == 'E') {
        const char *e = p + 1;
        bool exponentNegative = false;
        if (*e == '+' || *e == '-') exponentNegative = *e++ == '-';
        if (IsDigit(*e)) {
            for (; IsDigit(*e); e++)
                if (exponent < ExponentClamp) exponent = exponent * 10 + (*e - '0');
            if (exponentNegative) exponent = -exponent;
            *end = e;
        }
    }
    if (significant == 0) return negative ? -0.0 : 0.0;
    if (significant <= FastDigits) {
        int power = scale + exponent;
        if (power >= 0 && power <= FastExponent) {
            double value = mantissa * PowersOfTen[power];
            return negative ? -value : value;
        }
        if (power < 0 && power >= -FastExponent) {
            double value = mantissa / PowersOfTen[-power];
            return negative ? -value : value;
        }
    }
    // The slow road: every digit, then the exponent of the last one.
    {
        int point = -1;
        int position = 0;
        int dropped = 0;
        for (const char *d = digitsStart; d < digitsEnd; d++) {
            if (*d == '.') { point = position; continue; }
            position++;
            if (stored == 0 && *d == '0') continue;
            if (stored < NumberDigitsMax) NumberText[stored++] = *d;
            else dropped++;
        }
        if (point < 0) point = position;
        // The digits read as an integer: shift by the digits after the point.
        int digitExponent = exponent - (position - point) + dropped;
        NumberText[stored] = 0;
        snprintf(NumberText + stored, sizeof NumberText - stored, "e%d", digitExponent);
        double value = strtod(NumberText, 0);
        return negative ? -value : value;
    }
}

// ParseDecimal, and where its number ends: the character after the last one read.
static inline double ParseNumber(const char *text, const char **end)
{
    const char *p = text;
    bool negative = false;

    // White space, then an optional sign; every white space character lies at or below
    // the blank.
    while ((unsigned char)*p <= ' ' && IsSpace(*p)) p++;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    // The usual number: at most FastDigits digits in all, with or without a point, and no
    // exponent. The digits as one integer, over the power of ten of the fraction's length:
    // the same exact values ParseGeneralNumber divides.
    {
        const char *q = p;
        uint64_t whole = 0;
        unsigned digit;
        // Unsigned arithmetic: a long run of digits wraps, and goes the general road.
        while ((digit = (unsigned)(unsigned char)*q - '0') <= 9) {
            whole = whole * 10 + digit;
            q++;
        }
        int allDigits = (int)(q - p);
        int fractionDigits = 0;
        if (*q == '.') {
            const char *fraction = ++q;
            while ((digit = (unsigned)(unsigned char)*q - '0') <= 9) {
                whole = whole * 10 + digit;
                q++;
            }
            fractionDigits = (int)(q - fraction);
            allDigits += fractionDigits;
        }
        if (allDigits > 0 && allDigits <= FastDigits && *q != 'e' && *q != 'E') {
            *end = q;
            double value = (double)(int64_t)whole / PowersOfTen[fractionDigits];
            return negative ? -value : value;
        }
    }
    return ParseGeneralNumber(text, p, negative, end);
}

double ParseDecimal(const char *text)
{
    const char *end;
    return ParseNumber(text, &end);
}

double ParseDecimalEnd(const char *text, const char **end)
{
    return ParseNumber(text, end);
}

int ReadBetweenBytes(FILE *file, char open, char close, char key, char *buffer, int limit,
                     const char **text)
{
    UseFile(file);
    for (;;) {
        // SkipPastByte(open).
        const unsigned char *opening = FindByte(Block + BlockNext, Block + BlockEnd, (unsigned char)open);
        if (opening == Block + BlockEnd) {
            if (!RefillBlock(file)) return LineEndOfFile;
            continue;
        }
        BlockNext = (int)(opening - Block) + 1;
        // The close mark within the block and the limit: it becomes the text's terminator.
        unsigned char *start = Block + BlockNext;
        const unsigned char *stop = Block + BlockEnd;
        if (stop - start > limit) stop = start + limit;
        unsigned char *p = (unsigned char *)FindEitherByte(start, stop, (unsigned char)close,
                                                           (unsigned char)key);
        bool hasKey = p < stop && *p == (unsigned char)key;
        if (hasKey) p = (unsigned char *)FindByte(p, stop, (unsigned char)close);
        if (p < stop) {
            BlockNext = (int)(p - Block) + 1;
            // Without the key byte: passed over.
            if (!hasKey) continue;
            *p = 0;
            *text = (const char *)start;
            return (int)(p - start);
        }
        *text = buffer;
        int count = ReadUpToByte(file, close, buffer, limit);
        if (count != LineEndOfFile) buffer[count] = 0;
        return count;
    }
}

unsigned int ExclusiveOrBefore(const char *text, int length, char mark, const char **at)
{
    // Eight bytes at a time up to the word holding the first mark (a word holds one when
    // one of its bytes exclusive-or the mark is zero), then byte by byte up to it.
    const uint64_t marks = ByteOnes * (unsigned char)mark;
    const char *p = text;
    const char *end = text + length;
    uint64_t words = 0;
#if defined(WAYFOLD_FIRST_FLAGGED_BYTE) && defined(__SSE2__)
    // Sixteen bytes at a time up to the sixteen holding the first mark, where the processor
    // has SSE2; the words below take over from there.
    {
        const __m128i markBytes = _mm_set1_epi8(mark);
        __m128i sums = _mm_setzero_si128();
        while (end - p >= 16) {
            __m128i bytes = _mm_loadu_si128((const __m128i *)p);
            if (_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, markBytes)) != 0) break;
            sums = _mm_xor_si128(sums, bytes);
            p += 16;
        }
        uint64_t halves[2];
        memcpy(halves, &sums, sizeof halves);
        words = halves[0] ^ halves[1];
    }
#endif
    while (end - p >= 8) {
        uint64_t word;
        memcpy(&word, p, sizeof word);
        uint64_t other = word ^ marks;
        uint64_t flags = (other - ByteOnes) & ~other & ByteHighBits;
        if (flags != 0) {
#ifdef WAYFOLD_FIRST_FLAGGED_BYTE
            // The lowest flagged byte is the first mark; the bytes below it count.
            int before = WAYFOLD_FIRST_FLAGGED_BYTE(flags);
            words ^= word & ((uint64_t(1) << (8 * before)) - 1);
            p += before;
#endif
            break;
        }
        words ^= word;
        p += 8;
    }
    words ^= words >> 32;
    words ^= words >> 16;
    words ^= words >> 8;
    unsigned int sum = (unsigned int)(words & 0xFF);
    for (; p < end && *p != mark; ++p) sum ^= (unsigned char)*p;
    *at = p < end ? p : 0;
    return sum;
}

int ReadLineInPlaceSum(FILE *file, char *buffer, int limit, const char **line, char mark,
                       const char **at, unsigned int *sum)
{
#if defined(WAYFOLD_FIRST_FLAGGED_BYTE) && defined(__SSE2__)
    // FindLineEnd's sixteen bytes at a time, each also compared with the mark; the bytes
    // before the first mark are summed on the way.
    UseFile(file);
    if (!SkipLineEnds(file)) return LineEndOfFile;
    unsigned char *start = Block + BlockNext;
    const unsigned char *end = Block + BlockEnd;
    const __m128i nuls = _mm_setzero_si128();
    const __m128i returns = _mm_set1_epi8('\r');
    const __m128i feeds = _mm_set1_epi8('\n');
    const __m128i markBytes = _mm_set1_epi8(mark);
    const __m128i indices = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    __m128i sums = _mm_setzero_si128();
    const unsigned char *p = start;
    const unsigned char *markAt = 0;
    const unsigned char *lineEnd = 0;
    while (end - p >= 16) {
        __m128i bytes = _mm_loadu_si128((const __m128i *)p);
        __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(bytes, nuls),
                                    _mm_or_si128(_mm_cmpeq_epi8(bytes, returns), _mm_cmpeq_epi8(bytes, feeds)));
        int endMask = _mm_movemask_epi8(ends);
        int markMask = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, markBytes));
        if ((endMask | markMask) == 0) {
            sums = _mm_xor_si128(sums, bytes);
            p += 16;
            continue;
        }
        int endIndex = endMask != 0 ? __builtin_ctz((unsigned)endMask) : 16;
        int markIndex = markMask != 0 ? __builtin_ctz((unsigned)markMask) : 16;
        if (markIndex < endIndex) {
            // The bytes of these sixteen below the mark.
            __m128i below = _mm_cmpgt_epi8(_mm_set1_epi8((char)markIndex), indices);
            sums = _mm_xor_si128(sums, _mm_and_si128(bytes, below));
            markAt = p + markIndex;
            lineEnd = endIndex < 16 ? p + endIndex : FindLineEnd(p + 16, end);
        } else {
            lineEnd = p + endIndex;
        }
        break;
    }
    // A whole line of the block within the limit, as ReadLineInPlace takes it.
    if (lineEnd != 0 && lineEnd < end && lineEnd - start <= limit) {
        uint64_t halves[2];
        memcpy(halves, &sums, sizeof halves);
        uint64_t words = halves[0] ^ halves[1];
        words ^= words >> 32;
        words ^= words >> 16;
        words ^= words >> 8;
        *sum = (unsigned int)(words & 0xFF);
        *at = (const char *)markAt;
        start[lineEnd - start] = 0;
        BlockNext = (int)(lineEnd - Block) + 1;
        *line = (const char *)start;
        return (int)(lineEnd - start);
    }
#endif
    int length = ReadLineInPlace(file, buffer, limit, line);
    if (length != LineEndOfFile) *sum = ExclusiveOrBefore(*line, length, mark, at);
    return length;
}

int ReadLine(FILE *file, char *buffer, int limit)
{
    UseFile(file);
    if (!SkipLineEnds(file)) return LineEndOfFile;
    // A whole line of the block within the limit: one copy.
    const unsigned char *start = Block + BlockNext;
    const unsigned char *lineEnd;
#if defined(WAYFOLD_FIRST_FLAGGED_BYTE) && defined(__SSE2__)
    // FindLineEnd's sixteen bytes at a time, each stored in buffer at once while it fits.
    {
        const unsigned char *end = Block + BlockEnd;
        const unsigned char *p = start;
        const __m128i nuls = _mm_setzero_si128();
        const __m128i returns = _mm_set1_epi8('\r');
        const __m128i feeds = _mm_set1_epi8('\n');
        while (end - p >= 16 && (p - start) + 16 <= limit + 1) {
            __m128i bytes = _mm_loadu_si128((const __m128i *)p);
            __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(bytes, nuls),
                                        _mm_or_si128(_mm_cmpeq_epi8(bytes, returns), _mm_cmpeq_epi8(bytes, feeds)));
            _mm_storeu_si128((__m128i *)(buffer + (p - start)), bytes);
            int mask = _mm_movemask_epi8(ends);
            if (mask != 0) {
                int length = (int)(p - start) + __builtin_ctz((unsigned)mask);
                buffer[length] = 0;
                BlockNext += length + 1;
                return length;
            }
            p += 16;
        }
    }
#endif
    lineEnd = FindLineEnd(start, Block + BlockEnd);
    int length = (int)(lineEnd - start);
    if (lineEnd < Block + BlockEnd && length <= limit) {
        memcpy(buffer, start, (size_t)length);
        buffer[length] = 0;
        BlockNext += length + 1;
        return length;
    }
    return CollectLine(file, buffer, limit);
}

int ReadLineInPlace(FILE *file, char *buffer, int limit, const char **line)
{
    UseFile(file);
    if (!SkipLineEnds(file)) return LineEndOfFile;
    // A whole line of the block within the limit: its line end, read already, becomes its
    // terminator.
    unsigned char *start = Block + BlockNext;
    unsigned char *lineEnd = (unsigned char *)FindLineEnd(start, Block + BlockEnd);
    if (lineEnd < Block + BlockEnd && lineEnd - start <= limit) {
        *lineEnd = 0;
        BlockNext = (int)(lineEnd - Block) + 1;
        *line = (const char *)start;
        return (int)(lineEnd - start);
    }
    *line = buffer;
    return CollectLine(file, buffer, limit);
}
