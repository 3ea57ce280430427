#include "conversion/bounded_thinning.h"

#include "common/wayfold_limits.h"
#include "conversion/deviation.h"
#include "conversion/route_writer.h"
#include "conversion/status_log.h"
#include "conversion/thinning.h"
#include "readers/track_source.h"
#include "settings/thinning_settings.h"

// The last waypoint, the end of the leg taken so far, and the point read after it; each
// beside its point on the sphere, computed once.
static TrackPoint Waypoint;
static TrackPoint LegEnd;
static TrackPoint Newest;
static SpherePoint WaypointSphere;
static SpherePoint LegEndSphere;
static SpherePoint NewestSphere;

// The points between the waypoint and the leg's end that could lie off a leg: one within
// the tolerance of the waypoint lies within it of every leg from there, and is not kept.
static SpherePoint Passed[BoundedPassCapacity];
static int PassedCount;

// Fewer than three points: reported, both files closed, as the classic rule does.
static int TooShort()
{
    StatusAppend(L"Too short input file!\r\n");
    fclose(InputFile);
    InputFile = 0;
    fclose(OutputFile);
    OutputFile = 0;
    return PassTooShort;
}

// 1 when the leg from the waypoint to the newest point may pass over the leg's end and
// every point passed before it.
static int LegReachesNewest()
{
    double tolerance = (double)ThinningSettings.MaxOrtError;
    ArcFrame leg;
    int i;
    if (SphereDistanceMeters(&WaypointSphere, &NewestSphere) > (double)ThinningSettings.MaxMeters) return 0;
    SetArcFrame(&WaypointSphere, &NewestSphere, &leg);
    if (ArcDeviationMeters(&leg, &LegEndSphere) > tolerance) return 0;
    // The latest points first: where a track turns away they fail soonest.
    for (i = PassedCount - 1; i >= 0; i--)
        if (ArcDeviationMeters(&leg, &Passed[i]) > tolerance) return 0;
    return 1;
}

int RunBoundedThinningPass()
{
    // The first point and two more, or the track is too short.
    if (NextTrackPoint(&Waypoint) != PointDelivered) return TooShort();
    if (NextTrackPoint(&LegEnd) != PointDelivered) return TooShort();
    if (NextTrackPoint(&Newest) != PointDelivered) return TooShort();
    if (WriteWaypoint(&Waypoint) != WaypointWritten) return PassWriteFailed;
    ToSpherePoint(&Waypoint, &WaypointSphere);
    ToSpherePoint(&LegEnd, &LegEndSphere);
    PassedCount = 0;
    for (;;) {
        ToSpherePoint(&Newest, &NewestSphere);
        if (PassedCount == BoundedPassCapacity || !LegReachesNewest()) {
            // The leg ends where it reached: that point is the next waypoint.
            if (WriteWaypoint(&LegEnd) != WaypointWritten) return PassWriteFailed;
            Waypoint = LegEnd;
            WaypointSphere = LegEndSphere;
            PassedCount = 0;
        } else if (SphereDistanceMeters(&WaypointSphere, &LegEndSphere) > (double)ThinningSettings.MaxOrtError) {
            Passed[PassedCount++] = LegEndSphere;
        }
        LegEnd = Newest;
        LegEndSphere = NewestSphere;
        if (NextTrackPoint(&Newest) != PointDelivered) break;
    }
    // End of track: the last point delivered is always a waypoint.
    if (WriteWaypoint(&LegEnd) != WaypointWritten) return PassWriteFailed;
    return PassDone;
}
