// What every format reader shares: the point record, the open track file, the line
// buffer, the readers' common results, the coordinate tests and the turn into radians.
#ifndef WAYFOLD_TRACK_INPUT_H
#define WAYFOLD_TRACK_INPUT_H

#include <stdio.h>

#include "common/wayfold_limits.h"

// One point of the track. Readers fill Lat, Lon (degrees) and then LatRad, LonRad
// (radians); the track source numbers the points it delivers; only the thinning pass sets
// Bearing (degrees, -180..180, clockwise from north). Points are always copied as whole
// records.
struct TrackPoint {
    double Lat;
    double Lon;
    double LatRad;
    double LonRad;
    double Bearing;
    int Number;   // 1 for the first point delivered since the count was reset
};

// Results every reader shares. A reader's own positive results name a line, tag or
// record passed over; they never leave the track source, and neither does a damaged record,
// which ends the track.
enum {
    PointDelivered = 0,
    PointEndOfInput = -1,
    PointDamagedRecord = -2
};

// Results of the header checks; the conversion job turns each into its message.
enum {
    HeaderAccepted = 0,
    HeaderReadError = 1,
    HeaderWrongFormat = 2,
    HeaderTellError = 3
};

// Degrees to radians: the double nearest pi/180.
const double RadiansPerDegree = 0.017453292519943295;

// The track file, opened and closed by the conversion job; the readers only read it.
extern FILE *InputFile;
// Shared by the line reader's callers, the header checks and the MPS reader.
extern char LineBuffer[LineBufferSize];

// Set by a reader that passes the start of a track (a GPX <trk>, a KML Placemark, an MPS
// track record...): what it returns next, and on, belongs to a new track. The track source
// takes it in with the next point delivered and clears it.
extern bool TrackBoundary;

// The coordinate tests of the text readers: strict bounds, +-100 and +-370 degrees.
// Every point passes them, so they are inline.
inline bool LatitudeInRange(double value)
{
    return !(value > 100.0 || value < -100.0);
}

inline bool LongitudeInRange(double value)
{
    return !(value > 370.0 || value < -370.0);
}

// LatRad and LonRad from Lat and Lon, one multiplication each.
inline void SetRadians(TrackPoint *point)
{
    point->LatRad = point->Lat * RadiansPerDegree;
    point->LonRad = point->Lon * RadiansPerDegree;
}

#endif
