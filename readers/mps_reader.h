// MapSource MPS files: typed binary records; the points of every track record in order.
#ifndef WAYFOLD_MPS_READER_H
#define WAYFOLD_MPS_READER_H

#include <stdint.h>

#include "readers/track_input.h"

enum {
    SeekTrack = 0,   // no current track record
    TrackHeader = 1, // a track record was found; the file stands at its data
    TrackPoints = 2  // its header was read; PointsLeft points remain
};

extern int MpsReaderState;
extern int32_t RecordOffset;
extern int32_t PointsLeft;

// Checks the "MsRcd" signature and resets the reader. Returns one of the Header results.
int CheckMpsHeader();

// Walks the records from RecordOffset to the next track record; false at their end.
bool FindTrackRecord();

// Returns PointDelivered, PointEndOfInput after the last track record, or PointDamagedRecord.
int ReadMpsPoint(TrackPoint *point);

#endif
