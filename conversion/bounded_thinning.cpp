#include "conversion/bounded_thinning.h"

#include "common/wayfold_limits.h"
#include "conversion/deviation.h"
#include "conversion/route_writer.h"
#include "conversion/status_log.h"
#include "conversion/thinning.h"
#include "readers/track_source.h"
#include "settings/thinning_settings.h"

// A point beside its place on the sphere, computed once.
struct LegPoint {
    TrackPoint Point;
    SpherePoint Sphere;
};

// The last waypoint, and the farthest point a leg from it reached so far (when HasLegEnd).
static LegPoint Waypoint;
static LegPoint LegEnd;
static int HasLegEnd;

// The points between the waypoint and the leg's end that could lie off a leg: one within
// the tolerance of the waypoint lies within it of every leg from there, and is not kept.
static SpherePoint Passed[BoundedPassCapacity];
static int PassedCount;

// Points after the leg's end: the first PendingCount no leg reached, the rest not yet tried.
static LegPoint Queue[BoundedLookahead];
static int PendingCount;
static int QueueCount;

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

// 1 when the leg from the waypoint to to is no longer than MaxMeters and passes within
// MaxOrtError of every point before it: those passed over, the leg's end, the pending ones.
static int LegReaches(const SpherePoint *to)
{
    double tolerance = (double)ThinningSettings.MaxOrtError;
    ArcFrame leg;
    int i;
    if (SphereDistanceMeters(&Waypoint.Sphere, to) > (double)ThinningSettings.MaxMeters) return 0;
    SetArcFrame(&Waypoint.Sphere, to, &leg);
    for (i = PendingCount - 1; i >= 0; i--)
        if (ArcDeviationMeters(&leg, &Queue[i].Sphere) > tolerance) return 0;
    if (ArcDeviationMeters(&leg, &LegEnd.Sphere) > tolerance) return 0;
    // The latest points first: where a track turns away they fail soonest.
    for (i = PassedCount - 1; i >= 0; i--)
        if (ArcDeviationMeters(&leg, &Passed[i]) > tolerance) return 0;
    return 1;
}

// Keeps a point for the checks of later legs, unless it lies within the tolerance of the waypoint.
static void Pass(const SpherePoint *point)
{
    if (SphereDistanceMeters(&Waypoint.Sphere, point) > (double)ThinningSettings.MaxOrtError)
        Passed[PassedCount++] = *point;
}

// Drops the first count points of the queue.
static void Dequeue(int count)
{
    int i;
    for (i = count; i < QueueCount; i++) Queue[i - count] = Queue[i];
    QueueCount -= count;
}

// The leg's end becomes the waypoint; the pending points are tried again from there.
static int KeepLegEnd()
{
    if (WriteWaypoint(&LegEnd.Point) != WaypointWritten) return PassWriteFailed;
    Waypoint = LegEnd;
    HasLegEnd = 0;
    PassedCount = 0;
    PendingCount = 0;
    return PassDone;
}

// Tries the queued points in order as the leg's new end. Those no leg reaches wait, up to
// BoundedLookahead of them; then, or when the buffer cannot take them, the leg's end is kept.
static int TryQueue()
{
    while (PendingCount < QueueCount) {
        LegPoint *next = &Queue[PendingCount];
        if (!HasLegEnd) {
            // The point after a waypoint: a leg between neighbours, whatever its length.
            LegEnd = *next;
            HasLegEnd = 1;
            Dequeue(1);
        } else if (PassedCount + 1 + PendingCount <= BoundedPassCapacity && LegReaches(&next->Sphere)) {
            int i;
            Pass(&LegEnd.Sphere);
            for (i = 0; i < PendingCount; i++) Pass(&Queue[i].Sphere);
            LegEnd = *next;
            Dequeue(PendingCount + 1);
            PendingCount = 0;
        } else if (++PendingCount == BoundedLookahead || PassedCount + 1 + PendingCount > BoundedPassCapacity) {
            if (KeepLegEnd() != PassDone) return PassWriteFailed;
        }
    }
    return PassDone;
}

int RunBoundedThinningPass()
{
    LegPoint point;
    // The first point and two more, or the track is too short.
    if (NextTrackPoint(&Waypoint.Point) != PointDelivered) return TooShort();
    if (NextTrackPoint(&Queue[0].Point) != PointDelivered) return TooShort();
    if (NextTrackPoint(&Queue[1].Point) != PointDelivered) return TooShort();
    if (WriteWaypoint(&Waypoint.Point) != WaypointWritten) return PassWriteFailed;
    ToSpherePoint(&Waypoint.Point, &Waypoint.Sphere);
    ToSpherePoint(&Queue[0].Point, &Queue[0].Sphere);
    ToSpherePoint(&Queue[1].Point, &Queue[1].Sphere);
    HasLegEnd = 0;
    PassedCount = 0;
    PendingCount = 0;
    QueueCount = 2;
    for (;;) {
        if (TryQueue() != PassDone) return PassWriteFailed;
        if (NextTrackPoint(&point.Point) != PointDelivered) break;
        ToSpherePoint(&point.Point, &point.Sphere);
        Queue[QueueCount++] = point;
    }
    // End of track: the points no leg reached are taken from the leg's end, until the last
    // point delivered ends a leg; it is always a waypoint.
    while (QueueCount > 0) {
        if (KeepLegEnd() != PassDone || TryQueue() != PassDone) return PassWriteFailed;
    }
    if (WriteWaypoint(&LegEnd.Point) != WaypointWritten) return PassWriteFailed;
    return PassDone;
}
