#include "readers/kml_reader.h"

#include <string.h>

#include "readers/gpx_reader.h"
#include "readers/decimal_parser.h"
#include "readers/line_reader.h"
#include "readers/xml_tags.h"

// Which elements the reader is in: a LineString, a gx:Track, a LineString's coordinates.
static bool InLineString = false;
static bool InTrack = false;
static bool InCoordinates = false;

// A LineString's coordinates may run to megabytes: they are read KmlTextLimit bytes at a
// time, a tuple cut at the end of the text read kept for the next read.
static char CoordinatesText[KmlTextLimit + 1];
static int TextHeld = 0;
static int TextNext = 0;
static bool TextEnded = false;

void ResetKmlReader()
{
    InLineString = InTrack = InCoordinates = false;
}

static bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Point from two numbers in text, the first the longitude, separator between them (after
// any white space). Returns PointDelivered or a KmlSkip reason.
static int TakePosition(const char *text, char separator, TrackPoint *point)
{
    const char *end;
    double lon = ParseDecimalEnd(text, &end);
    if (end == text) return KmlSkipBadTuple;
    if (separator != ' ') {
        if (*end != separator) return KmlSkipBadTuple;
        ++end;
    }
    const char *latitude = end;
    double lat = ParseDecimalEnd(latitude, &end);
    if (end == latitude) return KmlSkipBadTuple;
    point->Lat = lat;
    point->Lon = lon;
    if (!LatitudeInRange(lat) || !LongitudeInRange(lon)) return KmlSkipOutOfRange;
    SetRadians(point);
    return PointDelivered;
}

// The next tuple of the coordinates being read. Returns PointDelivered, a KmlSkip reason,
// or PointEndOfInput at the end of the coordinates' text.
static int NextTuple(TrackPoint *point)
{
    for (;;) {
        while (TextNext < TextHeld && IsSpace(CoordinatesText[TextNext])) TextNext++;
        int end = TextNext;
        while (end < TextHeld && !IsSpace(CoordinatesText[end])) end++;
        if (end == TextHeld && !TextEnded) {
            // The tuple may go on past the text read: keep it, and read on behind it. A
            // tuple that fills the whole buffer is none.
            bool overlong = TextNext == 0 && TextHeld == KmlTextLimit;
            if (overlong) TextNext = TextHeld;
            memmove(CoordinatesText, CoordinatesText + TextNext, TextHeld - TextNext);
            TextHeld -= TextNext;
            TextNext = 0;
            int room = KmlTextLimit - TextHeld;
            int count = ReadUpToByte(InputFile, '<', CoordinatesText + TextHeld, room);
            TextEnded = count < room;
            if (count > 0) TextHeld += count;
            if (overlong) return KmlSkipBadTuple;
            continue;
        }
        if (TextNext == TextHeld) {
            InCoordinates = false;
            return PointEndOfInput;
        }
        // The white space after the tuple becomes its terminator.
        CoordinatesText[end] = 0;
        int result = TakePosition(CoordinatesText + TextNext, ',', point);
        TextNext = end < TextHeld ? end + 1 : end;
        return result;
    }
}

int ReadKmlPoint(TrackPoint *point)
{
    for (;;) {
        if (InCoordinates) {
            int result = NextTuple(point);
            if (result != PointEndOfInput) return result;
        }
        const char *tag;
        int count = ReadBetweenBytes(InputFile, '<', '>', '>', TagBuffer, TagLimit - 2, &tag);
        if (count == LineEndOfFile) return PointEndOfInput;
        int kind;
        if ((kind = ElementTag(tag, count, "LineString")) != TagOfOther) {
            InLineString = kind == TagStart;
        } else if (ElementTag(tag, count, "coordinates") == TagStart && InLineString) {
            InCoordinates = true;
            TextHeld = TextNext = 0;
            TextEnded = false;
        } else if ((kind = ElementTag(tag, count, "Track")) != TagOfOther) {
            InTrack = kind == TagStart;
        } else if ((kind = ElementTag(tag, count, "coord")) != TagOfOther && InTrack) {
            if (kind == TagEmpty) return KmlSkipEmptyCoord;
            if (kind == TagStart) {
                if (ReadElementText(LineBuffer, LineLimit) < 0) return PointEndOfInput;
                return TakePosition(LineBuffer, ' ', point);
            }
        } else if ((kind = ElementTag(tag, count, "Point")) == TagStart || kind == TagEmpty) {
            return KmlSkipPoint;
        } else if (ElementTag(tag, count, "Polygon") == TagStart) {
            return KmlSkipPolygon;
        } else if (ElementTag(tag, count, "Placemark") == TagStart) {
            TrackBoundary = true;
        }
    }
}
