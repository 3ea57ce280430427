// NMEA 0183 logs: "$GPRMC," sentences with a right checksum and an active fix.
#ifndef WAYFOLD_NMEA_READER_H
#define WAYFOLD_NMEA_READER_H

#include "readers/track_source.h"

// 0 right, 1 no "$", 2 no "*", 3 no value after the "*", 4 the value differs.
int CheckNmeaChecksum(const char *text);

// Results 0, 1 (not $GPRMC), 2 (checksum), 3 (time or latitude part, or out of range),
// 4 (longitude part), 10 (fix status not "A"), -1 (end).
int ReadNmeaPoint(TrackPoint *point);

#endif
