// MapSource MPS files: typed binary records; the points of every track record in order.
#ifndef WAYFOLD_MPS_READER_H
#define WAYFOLD_MPS_READER_H

#include "readers/track_input.h"

// Checks the "MsRcd" signature and resets the reader. Results 0, 1, 2, 3 as CheckTrackHeader.
int CheckMpsHeader();

// Results 0 or -1 (no further track record, or a damaged one after "Track read error!").
int ReadMpsPoint(TrackPoint *point);

#endif
