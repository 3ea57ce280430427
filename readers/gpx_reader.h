// GPX tracks: track point tags read as text, without an XML parser.
#ifndef WAYFOLD_GPX_READER_H
#define WAYFOLD_GPX_READER_H

#include "readers/track_input.h"

// The text of a tag, where it is not read in place: shared by the readers of XML formats.
extern char TagBuffer[TagBufferSize];

// Results of ReadTag.
enum {
    TagRead = 0,
    TagNoneLeft = -1,   // no further '<'
    TagCutByEnd = -2    // the file ended inside the tag
};

// Track point tags ReadGpxPoint passes over.
enum {
    GpxSkipNoName = 1,     // no "lat" or no "lon"
    GpxSkipNoNumber = 2,   // no number after one of them
    GpxSkipOutOfRange = 3  // a coordinate outside the range tests
};

// Reads the next tag of InputFile (the text between '<' and '>') into buffer, keeping at
// most limit - 2 characters.
int ReadTag(char *buffer, int limit);

// Returns PointDelivered, a GpxSkip reason, or PointEndOfInput.
int ReadGpxPoint(TrackPoint *point);

#endif
