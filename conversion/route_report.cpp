#include "conversion/route_report.h"

#include <string.h>

#include "common/byte_order.h"
#include "conversion/conversion_job.h"
#include "conversion/deviation.h"
#include "platform/file_io.h"
#include "readers/decimal_parser.h"
#include "readers/track_source.h"
#include "settings/thinning_settings.h"

FILE *KeptNumbersFile = 0;
MeasuredPointListener OnPointMeasured = 0;
RouteReport Report;

// The forward route file while it is read back, and one of its lines.
static FILE *RouteFile = 0;
static char RouteLine[RecordTextSize];

// A waypoint as read back: its position as written and the Number of its point.
struct WrittenWaypoint {
    double Lat;
    double Lon;
    int Number;
    SpherePoint Sphere;
};

void RecordKeptNumber(const TrackPoint *point)
{
    unsigned char bytes[4];
    Uint32ToLittleEndian((uint32_t)point->Number, bytes);
    if (KeptNumbersFile) fwrite(bytes, 1, sizeof bytes, KeptNumbersFile);
}

static bool ReadKeptNumber(int *number)
{
    unsigned char bytes[4];
    if (fread(bytes, 1, sizeof bytes, KeptNumbersFile) != sizeof bytes) return false;
    *number = SignedFromBits(Uint32FromLittleEndian(bytes));
    return true;
}

// The next line of RouteFile, whole; false at the end or for a line too long.
static bool ReadRouteLine()
{
    RouteLine[0] = 0;
    if (!fgets(RouteLine, sizeof RouteLine, RouteFile)) return false;
    return strchr(RouteLine, '\n') != 0;
}

// Results of ReadWaypoint.
enum { WaypointRead = 0, NoMoreWaypoints = 1, WaypointUnreadable = 2 };

// "W,name,latitude,longitude,..." and the matching kept number.
static int ReadWaypoint(WrittenWaypoint *waypoint)
{
    const char *field;
    const char *end;
    if (!ReadRouteLine()) return feof(RouteFile) && RouteLine[0] == 0 ? NoMoreWaypoints : WaypointUnreadable;
    if (RouteLine[0] != 'W' || RouteLine[1] != ',') return WaypointUnreadable;
    field = strchr(RouteLine + 2, ',');
    if (!field) return WaypointUnreadable;
    waypoint->Lat = ParseDecimalEnd(field + 1, &end);
    if (end == field + 1 || *end != ',') return WaypointUnreadable;
    field = end;
    waypoint->Lon = ParseDecimalEnd(field + 1, &end);
    if (end == field + 1 || *end != ',') return WaypointUnreadable;
    if (!ReadKeptNumber(&waypoint->Number)) return WaypointUnreadable;
    SpherePointFromDegrees(waypoint->Lat, waypoint->Lon, &waypoint->Sphere);
    return WaypointRead;
}

static void ResetReport()
{
    memset(&Report, 0, sizeof Report);
}

// Takes one measured point into Report and tells the listener.
static void TakeIn(const MeasuredPoint *measured, const WrittenWaypoint *from, const WrittenWaypoint *to)
{
    Report.Points++;
    Report.DeviationSum += measured->Deviation;
    if (measured->Deviation > (double)ThinningSettings.MaxOrtError) Report.OverTolerance++;
    if (Report.MaxPoint == 0 || measured->Deviation > Report.MaxDeviation) {
        Report.MaxDeviation = measured->Deviation;
        Report.MaxPoint = measured->Point.Number;
        Report.MaxLat = measured->Point.Lat;
        Report.MaxLon = measured->Point.Lon;
        Report.MaxLegLat[0] = from->Lat;
        Report.MaxLegLon[0] = from->Lon;
        Report.MaxLegLat[1] = to->Lat;
        Report.MaxLegLon[1] = to->Lon;
    }
    if (OnPointMeasured) OnPointMeasured(measured);
}

// The walk itself, with both files open.
static int WalkTrackAndRoute()
{
    WrittenWaypoint previous;
    WrittenWaypoint next;
    ArcFrame leg;
    bool havePrevious = false;
    bool legReady = false;
    SpherePoint here;
    SpherePoint last;
    MeasuredPoint measured;
    int line;
    int read;
    memset(&previous, 0, sizeof previous);
    memset(&measured, 0, sizeof measured);
    // The three header lines.
    for (line = 0; line < 3; line++)
        if (!ReadRouteLine()) return RouteFileUnreadable;
    read = ReadWaypoint(&next);
    if (read != WaypointRead) return RouteFileUnreadable;
    while (NextTrackPoint(&measured.Point) == PointDelivered) {
        ToSpherePoint(&measured.Point, &here);
        if (Report.Points > 0) Report.TrackMeters += SphereDistanceMeters(&last, &here);
        last = here;
        measured.Kept = read == WaypointRead && measured.Point.Number == next.Number;
        if (measured.Kept) {
            // Its own deviation: from its exact position to the one written.
            measured.Deviation = SphereDistanceMeters(&here, &next.Sphere);
            measured.WrittenLat = next.Lat;
            measured.WrittenLon = next.Lon;
            if (havePrevious) Report.RouteMeters += SphereDistanceMeters(&previous.Sphere, &next.Sphere);
            Report.Waypoints++;
            previous = next;
            havePrevious = true;
            legReady = false;
            read = ReadWaypoint(&next);
            if (read == WaypointUnreadable) return RouteFileUnreadable;
            TakeIn(&measured, &previous, &previous);
            continue;
        }
        // Passed over: against the leg it lies on. The first point and the last are
        // always waypoints, so a point outside every leg means the route is not this track's.
        if (!havePrevious || read != WaypointRead || next.Number < measured.Point.Number) return RouteMismatch;
        if (!legReady) SetArcFrame(&previous.Sphere, &next.Sphere, &leg);
        legReady = true;
        measured.Deviation = ArcDeviationMeters(&leg, &here);
        TakeIn(&measured, &previous, &next);
    }
    return read == NoMoreWaypoints ? RouteMeasured : RouteMismatch;
}

int MeasureRoute()
{
    int result;
    ResetReport();
    if (!KeptNumbersFile || fseek(KeptNumbersFile, 0, SEEK_SET) != 0) return RouteFileUnreadable;
    InputFile = OpenFileByPath(InputPath, "rb");
    if (!InputFile) return RouteTrackUnreadable;
    PointsDelivered = 0;
    if (CheckTrackHeader() != HeaderAccepted) {
        fclose(InputFile);
        InputFile = 0;
        return RouteTrackUnreadable;
    }
    RouteFile = OpenFileByPath(ForwardPath, "rb");
    if (!RouteFile) {
        fclose(InputFile);
        InputFile = 0;
        return RouteFileUnreadable;
    }
    result = WalkTrackAndRoute();
    fclose(RouteFile);
    RouteFile = 0;
    fclose(InputFile);
    InputFile = 0;
    return result;
}
