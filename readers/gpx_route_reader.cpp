#include "readers/gpx_route_reader.h"

#include <string.h>

#include "readers/gpx_reader.h"
#include "readers/decimal_parser.h"
#include "readers/line_reader.h"
#include "readers/xml_tags.h"

int GpxPoints = GpxPointsTrack;

// The value after the first name in tag, as the track point reader reads it: the first
// number (a digit or minus sign on) after the name. Returns 0, or the reason it fails.
static int ReadAttribute(const char *tag, const char *name, double *value)
{
    const char *at = strstr(tag, name);
    if (at == 0) return GpxRouteSkipNoName;
    while (*at != 0 && !(*at >= '0' && *at <= '9') && *at != '-') ++at;
    if (*at == 0) return GpxRouteSkipNoNumber;
    *value = ParseDecimal(at);
    return 0;
}

int ReadGpxRoutePoint(TrackPoint *point)
{
    // Every route tag and route point tag holds an 'r'; the line reader passes over the tags
    // without one. A <rte> on the way begins a track.
    const char *tag;
    int count, kind;
    for (;;) {
        count = ReadBetweenBytes(InputFile, '<', '>', 'r', TagBuffer, TagLimit - 2, &tag);
        if (count == LineEndOfFile) return PointEndOfInput;
        kind = ElementTag(tag, count, "rtept");
        if (kind == TagStart || kind == TagEmpty) break;
        if (ElementTag(tag, count, "rte") == TagStart) TrackBoundary = true;
    }
    int failed = ReadAttribute(tag, "lat", &point->Lat);
    if (failed == 0 && !LatitudeInRange(point->Lat)) failed = GpxRouteSkipOutOfRange;
    if (failed == 0) failed = ReadAttribute(tag, "lon", &point->Lon);
    if (failed == 0 && !LongitudeInRange(point->Lon)) failed = GpxRouteSkipOutOfRange;
    if (failed != 0) return failed;
    SetRadians(point);
    return PointDelivered;
}
