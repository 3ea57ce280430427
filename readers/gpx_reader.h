// GPX tracks: track point tags read as text, without an XML parser.
#ifndef WAYFOLD_GPX_READER_H
#define WAYFOLD_GPX_READER_H

#include "readers/track_source.h"

extern char TagBuffer[TagBufferSize];

// Reads the next tag of InputFile (the text between '<' and '>') into buffer, keeping at
// most limit - 2 characters. Returns 0, -1 (no further '<') or -2 (the file ended inside).
int ReadTag(char *buffer, int limit);

// Results 0, 1 (no "lat" or "lon"), 2 (no number after one), 3 (out of range), -1 (end).
int ReadGpxPoint(TrackPoint *point);

#endif
