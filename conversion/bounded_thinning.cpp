#include "conversion/bounded_thinning.h"

#include <math.h>

#include "common/wayfold_limits.h"
#include "conversion/deviation.h"
#include "conversion/route_writer.h"
#include "conversion/status_log.h"
#include "conversion/thinning.h"
#include "readers/track_source.h"
#include "settings/thinning_settings.h"

// A point beside its place on the sphere, computed once, and the track's length up to it.
struct LegPoint {
    TrackPoint Point;
    SpherePoint Sphere;
    double Travel;
};

// A point passed over, and the track length at which a leg could first take it beyond the
// tolerance. A leg from the waypoint that ends d metres farther away lies within d metres
// of the old one (on legs far below a quarter of the earth's circumference), so a point
// checked at deviation e against a leg ending at track length t needs no check against
// legs that end before t + (tolerance - e): the end moved less than the track did.
struct PassedPoint {
    SpherePoint Sphere;
    double NextCheck;
};

// Legs up to this long use the bound above; longer ones check every point.
static const double BoundLegMeters = 1000000.0;
// Kept below the bound: the track length sums many distances, each rounded.
static const double BoundMarginMeters = 0.001;

// The route is followed as written, to six decimals: up to half a millionth of a degree off
// in each coordinate, under 8 cm. The rule keeps that much inside the tolerance, so the
// route as written keeps the promise too.
static const double WrittenSlackMeters = 0.08;

// The deviation the rule allows, metres; below zero no point may be passed over.
static double Tolerance()
{
    return (double)ThinningSettings.MaxOrtError - WrittenSlackMeters;
}

// The last waypoint, and the farthest point a leg from it reached so far (when HasLegEnd).
static LegPoint Waypoint;
static LegPoint LegEnd;
static int HasLegEnd;

// The points between the waypoint and the leg's end that could lie off a leg: one within
// the tolerance of the waypoint lies within it of every leg from there, and is not kept.
static PassedPoint Passed[BoundedPassCapacity];
static int PassedCount;
// No point passed over needs a check for legs ending before this track length.
static double PassedNextCheck;

// The last point read, for the track length.
static LegPoint LastRead;

// Directions from the waypoint, as azimuths. A passed point s metres away lies within the
// tolerance of every leg whose direction differs from its own by at most
// asin(sin(tolerance) / sin(s)) (angles on the sphere), provided the leg is at least s long:
// the foot of the perpendicular then lies on the leg. The directions every passed point
// allows form one interval, so a leg that points into it and reaches past the farthest
// passed point needs no point checked. Kept a millimetre inside the tolerance.
static const double Pi = 3.141592653589793;
static const double ConeMarginMeters = 0.001;
static int ConeUsable;            // 0 at a pole, for a tolerance of a few millimetres, or once empty
static int ConeStarted;           // the interval holds a passed point's directions
static SpherePoint East;          // unit vectors east and north at the waypoint
static SpherePoint North;
static double ConeReference;      // the first passed point's azimuth; the interval is relative to it
static double ConeLow;
static double ConeHigh;
static double PassedFarthest;     // metres from the waypoint

// The azimuth of point seen from the waypoint, radians, relative to ConeReference, in -pi..pi.
static double ConeAzimuth(const SpherePoint *point)
{
    double x = point->X - Waypoint.Sphere.X;
    double y = point->Y - Waypoint.Sphere.Y;
    double z = point->Z - Waypoint.Sphere.Z;
    double azimuth = atan2(x * East.X + y * East.Y + z * East.Z, x * North.X + y * North.Y + z * North.Z) - ConeReference;
    if (azimuth > Pi) azimuth -= 2.0 * Pi;
    else if (azimuth < -Pi) azimuth += 2.0 * Pi;
    return azimuth;
}

// A new waypoint: no passed points, every direction allowed.
static void StartCone()
{
    const SpherePoint *w = &Waypoint.Sphere;
    double cosLatitude = sqrt(w->X * w->X + w->Y * w->Y);
    ConeUsable = cosLatitude > 1e-9 && Tolerance() > 10.0 * ConeMarginMeters;
    ConeStarted = 0;
    PassedFarthest = 0.0;
    if (!ConeUsable) return;
    East.X = -w->Y / cosLatitude;
    East.Y = w->X / cosLatitude;
    East.Z = 0.0;
    North.X = -w->Z * w->X / cosLatitude;
    North.Y = -w->Z * w->Y / cosLatitude;
    North.Z = cosLatitude;
}

// Narrows the interval to the directions that keep point, meters from the waypoint (more
// than the tolerance), within the tolerance.
static void NarrowCone(const SpherePoint *point, double meters)
{
    double tolerance = Tolerance() - ConeMarginMeters;
    double half;
    double azimuth;
    if (!ConeUsable) return;
    half = asin(sin(tolerance / EarthRadiusMeters) / sin(meters / EarthRadiusMeters));
    if (!ConeStarted) {
        ConeStarted = 1;
        ConeReference = 0.0;
        ConeReference = ConeAzimuth(point);
        ConeLow = -half;
        ConeHigh = half;
    } else {
        azimuth = ConeAzimuth(point);
        if (azimuth - half > ConeLow) ConeLow = azimuth - half;
        if (azimuth + half < ConeHigh) ConeHigh = azimuth + half;
    }
    if (ConeLow > ConeHigh) ConeUsable = 0;
    if (meters > PassedFarthest) PassedFarthest = meters;
}

// 1 when the leg to to, meters long, keeps every passed point within the tolerance by the
// interval alone; 0 when the points must be checked.
static int ConeHolds(const SpherePoint *to, double meters)
{
    double azimuth;
    if (!ConeUsable || !ConeStarted || meters < PassedFarthest) return 0;
    azimuth = ConeAzimuth(to);
    return azimuth >= ConeLow && azimuth <= ConeHigh;
}

// Points after the leg's end: the first PendingCount no leg reached, the rest not yet tried.
static LegPoint Queue[BoundedLookahead];
static int PendingCount;
static int QueueCount;

// 1 when the leg from the waypoint to to is no longer than MaxMeters and passes within
// MaxOrtError of every point before it: those passed over, the leg's end, the pending ones.
static int LegReaches(const LegPoint *to)
{
    double tolerance = Tolerance();
    double length = SphereDistanceMeters(&Waypoint.Sphere, &to->Sphere);
    int bounded = length <= BoundLegMeters;
    double soonest = to->Travel + tolerance;
    ArcFrame leg;
    int i;
    if (length > (double)ThinningSettings.MaxMeters) return 0;
    SetArcFrame(&Waypoint.Sphere, &to->Sphere, &leg);
    for (i = PendingCount - 1; i >= 0; i--)
        if (ArcDeviationMeters(&leg, &Queue[i].Sphere) > tolerance) return 0;
    if (ArcDeviationMeters(&leg, &LegEnd.Sphere) > tolerance) return 0;
    if (PassedCount == 0 || ConeHolds(&to->Sphere, length)) return 1;
    if (bounded && to->Travel < PassedNextCheck) return 1;
    // The latest points first: where a track turns away they fail soonest.
    for (i = PassedCount - 1; i >= 0; i--) {
        PassedPoint *passed = &Passed[i];
        if (!bounded || to->Travel >= passed->NextCheck) {
            double deviation = ArcDeviationMeters(&leg, &passed->Sphere);
            if (deviation > tolerance) {
                PassedNextCheck = 0.0;
                return 0;
            }
            passed->NextCheck = bounded ? to->Travel + (tolerance - deviation) - BoundMarginMeters : 0.0;
        }
        if (passed->NextCheck < soonest) soonest = passed->NextCheck;
    }
    PassedNextCheck = soonest;
    return 1;
}

// Keeps a point for the checks of later legs, unless it lies within the tolerance of the
// waypoint. It is checked against the next leg.
static void Pass(const SpherePoint *point)
{
    double meters = SphereDistanceMeters(&Waypoint.Sphere, point);
    if (meters > Tolerance()) {
        NarrowCone(point, meters);
        Passed[PassedCount].Sphere = *point;
        Passed[PassedCount].NextCheck = 0.0;
        PassedCount++;
        PassedNextCheck = 0.0;
    }
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
    PassedNextCheck = 0.0;
    PendingCount = 0;
    StartCone();
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
        } else if (PassedCount + 1 + PendingCount <= BoundedPassCapacity && LegReaches(next)) {
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

// Reads the next point into point with its place on the sphere and the track length.
static int ReadPoint(LegPoint *point)
{
    if (NextTrackPoint(&point->Point) != PointDelivered) return 0;
    ToSpherePoint(&point->Point, &point->Sphere);
    point->Travel = LastRead.Travel + SphereDistanceMeters(&LastRead.Sphere, &point->Sphere);
    LastRead = *point;
    return 1;
}

int RunBoundedThinningPass()
{
    // The first point and two more, or the track is too short.
    if (NextTrackPoint(&Waypoint.Point) != PointDelivered) return EndTooShort();
    ToSpherePoint(&Waypoint.Point, &Waypoint.Sphere);
    Waypoint.Travel = 0.0;
    LastRead = Waypoint;
    if (!ReadPoint(&Queue[0]) || !ReadPoint(&Queue[1])) return EndTooShort();
    if (WriteWaypoint(&Waypoint.Point) != WaypointWritten) return PassWriteFailed;
    HasLegEnd = 0;
    PassedCount = 0;
    PassedNextCheck = 0.0;
    PendingCount = 0;
    QueueCount = 2;
    StartCone();
    for (;;) {
        if (TryQueue() != PassDone) return PassWriteFailed;
        if (!ReadPoint(&Queue[QueueCount])) break;
        QueueCount++;
    }
    // End of track: the points no leg reached are taken from the leg's end, until the last
    // point delivered ends a leg; it is always a waypoint.
    while (QueueCount > 0) {
        if (KeepLegEnd() != PassDone || TryQueue() != PassDone) return PassWriteFailed;
    }
    if (WriteWaypoint(&LegEnd.Point) != WaypointWritten) return PassWriteFailed;
    return PassDone;
}
