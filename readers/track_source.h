// The track source: the one place the thinning pass draws points from, the header
// checks run before the first point, and what the four format readers share (the line
// reader, the number parser, the coordinate tests, the conversion to radians).
#ifndef WAYFOLD_TRACK_SOURCE_H
#define WAYFOLD_TRACK_SOURCE_H

#include <stdio.h>

#include "common/wayfold_limits.h"

// One point of the track. Readers fill Lat, Lon (degrees) and then LatRad, LonRad
// (radians); only the thinning pass sets Bearing (degrees, -180..180, clockwise from
// north). Points are always copied as whole records.
struct TrackPoint {
    double Lat;
    double Lon;
    double LatRad;
    double LonRad;
    double Bearing;
};

// Which reader runs: the 1-based number of the open-file dialog's filter.
enum {
    InputFormatGpx = 1,
    InputFormatMps = 2,
    InputFormatPlt = 3,
    InputFormatNmea = 4
};

// Results of NextTrackPoint and of the readers (positive codes never leave the source).
enum {
    PointDelivered = 0,
    PointEndOfInput = -1,
    PointNoReader = -100
};

// Results of CheckTrackHeader; the conversion job turns each into its message.
enum {
    HeaderAccepted = 0,
    HeaderReadError = 1,
    HeaderWrongFormat = 2,
    HeaderTellError = 3
};

// Degrees to radians: the double nearest pi/180.
const double RadiansPerDegree = 0.017453292519943295;

// Program-wide reader state. InputFormat starts at 1 (gpx), as the dialog's first filter.
extern int InputFormat;
extern FILE *InputFile;
extern char LineBuffer[LineBufferSize];

// Fills point with the next valid point of InputFile for InputFormat.
// Returns 0, -1 at the end of the points, or -100 when InputFormat is not 1..4.
int NextTrackPoint(TrackPoint *point);

// Checks and skips the header of InputFile for formats that have one (PLT, MPS).
// Returns 0, 1 (read error), 2 (wrong format) or 3 (position unavailable).
int CheckTrackHeader();

// Reads the next non-empty line (NUL, CR and LF end lines) into buffer, which holds
// limit + 1 bytes. Returns the number of characters stored (1..limit), or -1 at the
// end of the file, where a line without its line end is dropped.
int ReadLine(FILE *file, char *buffer, int limit);

// PLT: the header check (0, 1, 2) and the point reader (0, 1 no comma, 3 out of range, -1).
int CheckPltHeader();
int ReadPltPoint(TrackPoint *point);

// The coordinate tests of the text readers: strict bounds, +-100 and +-370 degrees.
bool LatitudeInRange(double value);
bool LongitudeInRange(double value);

// LatRad and LonRad from Lat and Lon, one multiplication each.
void SetRadians(TrackPoint *point);

// atof's rule, decimal only and independent of the locale: leading white space, then
// the longest prefix of optional sign, digits, optional point and fraction, optional
// exponent; 0.0 when the text begins with no number. Never yields "nan", "inf" or a
// hexadecimal value, and rounds correctly.
double ParseDecimal(const char *text);

#endif
