// The bounded thinning (see bounded_thinning.h). The plain form (WAYFOLD_PLAIN) checks
// every point passed over against every candidate leg; the default build adds two
// shortcuts, the narrow interval of allowed directions ("cone") and the re-check by track
// length, each named where it stands. Both forms give the same waypoints. A waypoint costs
// about one search per candidate, each point of a search an azimuth and a distance; on the
// benchmark track (1,000,000 points, 50 m) a conversion takes 1.9-2.8 times the classic
// rule's processor time (PLT, GPX, MPS), and 1,000,000 points 1 m apart along a nearly
// straight line 0.27-0.30 s at 5 or 50 m.
#include "conversion/bounded_thinning.h"

#include <math.h>

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

// A point read: what a waypoint passes on (latitude, longitude and the point's number)
// beside its place on the sphere, computed once. 56 bytes, so the window stays small.
struct LegPoint {
    double Lat;
    double Lon;
    int Number;
    SpherePoint Sphere;
#if !WAYFOLD_PLAIN
    double Travel;          // the track's length up to the point, for the re-check
#endif
};

// A point a search passed over that could lie off a later leg from its start: one within
// the tolerance of the start lies within it of every leg from there, and is not kept.
struct PassedPoint {
    long Number;            // its place in the window
    double Meters;          // from the search's start
#if !WAYFOLD_PLAIN
    double NextCheck;       // see the re-check
#endif
};

// The intervals of directions, as azimuths from a search's start. A passed point s metres
// away lies within t of the great circle leaving the start at azimuth a exactly when
// sin(s) sin|a - a_k| <= sin(t) (angles at the earth's centre), with a_k the point's own
// azimuth; a leg's deviation is never below that distance, and a point whose foot falls
// behind the start is farther than s from the leg's end too. So every good leg points into
// the intersection of the passed points' intervals of half-width asin(sin(t) / sin(s)).
//
// Two of them are kept. The wide one (points beyond the tolerance plus 2 mm, half-widths
// for the tolerance plus 1 mm) holds every good leg's direction, with a millimetre against
// rounding: once it is empty no later end can be good, and the search stops. Without it a
// search could only stop at the window's end or give up, many times the work. The narrow
// one (every passed point, half-widths for the tolerance less 1 mm) is the speed-up "cone":
// a leg into it keeps within the tolerance every passed point it reaches past, the foot of
// the perpendicular lying on the leg, so those need no check. Without the cone a conversion
// takes half as long again on straight stretches. Each interval is under 180 degrees wide
// and starts within 90 degrees of the first passed point's azimuth, so each stays one
// interval relative to it.
static const double Pi = 3.141592653589793;
static const double ConeMarginMeters = 0.001;
// Directions are computed from the chord, which grows ill-conditioned toward the antipode:
// longer legs are checked point by point, and farther points leave the wide interval alone.
static const double BoundLegMeters = 1000000.0;

struct DirectionCone {
    bool Usable;            // false at a pole or for a tolerance of a few millimetres
    bool Started;           // the intervals hold a passed point's directions
    SpherePoint Apex;       // the search's start
    SpherePoint East;       // unit vectors east and north at the apex
    SpherePoint North;
    double Reference;       // the first passed point's azimuth; the bounds are relative to it
    double SinWide;
    double SinNarrow;
    double WideLow;
    double WideHigh;
    double NarrowLow;
    double NarrowHigh;
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

// Every direction allowed from a search's start. At the apex (x, y, z), with
// c = sqrt(x * x + y * y) the cosine of its latitude, east is the unit tangent along the
// parallel, (-y, x, 0) / c, and north the unit tangent along the meridian,
// (-z x / c, -z y / c, c). Near a pole they are not defined, and below a tolerance of ten
// margins the intervals save nothing.
static void StartCone(DirectionCone *cone, const SpherePoint *apex)
{
    double cosLatitude = sqrt(apex->X * apex->X + apex->Y * apex->Y);
    cone->Usable = cosLatitude > 1e-9 && Tolerance() > 10.0 * ConeMarginMeters;
    cone->Started = false;
    if (!cone->Usable) return;
    cone->Apex = *apex;
    cone->East.X = -apex->Y / cosLatitude;
    cone->East.Y = apex->X / cosLatitude;
    cone->East.Z = 0.0;
    cone->North.X = -apex->Z * apex->X / cosLatitude;
    cone->North.Y = -apex->Z * apex->Y / cosLatitude;
    cone->North.Z = cosLatitude;
    cone->SinWide = sin((Tolerance() + ConeMarginMeters) / EarthRadiusMeters);
    cone->SinNarrow = sin((Tolerance() - ConeMarginMeters) / EarthRadiusMeters);
    cone->WideLow = cone->NarrowLow = -Pi / 2.0;
    cone->WideHigh = cone->NarrowHigh = Pi / 2.0;
}

static double HalfWidth(double sinTolerance, double sinMeters)
{
    double ratio = sinTolerance / sinMeters;
    return asin(ratio < 1.0 ? ratio : 1.0);
}

// Narrows the intervals by point, meters from the apex (more than the tolerance). Returns
// false when the wide one is empty: no leg past point can be good.
static bool NarrowCone(DirectionCone *cone, const SpherePoint *point, double meters, double azimuth)
{
    if (!cone->Usable) return true;
    if (!cone->Started) {
        cone->Started = true;
        cone->Reference = 0.0;
        cone->Reference = ConeAzimuth(cone, point);
        azimuth = 0.0;
    }
    double sinMeters = sin(meters / EarthRadiusMeters);
    double half = HalfWidth(cone->SinNarrow, sinMeters);
    if (azimuth - half > cone->NarrowLow) cone->NarrowLow = azimuth - half;
    if (azimuth + half < cone->NarrowHigh) cone->NarrowHigh = azimuth + half;
    if (meters <= Tolerance() + 2.0 * ConeMarginMeters || meters > BoundLegMeters) return true;
    half = HalfWidth(cone->SinWide, sinMeters);
    if (azimuth - half > cone->WideLow) cone->WideLow = azimuth - half;
    if (azimuth + half < cone->WideHigh) cone->WideHigh = azimuth + half;
    return cone->WideLow <= cone->WideHigh;
}

#if !WAYFOLD_PLAIN
// Speed-up "re-check": a leg from a start that ends d metres farther away lies within d
// metres of the old one (on legs far below a quarter of the earth's circumference), and
// its end moves no more than the track does. So a point checked at deviation e against a
// leg ending at track length T needs no check against legs ending before T + (t - e).
// Saves most checks where the cone does not hold. Same result: the bound is kept a
// millimetre short, against the rounding of the track length's many sums.
static const double BoundMarginMeters = 0.001;
#endif

// What a search from a point found: the last BoundedEndRanks good ends, in a ring.
struct LegSearch {
    long Start;
    long Ends[BoundedEndRanks];
    long EndCount;          // all good ends found; the latest is the farthest
    bool Complete;          // ended by the wide interval or giving up, not by the window
};

// The pass, program-wide: the window of points read since the waypoint, which is slot 0,
// and the points a search passed over.
struct BoundedPass {
    LegPoint Window[BoundedPassCapacity];   // point number n in slot n % BoundedPassCapacity
    long Base;               // the waypoint's number, counting from the track's first point
    long Count;              // points in the window
    bool Ended;              // the track source has no more points
    PassedPoint Passed[BoundedPassCapacity];
    int PassedCount;
    double PassedFarthest;   // metres from the search's start to the farthest passed point
    DirectionCone Cone;
#if !WAYFOLD_PLAIN
    double PassedNextCheck;  // no passed point needs a check for legs ending before this track length
    LegPoint LastRead;       // for the track length
#endif
    LegSearch Current;       // the search from the waypoint
    LegSearch Trial;         // the search from a candidate
    LegSearch Best;          // the best candidate's
};
static BoundedPass State;

static LegPoint *PointAt(long number)
{
    return &State.Window[number % BoundedPassCapacity];
}

// Reads the next point into point with its place on the sphere (and the track length).
static bool ReadPoint(LegPoint *point)
{
    TrackPoint read;
    if (NextTrackPoint(&read) != PointDelivered) return false;
    point->Lat = read.Lat;
    point->Lon = read.Lon;
    point->Number = read.Number;
    ToSpherePoint(&read, &point->Sphere);
#if !WAYFOLD_PLAIN
    point->Travel = State.LastRead.Travel + SphereDistanceMeters(&State.LastRead.Sphere, &point->Sphere);
    State.LastRead = *point;
#endif
    return true;
}

// Whether point number is in the window, reading it when the window has room.
static bool Available(long number)
{
    if (number < State.Base + State.Count) return true;
    if (State.Ended || State.Count == BoundedPassCapacity) return false;
    if (!ReadPoint(PointAt(number))) {
        State.Ended = true;
        return false;
    }
    State.Count++;
    return true;
}

#if WAYFOLD_PLAIN
// Whether every point passed over lies within the tolerance of the leg.
static bool PassedWithin(const LegPoint *from, const LegPoint *to, double, double, double tolerance)
{
    ArcFrame leg;
    SetArcFrame(&from->Sphere, &to->Sphere, &leg);
    for (int i = State.PassedCount - 1; i >= 0; i--)
        if (ArcDeviationMeters(&leg, &PointAt(State.Passed[i].Number)->Sphere) > tolerance) return false;
    return true;
}
#else
// The plain check above, with the cone and the re-check. Outside the wide interval some
// passed point lies beyond the tolerance; inside the narrow one the points the leg reaches
// past need no check.
static bool PassedWithin(const LegPoint *from, const LegPoint *to, double length, double azimuth,
                         double tolerance)
{
    const DirectionCone *cone = &State.Cone;
    bool bounded = length <= BoundLegMeters;
    bool inside = false;
    double soonest = to->Travel + tolerance;
    if (State.PassedCount == 0) return true;
    if (bounded && cone->Usable && cone->Started) {
        if (azimuth < cone->WideLow || azimuth > cone->WideHigh) return false;
        inside = azimuth >= cone->NarrowLow && azimuth <= cone->NarrowHigh;
        if (inside && length >= State.PassedFarthest) return true;
    }
    if (bounded && to->Travel < State.PassedNextCheck) return true;
    ArcFrame frame;
    const ArcFrame *leg = &frame;
    SetArcFrame(&from->Sphere, &to->Sphere, &frame);
    // The latest points first: where a track turns away they fail soonest.
    for (int i = State.PassedCount - 1; i >= 0; i--) {
        PassedPoint *passed = &State.Passed[i];
        bool reached = inside && passed->Meters <= length;
        if (!reached && (!bounded || to->Travel >= passed->NextCheck)) {
            double deviation = ArcDeviationMeters(leg, &PointAt(passed->Number)->Sphere);
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

// Whether the leg from start to to is no longer than MaxMeters and passes within the
// tolerance of every point passed over.
// The leg is length metres long; azimuth is its direction in the cone once that is started.
static bool LegGood(const LegPoint *start, const LegPoint *to, double length, double azimuth)
{
    if (length > (double)ThinningSettings.MaxMeters) return false;
    return PassedWithin(start, to, length, azimuth, Tolerance());
}

// The legs from point number start that end inside the window: each end is tried in turn
// until the wide interval is empty, BoundedGiveUp ends in a row fail, or the window or the
// track ends. The point after the start always ends a good leg.
static void Search(LegSearch *search, long start)
{
    const LegPoint *from = PointAt(start);
    search->Start = start;
    search->EndCount = 0;
    search->Complete = false;
    State.PassedCount = 0;
    State.PassedFarthest = 0.0;
#if !WAYFOLD_PLAIN
    State.PassedNextCheck = 0.0;
#endif
    StartCone(&State.Cone, &from->Sphere);
    for (long j = start + 1; Available(j); j++) {
        const LegPoint *to = PointAt(j);
        double meters = SphereDistanceMeters(&from->Sphere, &to->Sphere);
        double azimuth = State.Cone.Usable && State.Cone.Started ? ConeAzimuth(&State.Cone, &to->Sphere) : 0.0;
        if (j == start + 1 || LegGood(from, to, meters, azimuth)) search->Ends[search->EndCount++ % BoundedEndRanks] = j;
        long farthest = search->Ends[(search->EndCount - 1) % BoundedEndRanks];
        if (j - farthest >= BoundedGiveUp) {
            search->Complete = true;
            return;
        }
        // j lies between the start and every later end.
        if (meters <= Tolerance()) continue;
        PassedPoint *passed = &State.Passed[State.PassedCount++];
        passed->Number = j;
        passed->Meters = meters;
        if (meters > State.PassedFarthest) State.PassedFarthest = meters;
#if !WAYFOLD_PLAIN
        passed->NextCheck = 0.0;
        State.PassedNextCheck = 0.0;
#endif
        if (!NarrowCone(&State.Cone, &to->Sphere, meters, azimuth)) {
            search->Complete = true;
            return;
        }
    }
}

static long Farthest(const LegSearch *search)
{
    return search->Ends[(search->EndCount - 1) % BoundedEndRanks];
}

// The good end rank places back from the farthest, or -1.
static long EndAtRank(const LegSearch *search, long rank)
{
    if (rank >= search->EndCount || rank >= BoundedEndRanks) return -1;
    return search->Ends[(search->EndCount - 1 - rank) % BoundedEndRanks];
}

// Writes point as a waypoint.
static int Keep(const LegPoint *point)
{
    TrackPoint waypoint;
    waypoint.Lat = point->Lat;
    waypoint.Lon = point->Lon;
    waypoint.LatRad = waypoint.LonRad = waypoint.Bearing = 0.0;
    waypoint.Number = point->Number;
    return WriteWaypoint(&waypoint) == WaypointWritten ? PassDone : PassWriteFailed;
}

// Every point is a waypoint when none may be passed over.
static int KeepEveryPoint()
{
    LegPoint point;
    while (ReadPoint(&point))
        if (Keep(&point) != PassDone) return PassWriteFailed;
    return PassDone;
}

int RunBoundedThinningPass()
{
    static const long Ranks[] = { 0, 2, 8, 32 };
    // The first point and two more, or the track is too short.
#if !WAYFOLD_PLAIN
    State.LastRead.Travel = 0.0;
#endif
    if (!ReadPoint(&State.Window[0])) return EndTooShort();
#if !WAYFOLD_PLAIN
    State.Window[0].Travel = 0.0;
    State.LastRead = State.Window[0];
#endif
    if (!ReadPoint(&State.Window[1]) || !ReadPoint(&State.Window[2])) return EndTooShort();
    if (Keep(&State.Window[0]) != PassDone) return PassWriteFailed;
    if (Tolerance() < 0.0) {
        if (Keep(&State.Window[1]) != PassDone || Keep(&State.Window[2]) != PassDone) return PassWriteFailed;
        return KeepEveryPoint();
    }
    State.Base = 0;
    State.Count = 3;
    State.Ended = false;
    bool known = false;
    // One round a waypoint: the good ends of legs from the waypoint are the candidates, and
    // the one whose own next leg reaches farthest is kept.
    while (Available(State.Base + 1)) {
        if (!known) Search(&State.Current, State.Base);
        known = false;
        long farthest = Farthest(&State.Current);
        long candidates[sizeof Ranks / sizeof Ranks[0]];
        int candidateCount = 0;
        for (int r = 0; r < (int)(sizeof Ranks / sizeof Ranks[0]); r++) {
            long end = EndAtRank(&State.Current, Ranks[r]);
            if (end >= 0) candidates[candidateCount++] = end;
        }
        long best = -1;
        long bestReach = -1;
        bool bestSearched = false;
        for (int c = 0; c < candidateCount; c++) {
            long candidate = candidates[c];
            if (!Available(candidate + 1)) {
                // The track's last point (reaching farthest of all), or the window's.
                if (candidate == farthest) {
                    best = candidate;
                    bestSearched = false;
                    break;
                }
                continue;
            }
            Search(&State.Trial, candidate);
            long reach = Farthest(&State.Trial);
            if (reach > bestReach) {
                best = candidate;
                bestReach = reach;
                bestSearched = true;
                State.Best = State.Trial;
            }
        }
        if (Keep(PointAt(best)) != PassDone) return PassWriteFailed;
        State.Count -= best - State.Base;
        State.Base = best;
        // The kept point's search serves the next round unless the window cut it short.
        if (bestSearched && State.Best.Complete) {
            State.Current = State.Best;
            known = true;
        }
    }
    return PassDone;
}
