#include "readers/igc_reader.h"

#include "readers/line_reader.h"

// Where the fields of a B record start: the time, latitude, its hemisphere, longitude and
// its hemisphere; the fix validity and the altitudes after them are not used.
static const int IgcLatitudeAt = 7;
static const int IgcNorthSouthAt = 14;
static const int IgcLongitudeAt = 15;
static const int IgcEastWestAt = 23;
static const int IgcFixLength = 24;

// The whole number in the count digits at text, or -1 when one of them is not a digit.
static int Digits(const char *text, int count)
{
    int value = 0;
    for (int i = 0; i < count; i++) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// Degrees from degreeDigits digits of degrees, then minutes and thousandths of a minute in
// five digits; -1 when a digit is missing, the minutes pass 59.999 or the degrees most.
static double Angle(const char *text, int degreeDigits, int most)
{
    int degrees = Digits(text, degreeDigits);
    int thousandths = Digits(text + degreeDigits, 5);
    if (degrees < 0 || degrees > most || thousandths < 0 || thousandths >= 60000) return -1.0;
    return degrees + thousandths / 60000.0;
}

int ReadIgcPoint(TrackPoint *point)
{
    int length = ReadLine(InputFile, LineBuffer, LineLimit);
    if (length == LineEndOfFile) return PointEndOfInput;
    if (LineBuffer[0] != 'B') return IgcSkipOtherRecord;
    if (length < IgcFixLength || Digits(LineBuffer + 1, IgcLatitudeAt - 1) < 0) return IgcSkipBadFix;
    double lat = Angle(LineBuffer + IgcLatitudeAt, 2, 90);
    double lon = Angle(LineBuffer + IgcLongitudeAt, 3, 180);
    char northSouth = LineBuffer[IgcNorthSouthAt], eastWest = LineBuffer[IgcEastWestAt];
    if (lat < 0 || lon < 0 || (northSouth != 'N' && northSouth != 'S') || (eastWest != 'E' && eastWest != 'W'))
        return IgcSkipBadFix;
    point->Lat = northSouth == 'S' ? -lat : lat;
    point->Lon = eastWest == 'W' ? -lon : lon;
    SetRadians(point);
    return PointDelivered;
}
