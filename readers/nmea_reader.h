// NMEA 0183 logs: "$GPRMC," sentences with a right checksum and an active fix.
#ifndef WAYFOLD_NMEA_READER_H
#define WAYFOLD_NMEA_READER_H

#include "readers/track_input.h"

// Results of CheckNmeaChecksum.
enum {
    ChecksumRight = 0,
    ChecksumNoDollar = 1,
    ChecksumNoStar = 2,
    ChecksumNoValue = 3,   // nothing readable after the "*"
    ChecksumDiffers = 4
};

// Lines ReadNmeaPoint passes over.
enum {
    NmeaSkipNotRmc = 1,      // not a "$GPRMC," sentence
    NmeaSkipChecksum = 2,
    NmeaSkipLatitude = 3,    // the time or latitude part, or a coordinate out of range
    NmeaSkipLongitude = 4,
    NmeaSkipNoFix = 10       // the status is not "A"
};

int CheckNmeaChecksum(const char *text);

// Returns PointDelivered, an NmeaSkip reason, or PointEndOfInput.
int ReadNmeaPoint(TrackPoint *point);

#endif
