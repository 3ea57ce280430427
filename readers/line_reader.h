// Text input of the PLT and NMEA readers: lines, and decimal numbers in them.
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

// Forgets the bytes read ahead: called when a new input file is opened, since a new FILE
// may have the address of a closed one.
void ResetLineReader();

// atof's rule, decimal only and independent of the locale: leading white space, then
// the longest prefix of optional sign, digits, optional point and fraction, optional
// exponent; 0.0 when the text begins with no number. Never yields "nan", "inf" or a
// hexadecimal value, and rounds correctly.
double ParseDecimal(const char *text);

#endif
