#include "readers/plt_reader.h"

#include <string.h>

#include "readers/decimal_parser.h"
#include "readers/line_reader.h"

// The first line of every PLT file begins with these characters.
static const char PltSignature[] = "OziExplorer Track Point File";
static const int PltSignatureLength = sizeof PltSignature - 1;
// Lines 2 to 6 of the header are read and ignored.
static const int PltHeaderLinesAfterFirst = 5;

int CheckPltHeader()
{
    int result = HeaderAccepted;
    // Line 1 carries the signature; a shorter line is compared as far as it goes.
    if (ReadLine(InputFile, LineBuffer, LineLimit) == LineEndOfFile) {
        result = HeaderReadError;
    } else {
        for (int i = 0; i < PltSignatureLength && result == HeaderAccepted; i++) {
            if (LineBuffer[i] == 0) break;
            if (LineBuffer[i] != PltSignature[i]) result = HeaderWrongFormat;
        }
    }
    // Five more header lines, unread.
    for (int i = 0; i < PltHeaderLinesAfterFirst && result == HeaderAccepted; i++)
        if (ReadLine(InputFile, LineBuffer, LineLimit) == LineEndOfFile) result = HeaderReadError;
    return result;
}

int ReadPltPoint(TrackPoint *point)
{
    const char *comma;
    if (ReadLine(InputFile, LineBuffer, LineLimit) == LineEndOfFile) return PointEndOfInput;
    // Latitude, comma, longitude; the other fields are not used. Blanks, a sign, digits
    // and a point hold no comma, so a comma right after the latitude is the line's first.
    double lat = ParseDecimalEnd(LineBuffer, &comma);
    if (*comma != ',') comma = strchr(LineBuffer, ',');
    if (!comma) return PltSkipNoComma;
    point->Lat = lat;
    if (!LatitudeInRange(point->Lat)) return PltSkipOutOfRange;
    point->Lon = ParseDecimal(comma + 1);
    if (!LongitudeInRange(point->Lon)) return PltSkipOutOfRange;
    SetRadians(point);
    return PointDelivered;
}
