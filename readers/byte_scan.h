// Searches of memory for the first of a few byte values, and the exclusive-or of the bytes
// passed on the way: the line reader's line ends and marks, the GPX reader's names. Inline,
// so each caller's search is compiled into it with its own values.
#ifndef WAYFOLD_BYTE_SCAN_H
#define WAYFOLD_BYTE_SCAN_H

#include <stdint.h>
#include <string.h>

// Lines end at NUL, CR and LF.
inline bool IsLineEnd(unsigned char byte)
{
    return byte == 0 || byte == '\r' || byte == '\n';
}

// The plain form is a byte loop. Unless the build asks for the plain form of every speed-up
// (WAYFOLD_PLAIN), wide steps go in front of it: eight bytes at a time where GCC or Clang
// count trailing zeros of a little-endian word, and before those sixteen at a time where the
// processor also has SSE2. A wide step passes over a whole step only when none of its bytes
// is one looked for, xoring them into the sum as the byte loop would; in a step that holds
// one, the lowest such byte is the first, and the bytes below it are the ones the byte loop
// would still have summed. So every form finds the same byte and the same sum.
#if !defined(WAYFOLD_PLAIN) && defined(__GNUC__) && defined(__BYTE_ORDER__) && \
    __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#define WAYFOLD_SCAN_WORDS
#if defined(__SSE2__)
#define WAYFOLD_SCAN_SSE2
#include <emmintrin.h>
#endif
#endif

#ifdef WAYFOLD_SCAN_WORDS
// 0x01 and 0x80 in every byte of a 64-bit word, made of 32-bit halves (C++03 has no
// 64-bit literal).
const uint64_t ByteOnes = ((uint64_t)0x01010101u << 32) | 0x01010101u;
const uint64_t ByteHighBits = ((uint64_t)0x80808080u << 32) | 0x80808080u;

// The high bit set in the lowest zero byte of word (and perhaps in higher bytes, where a
// borrow ran into them), none when no byte is zero: a borrow only runs towards higher bytes.
inline uint64_t ZeroBytes(uint64_t word)
{
    return (word - ByteOnes) & ~word & ByteHighBits;
}

// The word's bytes xored down into its lowest byte.
inline unsigned int FoldWord(uint64_t word)
{
    word ^= word >> 32;
    word ^= word >> 16;
    word ^= word >> 8;
    return (unsigned int)(word & 0xFF);
}

#ifdef WAYFOLD_SCAN_SSE2
// The sixteen bytes' exclusive-or in the low byte.
inline unsigned int FoldChunk(__m128i chunk)
{
    uint64_t halves[2];
    memcpy(halves, &chunk, sizeof halves);
    return FoldWord(halves[0] ^ halves[1]);
}
#endif
#endif

// The one search: the first byte in [p, end) equal to a, b, c or d, or end, and in sum (when
// not 0) the exclusive-or of the bytes before it; sixteen bytes at a time only when lines
// says so. Each search below calls it with its own values, and the compiler makes each its
// own copy, comparing with as many values as differ.
#if defined(__GNUC__)
__attribute__((always_inline))
#endif
inline const unsigned char *FindFirstOf(const unsigned char *p, const unsigned char *end, unsigned char a,
                                        unsigned char b, unsigned char c, unsigned char d, unsigned int *sum,
                                        bool lines)
{
    unsigned int bytes = 0;
#ifndef WAYFOLD_SCAN_SSE2
    (void)lines;
#endif
#ifdef WAYFOLD_SCAN_WORDS
    uint64_t words = 0;
#ifdef WAYFOLD_SCAN_SSE2
    // Sixteen bytes at a time: each compared with the four values, the first equal one taken
    // from the mask of equal bytes. Saves a fifth of the PLT and NMEA readers' time beside
    // the words alone (processor time for 1,000,000 points in bench/read_track built as
    // released: PLT 0.032 s against 0.039 s, NMEA 0.049 s against 0.060 s). Only for lines:
    // GPX tags and names are short, and there the step's setup costs more than it saves (the
    // GPX reader took 0.124 s with it against 0.113 s without).
    if (lines && end - p >= 16) {
        const __m128i as = _mm_set1_epi8((char)a);
        const __m128i bs = _mm_set1_epi8((char)b);
        const __m128i cs = _mm_set1_epi8((char)c);
        const __m128i ds = _mm_set1_epi8((char)d);
        __m128i sums = _mm_setzero_si128();
        do {
            __m128i chunk = _mm_loadu_si128((const __m128i *)p);
            __m128i equal = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, as), _mm_cmpeq_epi8(chunk, bs)),
                                         _mm_or_si128(_mm_cmpeq_epi8(chunk, cs), _mm_cmpeq_epi8(chunk, ds)));
            int mask = _mm_movemask_epi8(equal);
            if (mask != 0) {
                int before = __builtin_ctz((unsigned)mask);
                if (sum != 0) {
                    // The chunk's bytes below the one found.
                    const __m128i indices = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
                    sums = _mm_xor_si128(sums, _mm_and_si128(chunk, _mm_cmpgt_epi8(_mm_set1_epi8((char)before), indices)));
                    *sum = FoldChunk(sums);
                }
                return p + before;
            }
            sums = _mm_xor_si128(sums, chunk);
            p += 16;
        } while (end - p >= 16);
        words = FoldChunk(sums);
    }
#endif
    // Eight bytes at a time: a byte of the word xor a value repeated is zero exactly where
    // the value is, and the lowest flagged byte is the first (a borrow only runs upwards).
    // Saves a fifth of the readers' time beside the byte loop (PLT 0.046 s
    // against 0.057 s, GPX 0.119 s against 0.148 s, NMEA 0.066 s against 0.085 s).
    {
        const uint64_t as = ByteOnes * a;
        const uint64_t bs = ByteOnes * b;
        const uint64_t cs = ByteOnes * c;
        const uint64_t ds = ByteOnes * d;
        while (end - p >= 8) {
            uint64_t word;
            memcpy(&word, p, sizeof word);
            uint64_t flags = ZeroBytes(word ^ as) | ZeroBytes(word ^ bs) | ZeroBytes(word ^ cs) | ZeroBytes(word ^ ds);
            if (flags != 0) {
                int before = __builtin_ctzll(flags) / 8;
                // The word's bytes below the one found.
                if (sum != 0) *sum = FoldWord(words ^ (word & ((uint64_t(1) << (8 * before)) - 1)));
                return p + before;
            }
            words ^= word;
            p += 8;
        }
        bytes = FoldWord(words);
    }
#endif
    // The plain form, and the bytes the wide steps leave.
    for (; p < end && *p != a && *p != b && *p != c && *p != d; ++p) bytes ^= *p;
    if (sum != 0) *sum = bytes;
    return p;
}

// Each search below returns the first byte in [p, end) that it looks for, or end.
inline const unsigned char *FindByte(const unsigned char *p, const unsigned char *end, unsigned char wanted)
{
#ifndef WAYFOLD_PLAIN
    // Tags often follow one another at once: the byte at p is looked at before the wide
    // steps are set up, which the search would look at first anyway. Saves 6% of the GPX
    // reader's time (0.116 s against 0.123 s, built as released).
    if (p < end && *p == wanted) return p;
#endif
    return FindFirstOf(p, end, wanted, wanted, wanted, wanted, 0, false);
}

inline const unsigned char *FindEitherByte(const unsigned char *p, const unsigned char *end, unsigned char wanted,
                                           unsigned char other)
{
    return FindFirstOf(p, end, wanted, other, other, other, 0, false);
}

inline const unsigned char *FindLineEnd(const unsigned char *p, const unsigned char *end)
{
    return FindFirstOf(p, end, 0, '\r', '\n', '\n', 0, true);
}

// FindByte, and in sum the exclusive-or of the bytes before the one returned.
inline const unsigned char *FindByteSum(const unsigned char *p, const unsigned char *end, unsigned char mark,
                                        unsigned int *sum)
{
    return FindFirstOf(p, end, mark, mark, mark, mark, sum, true);
}

// The first line end or mark, and in sum the exclusive-or of the bytes before it.
inline const unsigned char *FindLineEndOrByteSum(const unsigned char *p, const unsigned char *end, unsigned char mark,
                                                 unsigned int *sum)
{
    return FindFirstOf(p, end, 0, '\r', '\n', mark, sum, true);
}

#endif
