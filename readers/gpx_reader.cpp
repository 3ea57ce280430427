#include "readers/gpx_reader.h"

#include "readers/line_reader.h"

char TagBuffer[TagBufferSize];

int ReadTag(char *buffer, int limit)
{
    // limit is at least 2: one character and the terminator never both fit below that.
    buffer[0] = 0;
    buffer[limit - 1] = 0;

    // Pass over the text up to the next '<', then store the tag's text up to its '>',
    // keeping at most limit - 2 characters.
    if (!SkipPastByte(InputFile, '<')) return TagNoneLeft;
    int count = ReadUpToByte(InputFile, '>', buffer, limit - 2);
    if (count == LineEndOfFile) return TagCutByEnd;
    buffer[count] = 0;
    return TagRead;
}

// The first occurrence of name (not empty) in text, or 0. Tags are short, so
// a plain scan beats the library search's setup on every tag.
static const char *FindName(const char *text, const char *name)
{
    for (; *text != 0; ++text) {
        if (*text != name[0]) continue;
        int i = 1;
        while (name[i] != 0 && text[i] == name[i]) ++i;
        if (name[i] == 0) return text;
    }
    return 0;
}

// Whether the tag text holds "trkpt" and no "/trkpt": start and self-closing track points.
// Every "/trkpt" holds a "trkpt", so one pass over the occurrences of "trkpt" decides.
static bool IsTrackPointTag(const char *text)
{
    // Shorter tags ("ele", "time" and their ends) cannot hold the name.
    static const int NameLength = 5;
    for (int i = 0; i < NameLength; i++)
        if (text[i] == 0) return false;
    bool found = false;
    for (const char *at = FindName(text, "trkpt"); at != 0; at = FindName(at + 1, "trkpt")) {
        if (at != text && at[-1] == '/') return false;
        found = true;
    }
    return found;
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
        if (ReadTag(TagBuffer, TagLimit) != TagRead) return PointEndOfInput;
    } while (!IsTrackPointTag(TagBuffer));

    // Latitude: the first number after the first "lat".
    const char *name = FindName(TagBuffer, "lat");
    if (name == 0) return GpxSkipNoName;
    const char *number = FindNumberStart(name);
    if (number == 0) return GpxSkipNoNumber;
    point->Lat = ParseDecimal(number);
    if (!LatitudeInRange(point->Lat)) return GpxSkipOutOfRange;

    // Longitude: the first number after the first "lon", searched from the start again.
    name = FindName(TagBuffer, "lon");
    if (name == 0) return GpxSkipNoName;
    number = FindNumberStart(name);
    if (number == 0) return GpxSkipNoNumber;
    point->Lon = ParseDecimal(number);
    if (!LongitudeInRange(point->Lon)) return GpxSkipOutOfRange;

    SetRadians(point);
    return PointDelivered;
}
