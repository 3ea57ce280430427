// Garmin Training Center (TCX) files: the Trackpoint elements of activities and courses,
// each with its Position's LatitudeDegrees and LongitudeDegrees, in document order.
#ifndef WAYFOLD_TCX_READER_H
#define WAYFOLD_TCX_READER_H

#include "readers/track_input.h"

// Track points ReadTcxPoint passes over.
enum {
    TcxSkipNoPosition = 1,  // no LatitudeDegrees or LongitudeDegrees with a number in it
    TcxSkipOutOfRange = 2,  // a coordinate outside the range tests
    TcxSkipUnclosed = 3     // a Trackpoint not closed before the next one or the file's end
};

// Forgets a track point begun in an earlier file.
void ResetTcxReader();

// Returns PointDelivered, a TcxSkip reason, or PointEndOfInput.
int ReadTcxPoint(TrackPoint *point);

#endif
