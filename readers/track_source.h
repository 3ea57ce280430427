// The track source: the one place the thinning pass draws points from, and the header
// checks run before the first point. It picks the format reader by InputFormat.
#ifndef WAYFOLD_TRACK_SOURCE_H
#define WAYFOLD_TRACK_SOURCE_H

#include "readers/track_input.h"

// Which reader runs: the 1-based number of the open-file dialog's filter.
enum {
    InputFormatGpx = 1,
    InputFormatMps = 2,
    InputFormatPlt = 3,
    InputFormatNmea = 4
};

// NextTrackPoint's result when InputFormat names no reader.
const int PointNoReader = -100;

// Program-wide. Starts at InputFormatGpx, as the dialog's first filter.
extern int InputFormat;
// Points delivered since the conversion job reset it; it stops at INT_MAX.
extern int PointsDelivered;

// Fills point with the next valid point of InputFile for InputFormat, passing over what
// the reader could not use. Returns PointDelivered, PointEndOfInput or PointNoReader.
int NextTrackPoint(TrackPoint *point);

// Checks and skips the header of InputFile for formats that have one (PLT, MPS), and
// makes the readers forget the previous track. Returns one of the Header results.
int CheckTrackHeader();

#endif
