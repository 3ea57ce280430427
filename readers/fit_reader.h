// FIT activity files (Garmin's Flexible and Interoperable Data Transfer): a header, data
// records defined by definition messages, a CRC; several such files may follow one another.
// The positions are the record messages' position_lat and position_long fields.
#ifndef WAYFOLD_FIT_READER_H
#define WAYFOLD_FIT_READER_H

#include "readers/track_input.h"

// What ReadFitPoint passes over. The last four end the reading: nothing after a damaged
// record or header can be trusted to be read in step.
enum {
    FitSkipNoPosition = 1,  // a record message without both fields, or one of them invalid
    FitSkipOutOfRange = 2,  // a latitude past the range tests
    FitFileCrcDiffers = 3,  // the file CRC does not match: positions read before it are kept
    FitSkipCutRecord = 4,   // the file, or its data size, ends inside a record
    FitSkipUndefined = 5,   // a data message of a local type with no definition, or an unknown byte order
    FitSkipNotFit = 6       // bytes after a FIT file that do not begin another, or its header's CRC differs
};

// The CRC-16 of FIT files after byte, from crc so far (0 before the first byte).
unsigned int FitCrcStep(unsigned int crc, unsigned char byte);

// Checks the first file header (its size, ".FIT", its CRC when it has one) and forgets the
// definitions of an earlier track. Returns one of the Header results.
int CheckFitHeader();

// Returns PointDelivered, a FitSkip reason (or FitFileCrcDiffers), or PointEndOfInput.
int ReadFitPoint(TrackPoint *point);

#endif
