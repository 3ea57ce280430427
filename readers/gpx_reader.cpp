#include "readers/gpx_reader.h"

#include <string.h>

#include "platform/file_io.h"

char TagBuffer[TagBufferSize];

int ReadTag(char *buffer, int limit)
{
    // limit is at least 2: one character and the terminator never both fit below that.
    buffer[0] = 0;
    buffer[limit - 1] = 0;

    // Pass over the text up to the next '<'.
    int c;
    do {
        c = ReadByte(InputFile);
        if (c == EOF) return -1;
    } while (c != '<');

    // Store the tag's text up to its '>', keeping at most limit - 2 characters.
    int count = 0;
    while (count < limit - 2) {
        c = ReadByte(InputFile);
        if (c == EOF) return -2;
        if (c == '>') break;
        buffer[count] = (char)c;
        ++count;
    }
    buffer[count] = 0;
    return 0;
}

// Whether the tag text holds "trkpt" and no "/trkpt": start and self-closing track points.
static bool IsTrackPointTag(const char *text)
{
    return strstr(text, "trkpt") != 0 && strstr(text, "/trkpt") == 0;
}

// The first digit or minus sign at or after text, or 0 at the end of the text.
static const char *FindNumberStart(const char *text)
{
    for (; *text != 0; ++text) {
        if ((*text >= '0' && *text <= '9') || *text == '-') return text;
    }
    return 0;
}

int ReadGpxPoint(TrackPoint *point)
{
    // Skip tags up to the next track point tag.
    do {
        if (ReadTag(TagBuffer, TagLimit) != 0) return PointEndOfInput;
    } while (!IsTrackPointTag(TagBuffer));

    // Latitude: the first number after the first "lat".
    const char *name = strstr(TagBuffer, "lat");
    if (name == 0) return 1;
    const char *number = FindNumberStart(name);
    if (number == 0) return 2;
    point->Lat = ParseDecimal(number);
    if (!LatitudeInRange(point->Lat)) return 3;

    // Longitude: the first number after the first "lon", searched from the start again.
    name = strstr(TagBuffer, "lon");
    if (name == 0) return 1;
    number = FindNumberStart(name);
    if (number == 0) return 2;
    point->Lon = ParseDecimal(number);
    if (!LongitudeInRange(point->Lon)) return 3;

    SetRadians(point);
    return PointDelivered;
}
