// Text input of the PLT, NMEA and GPX readers: lines and tags.
#ifndef WAYFOLD_LINE_READER_H
#define WAYFOLD_LINE_READER_H

#include <stdio.h>

// What ReadLine returns at the end of the file.
const int LineEndOfFile = -1;

// Reads the next non-empty line (NUL, CR and LF end lines) into buffer, which holds
// limit + 1 bytes. Returns the number of characters stored (1..limit), or LineEndOfFile,
// where a line without its line end is dropped. A longer line is cut at limit and the
// rest of it dropped. The file is read a block ahead of the lines handed out, so nothing
// else reads a file that ReadLine reads; a file met for the first time (a FILE other than
// the last one) starts afresh.
int ReadLine(FILE *file, char *buffer, int limit);
// ReadLine without the copy where it can: line is set to the line read, terminated, either
// in the reader's own block (valid up to the next read) or in buffer.
int ReadLineInPlace(FILE *file, char *buffer, int limit, const char **line);
// ReadLineInPlace, and ExclusiveOrBefore(line, length, mark, at) in sum, found in the same
// pass over the line where it can.
int ReadLineInPlaceSum(FILE *file, char *buffer, int limit, const char **line, char mark,
                       const char **at, unsigned int *sum);
// The exclusive-or of the bytes of text (length characters, no NUL among them) before the
// first mark; at is set to that mark, or to 0 when there is none.
unsigned int ExclusiveOrBefore(const char *text, int length, char mark, const char **at);

// The same block-at-a-time reading for the GPX reader's tags. SkipPastByte passes over the
// bytes up to and including the next mark; false when the file ends first.
// ReadUpToByte stores the bytes before the next mark in buffer, at most limit of them
// (no terminator), and passes over the mark. Returns the count stored (limit, with the
// mark unread, when it was not among the first limit bytes), or LineEndOfFile when the
// file ends first.
bool SkipPastByte(FILE *file, char mark);
int ReadUpToByte(FILE *file, char mark, char *buffer, int limit);
// SkipPastByte(open), then ReadUpToByte(close) without the copy where it can: text is set
// to the bytes read, terminated, either in the reader's own block (valid up to the next
// read) or in buffer, which holds limit + 1 bytes. A text that holds no key byte may be
// passed over, and the next one read (one that lies whole in the block, unless the build is
// plain), so the caller passes such texts over too. Returns the count of the bytes, or
// LineEndOfFile when the file ends before the open mark or inside the text.
int ReadBetweenBytes(FILE *file, char open, char close, char key, char *buffer, int limit,
                     const char **text);

// Forgets the bytes read ahead: called when a new input file is opened, since a new FILE
// may have the address of a closed one.
void ResetLineReader();

#endif
