#include "readers/gpx_reader.h"

#include "readers/byte_scan.h"
#include "readers/decimal_parser.h"
#include "readers/line_reader.h"
#include "readers/xml_tags.h"

// A tag's text where it cannot be read in place.
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

// The first occurrence of name (not empty) in the text from text on, whose terminator is
// at end, or 0. Its first letter or a NUL is looked for by FindEitherByte; tags are short,
// so the library's search would cost more in setup.
static const char *FindName(const char *text, const char *end, const char *name)
{
    const unsigned char first = (unsigned char)name[0];
    const unsigned char *stop = (const unsigned char *)end + 1;
    for (;;) {
        text = (const char *)FindEitherByte((const unsigned char *)text, stop, 0, first);
        if (*text == 0) return 0;
        int i = 1;
        while (name[i] != 0 && text[i] == name[i]) ++i;
        if (name[i] == 0) return text;
        ++text;
    }
}

// Whether the tag text holds "trkpt" and no "/trkpt": start and self-closing track points.
// Every "/trkpt" holds a "trkpt", so one pass over the occurrences of "trkpt" decides. They
// are found by their "k", which tag texts seldom hold, unlike "t".
static bool IsTrackPointTag(const char *text, const char *end)
{
    // Shorter tags ("ele", "time" and their ends) cannot hold the name.
    static const int NameLength = 5;
    static const int LettersBeforeK = 2;
    for (int i = 0; i < NameLength; i++)
        if (text[i] == 0) return false;
    bool found = false;
    for (const char *k = FindName(text + LettersBeforeK, end, "kpt"); k != 0; k = FindName(k + 1, end, "kpt")) {
        const char *at = k - LettersBeforeK;
        if (at[0] != 't' || at[1] != 'r') continue;
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
    // Skip tags up to the next track point tag: ReadTag's text, read in place where it can.
    // A tag without a "k" holds no "trkpt" (nor "trk"), and the line reader passes over
    // most of them. A <trk> on the way begins a track.
    const char *tag;
    const char *end;
    for (;;) {
        int count = ReadBetweenBytes(InputFile, '<', '>', 'k', TagBuffer, TagLimit - 2, &tag);
        if (count == LineEndOfFile) return PointEndOfInput;
        end = tag + count;
        if (IsTrackPointTag(tag, end)) break;
        // Most tags here end a track point: no end tag is looked at again.
        if (tag[0] != '/' && ElementTag(tag, count, "trk") == TagStart) TrackBoundary = true;
    }

    // Latitude: the first number after the first "lat".
    const char *name = FindName(tag, end, "lat");
    if (name == 0) return GpxSkipNoName;
    const char *number = FindNumberStart(name);
    if (number == 0) return GpxSkipNoNumber;
    point->Lat = ParseDecimal(number);
    if (!LatitudeInRange(point->Lat)) return GpxSkipOutOfRange;

    // Longitude: the first number after the first "lon", searched from the start again.
    name = FindName(tag, end, "lon");
    if (name == 0) return GpxSkipNoName;
    number = FindNumberStart(name);
    if (number == 0) return GpxSkipNoNumber;
    point->Lon = ParseDecimal(number);
    if (!LongitudeInRange(point->Lon)) return GpxSkipOutOfRange;

    SetRadians(point);
    return PointDelivered;
}
