#include "readers/line_reader.h"

#include <string.h>

#include "common/wayfold_limits.h"
#include "readers/byte_scan.h"

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

// A file other than the one the block came from starts afresh.
static void UseFile(FILE *file)
{
    if (file != BlockFile) {
        ResetLineReader();
        BlockFile = file;
    }
}

// SkipPastByte, inline in ReadBetweenBytes too, which calls it for every tag.
static inline bool SkipPast(FILE *file, unsigned char wanted)
{
    UseFile(file);
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

bool SkipPastByte(FILE *file, char mark)
{
    return SkipPast(file, (unsigned char)mark);
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

int ReadLine(FILE *file, char *buffer, int limit)
{
    UseFile(file);
    if (!SkipLineEnds(file)) return LineEndOfFile;
    // A whole line of the block within the limit: one copy.
    const unsigned char *start = Block + BlockNext;
    const unsigned char *lineEnd = FindLineEnd(start, Block + BlockEnd);
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

unsigned int ExclusiveOrBefore(const char *text, int length, char mark, const char **at)
{
    unsigned int sum;
    const unsigned char wanted = (unsigned char)mark;
    const unsigned char *end = (const unsigned char *)text + length;
    const unsigned char *p = FindByteSum((const unsigned char *)text, end, wanted, &sum);
    *at = p < end ? (const char *)p : 0;
    return sum;
}

int ReadLineInPlaceSum(FILE *file, char *buffer, int limit, const char **line, char mark,
                       const char **at, unsigned int *sum)
{
#ifndef WAYFOLD_PLAIN
    // A whole line of the block within the limit, as ReadLineInPlace takes it, in one pass
    // up to its first line end or mark, with the sum of the bytes before it, which is
    // ExclusiveOrBefore's sum; from a mark on, byte by byte to the line end (a checksum's
    // two digits, as a rule). Saves 4% of the NMEA reader's time (processor time for
    // 1,000,000 sentences in bench/read_track: 0.054 s against 0.056 s; 3% of its
    // instructions).
    UseFile(file);
    if (!SkipLineEnds(file)) return LineEndOfFile;
    unsigned char *start = Block + BlockNext;
    const unsigned char *end = Block + BlockEnd;
    unsigned int before;
    unsigned char *lineEnd = (unsigned char *)FindLineEndOrByteSum(start, end, (unsigned char)mark, &before);
    const unsigned char *markAt = 0;
    if (lineEnd < end && !IsLineEnd(*lineEnd)) {
        markAt = lineEnd;
        do ++lineEnd; while (lineEnd < end && !IsLineEnd(*lineEnd));
    }
    if (lineEnd < end && lineEnd - start <= limit) {
        *lineEnd = 0;
        BlockNext = (int)(lineEnd - Block) + 1;
        *line = (const char *)start;
        *at = (const char *)markAt;
        *sum = before;
        return (int)(lineEnd - start);
    }
#endif
    int length = ReadLineInPlace(file, buffer, limit, line);
    if (length != LineEndOfFile) *sum = ExclusiveOrBefore(*line, length, mark, at);
    return length;
}

int ReadBetweenBytes(FILE *file, char open, char close, char key, char *buffer, int limit,
                     const char **text)
{
    for (;;) {
        if (!SkipPast(file, (unsigned char)open)) return LineEndOfFile;
#ifdef WAYFOLD_PLAIN
        (void)key;
#else
        // A text that lies whole in the block: in place, and passed over without the key
        // byte. The caller passes over a text without the key byte itself, so it sees the
        // same texts. Saves an eighth of the GPX reader's time (processor time for 1,000,000
        // points in bench/read_track: 0.115 s against 0.130 s).
        unsigned char *start = Block + BlockNext;
        const unsigned char *stop = Block + BlockEnd;
        if (stop - start > limit) stop = start + limit;
        unsigned char *p = (unsigned char *)FindEitherByte(start, stop, (unsigned char)close, (unsigned char)key);
        bool hasKey = p < stop && *p == (unsigned char)key;
        if (hasKey) p = (unsigned char *)FindByte(p, stop, (unsigned char)close);
        if (p < stop) {
            BlockNext = (int)(p - Block) + 1;
            if (!hasKey) continue;
            *p = 0;
            *text = (const char *)start;
            return (int)(p - start);
        }
#endif
        *text = buffer;
        int count = ReadUpToByte(file, close, buffer, limit);
        if (count != LineEndOfFile) buffer[count] = 0;
        return count;
    }
}
