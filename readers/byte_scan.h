// Searches of memory for the first of a few byte values, with the exclusive-or of the bytes
// passed on the way: the line reader's line ends and marks, the GPX reader's names.
#ifndef WAYFOLD_BYTE_SCAN_H
#define WAYFOLD_BYTE_SCAN_H

// The first byte in [p, end) equal to a, b, c or d, or end; a search for fewer values
// repeats one. When sum is not 0, it is set to the exclusive-or of the bytes before the
// one returned.
const unsigned char *FindFirstOf(const unsigned char *p, const unsigned char *end, unsigned char a,
                                 unsigned char b, unsigned char c, unsigned char d, unsigned int *sum);

inline const unsigned char *FindByte(const unsigned char *p, const unsigned char *end, unsigned char wanted)
{
    return FindFirstOf(p, end, wanted, wanted, wanted, wanted, 0);
}

inline const unsigned char *FindEitherByte(const unsigned char *p, const unsigned char *end,
                                           unsigned char wanted, unsigned char other)
{
    return FindFirstOf(p, end, wanted, other, other, other, 0);
}

// Lines end at NUL, CR and LF.
inline bool IsLineEnd(unsigned char byte)
{
    return byte == 0 || byte == '\r' || byte == '\n';
}

inline const unsigned char *FindLineEnd(const unsigned char *p, const unsigned char *end)
{
    return FindFirstOf(p, end, 0, '\r', '\n', '\n', 0);
}

#endif
