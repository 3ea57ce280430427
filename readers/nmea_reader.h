// NMEA 0183 logs: "$GPRMC," sentences (or any talker's RMC) with a right checksum and an
// active fix.
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
    NmeaSkipLatitude = 3,    // the time or latitude part, or a latitude out of range
    NmeaSkipLongitude = 4,   // the longitude part, or a longitude out of range
    NmeaSkipNoFix = 5,       // the status is not "A"
    NmeaSkipModeNoFix = 6,   // any talker: the mode letter (NMEA 2.3 and later) is "N"
    NmeaSkipRepeatedTime = 7, // any talker: the time of the fix delivered last, under another talker
    NmeaSkipOtherTalker = 8  // "$GPRMC," only: another talker's RMC sentence
};

// Which talkers' RMC sentences count.
enum {
    NmeaTalkersGp = 0,  // "$GPRMC," only
    NmeaTalkersAny = 1  // "$", two capital letters, "RMC,"; the mode letter and repeated times are heeded
};

// Program-wide; starts at NmeaTalkersGp, the handheld program's only mode.
extern int NmeaTalkers;

// Forgets the time of the fix delivered last; each track starts with none.
void ResetNmeaReader();

int CheckNmeaChecksum(const char *text);

// Returns PointDelivered, an NmeaSkip reason, or PointEndOfInput.
int ReadNmeaPoint(TrackPoint *point);

#endif
