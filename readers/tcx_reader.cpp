#include "readers/tcx_reader.h"

#include "readers/gpx_reader.h"
#include "readers/decimal_parser.h"
#include "readers/line_reader.h"
#include "readers/xml_tags.h"

// The track point being read: begun, and which coordinates it gave so far.
static bool InTrackpoint = false;
static bool HasLatitude = false;
static bool HasLongitude = false;
static double Latitude, Longitude;
// Whether an <Activity> is open: its tracks (one a lap) are one track.
static bool InActivity = false;

void ResetTcxReader()
{
    InTrackpoint = false;
    InActivity = false;
}

// Reads a coordinate element's text into value; false when it holds no number.
static bool ReadCoordinate(double *value)
{
    if (ReadElementText(LineBuffer, LineLimit) < 0) return false;
    const char *end;
    *value = ParseDecimalEnd(LineBuffer, &end);
    return end != LineBuffer;
}

int ReadTcxPoint(TrackPoint *point)
{
    for (;;) {
        // Within an activity every tag this reader looks at holds a 't', and the line reader
        // passes over the rest; outside, a course's <Track> holds none, so every tag is looked at.
        const char *tag;
        int count = ReadBetweenBytes(InputFile, '<', '>', InActivity ? 't' : '>', TagBuffer, TagLimit - 2, &tag);
        if (count == LineEndOfFile) {
            if (!InTrackpoint) return PointEndOfInput;
            InTrackpoint = false;
            return TcxSkipUnclosed;
        }
        int kind;
        int trackpoint = ElementTag(tag, count, "Trackpoint");
        if (trackpoint == TagStart) {
            bool unclosed = InTrackpoint;
            InTrackpoint = true;
            HasLatitude = HasLongitude = false;
            if (unclosed) return TcxSkipUnclosed;
        } else if (trackpoint == TagEmpty) {
            return TcxSkipNoPosition;
        } else if (trackpoint == TagEnd && InTrackpoint) {
            InTrackpoint = false;
            if (!HasLatitude || !HasLongitude) return TcxSkipNoPosition;
            point->Lat = Latitude;
            point->Lon = Longitude;
            if (!LatitudeInRange(point->Lat) || !LongitudeInRange(point->Lon)) return TcxSkipOutOfRange;
            SetRadians(point);
            return PointDelivered;
        } else if (InTrackpoint && ElementTag(tag, count, "LatitudeDegrees") == TagStart) {
            HasLatitude = ReadCoordinate(&Latitude);
        } else if (InTrackpoint && ElementTag(tag, count, "LongitudeDegrees") == TagStart) {
            HasLongitude = ReadCoordinate(&Longitude);
        } else if (!InTrackpoint && (kind = ElementTag(tag, count, "Activity")) != TagOfOther) {
            // Each activity is a track; so is each track of a course, outside activities.
            // Inside a track point, where most tags stand, none is looked for.
            InActivity = kind == TagStart;
            if (InActivity) TrackBoundary = true;
        } else if (!InActivity && ElementTag(tag, count, "Track") == TagStart) {
            TrackBoundary = true;
        }
    }
}
