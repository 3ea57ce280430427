// The bounded thinning (see bounded_thinning.h). The plain form (WAYFOLD_PLAIN) checks
// every point passed over against every candidate leg; the default build adds two
// shortcuts, the cone of allowed directions and the re-check by track length, each named
// where it stands; together they make a conversion 1.6-2.2 times as fast (MPS, 1,000,000
// points, tolerance 50 m). Both forms give the same waypoints.
#include "conversion/bounded_thinning.h"

#include <math.h>

#include "common/angles.h"
#include "common/wayfold_limits.h"
#include "conversion/deviation.h"
#include "conversion/route_writer.h"
#include "conversion/status_log.h"
#include "conversion/thinning.h"
#include "readers/track_source.h"
#include "settings/thinning_settings.h"

// The route is followed as written, to six decimals: up to half a millionth of a degree off
// in each coordinate, under 8 cm. The rule keeps that much inside the tolerance, so the
// route as written keeps the promise too.
static const double WrittenSlackMeters = 0.08;

// The deviation the rule allows, metres; below zero no point may be passed over.
static double Tolerance()
{
    return (double)ThinningSettings.MaxOrtError - WrittenSlackMeters;
}

// A point beside its place on the sphere, computed once.
struct LegPoint {
    TrackPoint Point;
    SpherePoint Sphere;
#if !WAYFOLD_PLAIN
    double Travel;          // the track's length up to the point, for the re-check
#endif
};

// A point passed over that could lie off a later leg.
struct PassedPoint {
    SpherePoint Sphere;
#if !WAYFOLD_PLAIN
    double NextCheck;       // see the re-check
#endif
};

#if !WAYFOLD_PLAIN
// Speed-up "cone": the directions from the waypoint, as azimuths, that keep every passed
// point within the tolerance. A passed point s metres away lies within the tolerance t of
// every leg whose direction differs from its own by at most asin(sin(t) / sin(s)) (angles
// at the earth's centre), provided the leg is at least s long: the foot of the
// perpendicular then lies on the leg. These intervals meet in one interval, so a leg that
// points into it and reaches past the farthest passed point needs no point checked. Saves
// the check of every passed point on straight stretches: without it a conversion takes
// half as long again (MPS, 1,000,000 points, tolerance 50 m, both bench profiles). Same
// result: it is kept a millimetre inside the tolerance, far beyond the rounding of the
// checks it saves.
static const double ConeMarginMeters = 0.001;

struct DirectionCone {
    bool Usable;            // false at a pole, for a tolerance of a few millimetres, or once empty
    bool Started;           // the interval holds a passed point's directions
    SpherePoint Apex;       // the waypoint
    SpherePoint East;       // unit vectors east and north at the apex
    SpherePoint North;
    double Reference;       // the first passed point's azimuth; Low and High are relative to it
    double Low;
    double High;
    double Farthest;        // metres from the apex to the farthest passed point
};

// The azimuth of point seen from the apex, radians, relative to the reference, in -pi..pi.
// The chord from the apex differs from its projection on the tangent plane only along the
// apex itself, so its east and north parts give the direction of the great circle.
static double ConeAzimuth(const DirectionCone *cone, const SpherePoint *point)
{
    double x = point->X - cone->Apex.X;
    double y = point->Y - cone->Apex.Y;
    double z = point->Z - cone->Apex.Z;
    double azimuth = atan2(x * cone->East.X + y * cone->East.Y + z * cone->East.Z,
                           x * cone->North.X + y * cone->North.Y + z * cone->North.Z) - cone->Reference;
    if (azimuth > Pi) azimuth -= 2.0 * Pi;
    else if (azimuth < -Pi) azimuth += 2.0 * Pi;
    return azimuth;
}

// Every direction allowed from a new waypoint. At the apex (x, y, z), with c = sqrt(x * x + y * y)
// the cosine of its latitude, east is the unit tangent along the parallel, (-y, x, 0) / c,
// and north the unit tangent along the meridian, (-z x / c, -z y / c, c). Near a pole they
// are not defined, and below a tolerance of ten margins the interval saves nothing.
static void StartCone(DirectionCone *cone, const SpherePoint *apex)
{
    double cosLatitude = sqrt(apex->X * apex->X + apex->Y * apex->Y);
    cone->Usable = cosLatitude > 1e-9 && Tolerance() > 10.0 * ConeMarginMeters;
    cone->Started = false;
    cone->Farthest = 0.0;
    if (!cone->Usable) return;
    cone->Apex = *apex;
    cone->East.X = -apex->Y / cosLatitude;
    cone->East.Y = apex->X / cosLatitude;
    cone->East.Z = 0.0;
    cone->North.X = -apex->Z * apex->X / cosLatitude;
    cone->North.Y = -apex->Z * apex->Y / cosLatitude;
    cone->North.Z = cosLatitude;
}

// Narrows the interval to the directions that keep point, meters from the apex (more
// than the tolerance), within the tolerance.
static void NarrowCone(DirectionCone *cone, const SpherePoint *point, double meters)
{
    if (!cone->Usable) return;
    double tolerance = Tolerance() - ConeMarginMeters;
    double half = asin(sin(tolerance / EarthRadiusMeters) / sin(meters / EarthRadiusMeters));
    if (!cone->Started) {
        cone->Started = true;
        cone->Reference = 0.0;
        cone->Reference = ConeAzimuth(cone, point);
        cone->Low = -half;
        cone->High = half;
    } else {
        double azimuth = ConeAzimuth(cone, point);
        if (azimuth - half > cone->Low) cone->Low = azimuth - half;
        if (azimuth + half < cone->High) cone->High = azimuth + half;
    }
    if (cone->Low > cone->High) cone->Usable = false;
    if (meters > cone->Farthest) cone->Farthest = meters;
}

// Whether the leg to to, meters long, keeps every passed point within the tolerance by the
// interval alone (false: the points must be checked).
static bool ConeHolds(const DirectionCone *cone, const SpherePoint *to, double meters)
{
    if (!cone->Usable || !cone->Started || meters < cone->Farthest) return false;
    double azimuth = ConeAzimuth(cone, to);
    return azimuth >= cone->Low && azimuth <= cone->High;
}

// Speed-up "re-check": a leg from the waypoint that ends d metres farther away lies within
// d metres of the old one (on legs far below a quarter of the earth's circumference), and
// its end moves no more than the track does. So a point checked at deviation e against a
// leg ending at track length T needs no check against legs ending before T + (t - e).
// Saves most checks where the cone does not hold: without it a conversion takes 3-13%
// longer (as measured for the cone). Same result: the bound is kept a millimetre short,
// against the rounding of the track length's many sums.
static const double BoundLegMeters = 1000000.0;   // longer legs check every point
static const double BoundMarginMeters = 0.001;
#endif

// The pass, program-wide: the leg from the last waypoint and the points after it.
struct BoundedPass {
    LegPoint Waypoint;
    LegPoint LegEnd;         // the farthest point a leg from the waypoint reached (when HasLegEnd)
    bool HasLegEnd;
    // The points between the waypoint and the leg's end that could lie off a leg: one within
    // the tolerance of the waypoint lies within it of every leg from there, and is not kept.
    PassedPoint Passed[BoundedPassCapacity];
    int PassedCount;
    // Points after the leg's end: the first PendingCount no leg reached, the rest not yet tried.
    LegPoint Queue[BoundedLookahead];
    int PendingCount;
    int QueueCount;
#if !WAYFOLD_PLAIN
    DirectionCone Cone;
    double PassedNextCheck;  // no passed point needs a check for legs ending before this track length
    LegPoint LastRead;       // for the track length
#endif
};
static BoundedPass State;

// A new leg from waypoint: nothing passed over, nothing waiting, every direction allowed.
static void StartLeg(const LegPoint *waypoint)
{
    State.Waypoint = *waypoint;
    State.HasLegEnd = false;
    State.PassedCount = 0;
    State.PendingCount = 0;
#if !WAYFOLD_PLAIN
    State.PassedNextCheck = 0.0;
    StartCone(&State.Cone, &State.Waypoint.Sphere);
#endif
}

#if WAYFOLD_PLAIN
// Whether every point passed over lies within the tolerance of the leg.
static bool PassedWithin(const ArcFrame *leg, const LegPoint *, double, double tolerance)
{
    for (int i = State.PassedCount - 1; i >= 0; i--)
        if (ArcDeviationMeters(leg, &State.Passed[i].Sphere) > tolerance) return false;
    return true;
}
#else
// The plain check above, with the cone and the re-check.
static bool PassedWithin(const ArcFrame *leg, const LegPoint *to, double length, double tolerance)
{
    bool bounded = length <= BoundLegMeters;
    double soonest = to->Travel + tolerance;
    if (State.PassedCount == 0 || ConeHolds(&State.Cone, &to->Sphere, length)) return true;
    if (bounded && to->Travel < State.PassedNextCheck) return true;
    // The latest points first: where a track turns away they fail soonest.
    for (int i = State.PassedCount - 1; i >= 0; i--) {
        PassedPoint *passed = &State.Passed[i];
        if (!bounded || to->Travel >= passed->NextCheck) {
            double deviation = ArcDeviationMeters(leg, &passed->Sphere);
            if (deviation > tolerance) {
                State.PassedNextCheck = 0.0;
                return false;
            }
            passed->NextCheck = bounded ? to->Travel + (tolerance - deviation) - BoundMarginMeters : 0.0;
        }
        if (passed->NextCheck < soonest) soonest = passed->NextCheck;
    }
    State.PassedNextCheck = soonest;
    return true;
}
#endif

// Whether the leg from the waypoint to to is no longer than MaxMeters and passes within the
// tolerance of every point before it: the waiting ones, the leg's end, those passed over.
static bool LegReaches(const LegPoint *to)
{
    double tolerance = Tolerance();
    double length = SphereDistanceMeters(&State.Waypoint.Sphere, &to->Sphere);
    ArcFrame leg;
    if (length > (double)ThinningSettings.MaxMeters) return false;
    SetArcFrame(&State.Waypoint.Sphere, &to->Sphere, &leg);
    for (int i = State.PendingCount - 1; i >= 0; i--)
        if (ArcDeviationMeters(&leg, &State.Queue[i].Sphere) > tolerance) return false;
    if (ArcDeviationMeters(&leg, &State.LegEnd.Sphere) > tolerance) return false;
    return PassedWithin(&leg, to, length, tolerance);
}

// Keeps a point for the checks of later legs, unless it lies within the tolerance of the
// waypoint.
static void PassOver(const SpherePoint *point)
{
    double meters = SphereDistanceMeters(&State.Waypoint.Sphere, point);
    if (meters <= Tolerance()) return;
    PassedPoint *passed = &State.Passed[State.PassedCount++];
    passed->Sphere = *point;
#if !WAYFOLD_PLAIN
    NarrowCone(&State.Cone, point, meters);
    passed->NextCheck = 0.0;
    State.PassedNextCheck = 0.0;
#endif
}

// Drops the first count points of the queue.
static void Dequeue(int count)
{
    for (int i = count; i < State.QueueCount; i++) State.Queue[i - count] = State.Queue[i];
    State.QueueCount -= count;
}

// The leg's end becomes the waypoint; the waiting points are tried again from there.
static int KeepLegEnd()
{
    if (WriteWaypoint(&State.LegEnd.Point) != WaypointWritten) return PassWriteFailed;
    StartLeg(&State.LegEnd);
    return PassDone;
}

// Tries the queued points in order as the leg's new end. Those no leg reaches wait, up to
// BoundedLookahead of them; then, or when the buffer cannot take them, the leg's end is kept.
static int TryQueue()
{
    while (State.PendingCount < State.QueueCount) {
        LegPoint *next = &State.Queue[State.PendingCount];
        if (!State.HasLegEnd) {
            // The point after a waypoint: a leg between neighbours, whatever its length.
            State.LegEnd = *next;
            State.HasLegEnd = true;
            Dequeue(1);
        } else if (State.PassedCount + 1 + State.PendingCount <= BoundedPassCapacity && LegReaches(next)) {
            PassOver(&State.LegEnd.Sphere);
            for (int i = 0; i < State.PendingCount; i++) PassOver(&State.Queue[i].Sphere);
            State.LegEnd = *next;
            Dequeue(State.PendingCount + 1);
            State.PendingCount = 0;
        } else if (++State.PendingCount == BoundedLookahead ||
                   State.PassedCount + 1 + State.PendingCount > BoundedPassCapacity) {
            if (KeepLegEnd() != PassDone) return PassWriteFailed;
        }
    }
    return PassDone;
}

// Reads the next point into point with its place on the sphere (and the track length).
static bool ReadPoint(LegPoint *point)
{
    if (NextTrackPoint(&point->Point) != PointDelivered) return false;
    ToSpherePoint(&point->Point, &point->Sphere);
#if !WAYFOLD_PLAIN
    point->Travel = State.LastRead.Travel + SphereDistanceMeters(&State.LastRead.Sphere, &point->Sphere);
    State.LastRead = *point;
#endif
    return true;
}

int RunBoundedThinningPass()
{
    // The first point and two more, or the track is too short.
    LegPoint first;
    if (NextTrackPoint(&first.Point) != PointDelivered) return EndTooShort();
    ToSpherePoint(&first.Point, &first.Sphere);
#if !WAYFOLD_PLAIN
    first.Travel = 0.0;
    State.LastRead = first;
#endif
    if (!ReadPoint(&State.Queue[0]) || !ReadPoint(&State.Queue[1])) return EndTooShort();
    if (WriteWaypoint(&first.Point) != WaypointWritten) return PassWriteFailed;
    State.QueueCount = 2;
    StartLeg(&first);
    for (;;) {
        if (TryQueue() != PassDone) return PassWriteFailed;
        if (!ReadPoint(&State.Queue[State.QueueCount])) break;
        State.QueueCount++;
    }
    // End of track: the points no leg reached are taken from the leg's end, until the last
    // point delivered ends a leg; it is always a waypoint.
    while (State.QueueCount > 0) {
        if (KeepLegEnd() != PassDone || TryQueue() != PassDone) return PassWriteFailed;
    }
    if (WriteWaypoint(&State.LegEnd.Point) != WaypointWritten) return PassWriteFailed;
    return PassDone;
}
