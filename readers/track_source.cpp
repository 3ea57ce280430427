#include "readers/track_source.h"

#include <limits.h>

#include "readers/gpx_reader.h"
#include "readers/line_reader.h"
#include "readers/mps_reader.h"
#include "readers/nmea_reader.h"
#include "readers/plt_reader.h"

int InputFormat = InputFormatGpx;
int PointsDelivered = 0;

int NextTrackPoint(TrackPoint *point)
{
    int result = PointNoReader;
    // Each reader passes over unusable lines, tags or records with a positive result.
    switch (InputFormat) {
    case InputFormatGpx:
        do result = ReadGpxPoint(point); while (result > 0);
        break;
    case InputFormatMps:
        result = ReadMpsPoint(point);
        break;
    case InputFormatPlt:
        do result = ReadPltPoint(point); while (result > 0);
        break;
    case InputFormatNmea:
        do result = ReadNmeaPoint(point); while (result > 0);
        break;
    default:
        break;
    }
    if (result == PointDelivered) {
        if (PointsDelivered < INT_MAX) PointsDelivered++;
        point->Number = PointsDelivered;
    }
    return result;
}

int CheckTrackHeader()
{
    int result = HeaderAccepted;
    ResetNmeaReader();
    // A new input file: nothing read ahead of an earlier one counts.
    ResetLineReader();
    if (InputFormat == InputFormatPlt) result = CheckPltHeader();
    else if (InputFormat == InputFormatMps) result = CheckMpsHeader();
    return result;
}
