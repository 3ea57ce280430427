// MapSource MPS files: typed binary records; the points of every track record in order.
#ifndef WAYFOLD_MPS_READER_H
#define WAYFOLD_MPS_READER_H

#include "readers/track_input.h"

// Checks the "MsRcd" signature and resets the reader. Returns one of the Header results.
int CheckMpsHeader();

// Returns PointDelivered, PointEndOfInput after the last track record, or PointDamagedRecord.
int ReadMpsPoint(TrackPoint *point);

#endif
