// Searches of memory for the first of a few byte values, and the exclusive-or of the bytes
// passed on the way: the line reader's line ends and marks, the GPX reader's names.
#ifndef WAYFOLD_BYTE_SCAN_H
#define WAYFOLD_BYTE_SCAN_H

// Lines end at NUL, CR and LF.
inline bool IsLineEnd(unsigned char byte)
{
    return byte == 0 || byte == '\r' || byte == '\n';
}

// Each returns the first byte in [p, end) that it looks for, or end.
const unsigned char *FindByte(const unsigned char *p, const unsigned char *end, unsigned char wanted);
const unsigned char *FindEitherByte(const unsigned char *p, const unsigned char *end, unsigned char wanted,
                                    unsigned char other);
const unsigned char *FindLineEnd(const unsigned char *p, const unsigned char *end);
// FindByte, and in sum the exclusive-or of the bytes before the one returned.
const unsigned char *FindByteSum(const unsigned char *p, const unsigned char *end, unsigned char mark,
                                 unsigned int *sum);
// The first line end or mark, and in sum the exclusive-or of the bytes before it.
const unsigned char *FindLineEndOrByteSum(const unsigned char *p, const unsigned char *end, unsigned char mark,
                                          unsigned int *sum);

#endif
