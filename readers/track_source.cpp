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
int TracksBegun = 0;
int TrackWanted = 0;
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

// One call of InputFormat's reader: a point, a reader's positive result, or the end.
static int ReadOnce(TrackPoint *point)
{
    switch (InputFormat) {
    case InputFormatGpx: return GpxPoints == GpxPointsRoute ? ReadGpxRoutePoint(point) : ReadGpxPoint(point);
    case InputFormatMps: return ReadMpsPoint(point);
    case InputFormatPlt: return ReadPltPoint(point);
    case InputFormatNmea: return ReadNmeaPoint(point);
    case InputFormatFit: return ReadFitPoint(point);
    case InputFormatTcx: return ReadTcxPoint(point);
    case InputFormatKml: return ReadKmlPoint(point);
    case InputFormatGeoJson: return ReadGeoJsonPoint(point);
    case InputFormatIgc: return ReadIgcPoint(point);
    default: return PointNoReader;
    }
}

// The readers' loops for every track: each passes over unusable lines, tags or records with
// a positive result, all counted.
static int ReadAnyTrack(TrackPoint *point)
{
    int result = PointNoReader;
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
    default:
        while ((result = ReadOnce(point)) > 0) CountPassedOver(result);
        break;
    }
    if (result == PointDelivered && (TrackBoundary || TracksBegun == 0)) {
        if (TracksBegun < INT_MAX) TracksBegun++;
        TrackBoundary = false;
    }
    return result;
}

// The reader's results of TrackWanted alone; past it, the end.
static int ReadWantedTrack(TrackPoint *point)
{
    int result;
    for (;;) {
        result = ReadOnce(point);
        if (result < 0) break;
        // The track what the reader returned belongs to: past a boundary, the next one.
        int track = TracksBegun;
        if ((TrackBoundary || track == 0) && track < INT_MAX) track++;
        if (track > TrackWanted) {
            result = PointEndOfInput;
            break;
        }
        bool wanted = track == TrackWanted;
        if (result == PointDelivered) {
            TracksBegun = track;
            TrackBoundary = false;
            if (wanted) break;
        } else if (wanted) {
            CountPassedOver(result);
        }
    }
    return result;
}

int NextTrackPoint(TrackPoint *point)
{
    int result = TrackWanted == 0 ? ReadAnyTrack(point) : ReadWantedTrack(point);
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
    TracksBegun = 0;
    TrackBoundary = false;
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
