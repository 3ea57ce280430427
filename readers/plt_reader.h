// OziExplorer PLT track files: a six-line header, then one point a line.
#ifndef WAYFOLD_PLT_READER_H
#define WAYFOLD_PLT_READER_H

#include "readers/track_input.h"

// Lines ReadPltPoint passes over.
enum {
    PltSkipNoComma = 1,   // no comma between latitude and longitude
    PltSkipOutOfRange = 2 // a coordinate outside the range tests
};

// Checks the signature line and skips the header. Returns one of the Header results.
int CheckPltHeader();

// Returns PointDelivered, a PltSkip reason, or PointEndOfInput.
int ReadPltPoint(TrackPoint *point);

#endif
