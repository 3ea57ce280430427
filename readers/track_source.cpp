#include "readers/track_source.h"

#include <limits.h>

#include "readers/fit_reader.h"
#include "readers/geojson_reader.h"
#include "readers/gpx_reader.h"
#include "readers/gpx_route_reader.h"
#include "readers/igc_reader.h"
#include "readers/kml_reader.h"
#include "readers/line_reader.h"
#include "readers/mps_reader.h"
#include "readers/nmea_reader.h"
#include "readers/plt_reader.h"
#include "readers/tcx_reader.h"

const TrackFormatEntry TrackFormats[TrackFormatCount] = {
    {InputFormatGpx, "gpx", PathCutDefault},
    {InputFormatMps, "mps", PathCutDefault},
    {InputFormatPlt, "plt", PathCutDefault},
    {InputFormatNmea, "nmea", PathCutNmea},
    {InputFormatFit, "fit", PathCutDefault},
    {InputFormatTcx, "tcx", PathCutDefault},
    {InputFormatKml, "kml", PathCutDefault},
    {InputFormatGeoJson, "geojson", PathCutGeoJson},
    {InputFormatIgc, "igc", PathCutDefault},
};

int InputFormat = InputFormatGpx;
int PointsDelivered = 0;
int PassedOver[PassedOverKinds];
TrackDamageListener OnTrackDamaged = 0;

const TrackFormatEntry *FindTrackFormat(int format)
{
    if (format < 1 || format > TrackFormatCount) return 0;
    return &TrackFormats[format - 1];
}

// Every reader's positive results are counted apart, NMEA's going highest.
WAYFOLD_LIMIT_CHECK(PassedOverKindsHoldReaders, NmeaSkipOtherTalker < PassedOverKinds);
WAYFOLD_LIMIT_CHECK(PassedOverKindsHoldNewReaders, FitSkipNotFit < PassedOverKinds && KmlSkipPolygon < PassedOverKinds &&
                                                       GeoJsonSkipTooDeep < PassedOverKinds &&
                                                       GpxRouteSkipOutOfRange < PassedOverKinds);

static void CountPassedOver(int kind)
{
    if (PassedOver[kind] < INT_MAX) PassedOver[kind]++;
}

int NextTrackPoint(TrackPoint *point)
{
    int result = PointNoReader;
    // Each reader passes over unusable lines, tags or records with a positive result.
    switch (InputFormat) {
    case InputFormatGpx:
        if (GpxPoints == GpxPointsRoute)
            while ((result = ReadGpxRoutePoint(point)) > 0) CountPassedOver(result);
        else
            while ((result = ReadGpxPoint(point)) > 0) CountPassedOver(result);
        break;
    case InputFormatMps:
        result = ReadMpsPoint(point);
        break;
    case InputFormatPlt:
        while ((result = ReadPltPoint(point)) > 0) CountPassedOver(result);
        break;
    case InputFormatNmea:
        while ((result = ReadNmeaPoint(point)) > 0) CountPassedOver(result);
        break;
    case InputFormatFit:
        while ((result = ReadFitPoint(point)) > 0) CountPassedOver(result);
        break;
    case InputFormatTcx:
        while ((result = ReadTcxPoint(point)) > 0) CountPassedOver(result);
        break;
    case InputFormatKml:
        while ((result = ReadKmlPoint(point)) > 0) CountPassedOver(result);
        break;
    case InputFormatGeoJson:
        while ((result = ReadGeoJsonPoint(point)) > 0) CountPassedOver(result);
        break;
    case InputFormatIgc:
        while ((result = ReadIgcPoint(point)) > 0) CountPassedOver(result);
        break;
    default:
        break;
    }
    if (result == PointDelivered) {
        if (PointsDelivered < INT_MAX) PointsDelivered++;
        point->Number = PointsDelivered;
    } else if (result == PointDamagedRecord) {
        // The track ends at the damage, which whoever listens reports once.
        CountPassedOver(0);
        if (OnTrackDamaged) OnTrackDamaged();
        result = PointEndOfInput;
    }
    return result;
}

int CheckTrackHeader()
{
    int result = HeaderAccepted;
    for (int kind = 0; kind < PassedOverKinds; kind++) PassedOver[kind] = 0;
    ResetNmeaReader();
    ResetTcxReader();
    ResetKmlReader();
    ResetGeoJsonReader();
    // A new input file: nothing read ahead of an earlier one counts.
    ResetLineReader();
    if (InputFormat == InputFormatPlt) result = CheckPltHeader();
    else if (InputFormat == InputFormatMps) result = CheckMpsHeader();
    else if (InputFormat == InputFormatFit) result = CheckFitHeader();
    return result;
}
