// The bounded thinning (see bounded_thinning.h). The plain form (WAYFOLD_PLAIN) checks
// every point passed over against every candidate leg; the default build adds two
// shortcuts, the narrow interval of allowed directions ("cone") and the re-check by track
// length, each named where it stands. Both forms give the same waypoints. A waypoint costs
// about one search per candidate; a search computes no arc and calls no trigonometry, only
// products and a square root or two a point. On the benchmark track (1,000,000 points,
// 50 m) a conversion takes 1.3-1.5 times the classic rule's time (PLT, GPX, NMEA, MPS), and
// 1,000,000 points 1 m apart along a nearly straight line 0.09-0.11 s at 5 or 50 m.
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
    double Chord2;          // its squared chord from the search's start
#if !WAYFOLD_PLAIN
    double NextCheck;       // see the re-check
#endif
};

// The thresholds of a pass, from the settings. Distances from a search's start are compared
// as squared chords of the unit sphere, |P - A|^2, which grow with the distance along the
// great circle: no arc needs computing for a comparison.
struct PassLimits {
    double Tolerance;       // metres; below zero no point may be passed over
    double SinTolerance;    // its sine, as an angle at the earth's centre (above 1 from 90 degrees on)
    double WithinChord2;    // its squared chord: a point this close to a start lies within the tolerance of every leg from it
    double WideChord2;      // points farther than this narrow the wide interval (see below)
    double LegChord2;       // MaxMeters
    double BoundChord2;     // BoundLegMeters
    double SinWide;         // sines of the half-widths' tolerances, angles at the earth's centre
    double SinNarrow;
    bool Usable;            // the intervals are used: not for a tolerance of a few millimetres
};

// The squared chord between points meters apart along a great circle; above every chord
// (4) from half the circumference on.
static double ChordSquared(double meters)
{
    if (meters >= Pi * EarthRadiusMeters) return 5.0;
    double chord = 2.0 * sin(meters / (2.0 * EarthRadiusMeters));
    return chord * chord;
}

// The intervals of directions from a search's start. A passed point s metres away lies
// within t of the great circle leaving the start at azimuth a exactly when
// sin(s) sin|a - a_k| <= sin(t) (angles at the earth's centre), with a_k the point's own
// azimuth; a leg's deviation is never below that distance, and a point whose foot falls
// behind the start is farther than s from the leg's end too. So every good leg points into
// the intersection of the passed points' intervals of half-width h = asin(sin(t) / sin(s)).
//
// Two of them are kept. The wide one (points beyond the tolerance plus 2 mm, half-widths
// for the tolerance plus 1 mm) holds every good leg's direction, with a millimetre against
// rounding: once it is empty no later end can be good, and the search stops. Without it a
// search could only stop at the window's end or give up, many times the work. The narrow
// one (every passed point, half-widths for the tolerance less 1 mm) is the speed-up "cone"
// (below), and is kept only in the default build.
//
// Directions are vectors in the tangent plane at the start, by their parts along the first
// passed point's direction and across it (positive to its east), and are compared by the
// sign of their cross product: no angle is computed. Every interval starts as the half plane
// ahead (-90 to 90 degrees from the first passed point's direction) and only narrows, so
// its bounds stay in that half plane, where the cross product orders directions.
// Directions are computed from the chord, which grows ill-conditioned toward the antipode:
// longer legs are checked point by point, and farther points leave the wide interval alone.
static const double ConeMarginMeters = 0.001;
static const double BoundLegMeters = 1000000.0;

struct Direction {
    double Along;
    double Across;
};

// Above zero when to lies counterclockwise of from (farther east, the azimuth growing).
static double Turn(const Direction *from, const Direction *to)
{
    return from->Along * to->Across - from->Across * to->Along;
}

struct DirectionRange {
    Direction Low;
    Direction High;
    bool Empty;
};

static void OpenRange(DirectionRange *range)
{
    range->Low.Along = range->High.Along = 0.0;
    range->Low.Across = -1.0;
    range->High.Across = 1.0;
    range->Empty = false;
}

// Narrows range to the directions within the half-width h from to's direction, where
// to's length is sin(s) and sin(h) = sinTolerance / sin(s) (h = 90 degrees past its end). The
// bounds are to's direction turned by -h and +h, scaled by sin(s)^2 > 0:
// to cos(h) -+ to-turned-90-degrees sin(h). A bound behind the half plane leaves the range
// alone when it lies on its own side of the point's direction, and empties it otherwise:
// a low bound from a point left of ahead (0 < a <= 180 degrees) can fall behind only past
// +90, a high bound from a point right of it only past -90.
static void NarrowRange(DirectionRange *range, const Direction *to, double sinTolerance)
{
    if (range->Empty) return;
    double sin2 = to->Along * to->Along + to->Across * to->Across;
    double tolerance2 = sinTolerance * sinTolerance;
    double along = 0.0, across = 1.0;   // cos(h) and sin(h), scaled alike
    if (sin2 > tolerance2) {
        along = sqrt(sin2 - tolerance2);
        across = sinTolerance;
    }
    bool left = to->Across > 0.0 || (to->Across == 0.0 && to->Along < 0.0);
    Direction low, high;
    low.Along = to->Along * along + to->Across * across;
    low.Across = to->Across * along - to->Along * across;
    high.Along = to->Along * along - to->Across * across;
    high.Across = to->Across * along + to->Along * across;
    if (low.Along > 0.0) {
        if (Turn(&range->Low, &low) > 0.0) range->Low = low;
    } else if (left) {
        range->Empty = true;
    }
    if (high.Along > 0.0) {
        if (Turn(&high, &range->High) > 0.0) range->High = high;
    } else if (to->Across < 0.0) {
        range->Empty = true;
    }
    if (Turn(&range->High, &range->Low) > 0.0) range->Empty = true;
}

#if !WAYFOLD_PLAIN
static bool InRange(const DirectionRange *range, const Direction *direction)
{
    return !range->Empty && Turn(&range->Low, direction) >= 0.0 && Turn(direction, &range->High) >= 0.0;
}
#endif

// The frame of a search: its start, and once a point is passed over, the unit tangents along
// that point's direction and across it (Along x Start, toward its east) with the intervals.
struct SearchFrame {
    SpherePoint Start;
    bool Started;
    SpherePoint Along;
    SpherePoint Across;
    DirectionRange Wide;
#if !WAYFOLD_PLAIN
    DirectionRange Narrow;
#endif
};

static double Dot3(const SpherePoint *a, const SpherePoint *b)
{
    return a->X * b->X + a->Y * b->Y + a->Z * b->Z;
}

static double ChordSquaredBetween(const SpherePoint *a, const SpherePoint *b)
{
    SpherePoint d;
    d.X = a->X - b->X;
    d.Y = a->Y - b->Y;
    d.Z = a->Z - b->Z;
    return Dot3(&d, &d);
}

// The chord from the start to point, its squared length and its direction in the tangent
// plane (its projection there has the length sin(s), and the direction of the great circle;
// none before the frame has started).
static double Chord(const SearchFrame *frame, const SpherePoint *point, Direction *direction)
{
    SpherePoint d;
    d.X = point->X - frame->Start.X;
    d.Y = point->Y - frame->Start.Y;
    d.Z = point->Z - frame->Start.Z;
    direction->Along = direction->Across = 0.0;
    if (frame->Started) {
        direction->Along = Dot3(&d, &frame->Along);
        direction->Across = Dot3(&d, &frame->Across);
    }
    return Dot3(&d, &d);
}

// Takes the first point passed over, chord d from the start, as the frame's reference: its
// part across the start, d - (d . A) A, and the tangent at right angles to it, Along x A.
static void StartFrame(SearchFrame *frame, const SpherePoint *point)
{
    const SpherePoint *a = &frame->Start;
    SpherePoint d;
    d.X = point->X - a->X;
    d.Y = point->Y - a->Y;
    d.Z = point->Z - a->Z;
    double onStart = Dot3(&d, a);
    d.X -= onStart * a->X;
    d.Y -= onStart * a->Y;
    d.Z -= onStart * a->Z;
    double length = sqrt(Dot3(&d, &d));
    frame->Along.X = d.X / length;
    frame->Along.Y = d.Y / length;
    frame->Along.Z = d.Z / length;
    frame->Across.X = frame->Along.Y * a->Z - frame->Along.Z * a->Y;
    frame->Across.Y = frame->Along.Z * a->X - frame->Along.X * a->Z;
    frame->Across.Z = frame->Along.X * a->Y - frame->Along.Y * a->X;
    frame->Started = true;
    OpenRange(&frame->Wide);
#if !WAYFOLD_PLAIN
    OpenRange(&frame->Narrow);
#endif
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
    PassLimits Limits;
    PassedPoint Passed[BoundedPassCapacity];
    int PassedCount;
    double PassedFarthest;   // the squared chord from the search's start to the farthest passed point
    SearchFrame Frame;
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

#if !WAYFOLD_PLAIN
// The track's length only bounds the re-check, so a step may be measured long: from the
// chord c < 1, the arc 2 asin(c / 2) is at most c (1 + c^2 / 18), as asin(x) <= x + x^3 / 4.5
// for x <= 1 / 2 (no coefficient of its series exceeds 1 / 6). Spares an arc tangent a point.
static double ArcAtMostMeters(const SpherePoint *a, const SpherePoint *b)
{
    double chord2 = ChordSquaredBetween(a, b);
    if (chord2 >= 1.0) return SphereDistanceMeters(a, b) + BoundMarginMeters;
    return sqrt(chord2) * (1.0 + chord2 / 18.0) * EarthRadiusMeters;
}
#endif

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
    point->Travel = State.LastRead.Travel + ArcAtMostMeters(&State.LastRead.Sphere, &point->Sphere);
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

// The deviation of a point from a leg, the measure of deviation.h, in a form that grows with
// it and needs no arc: the sine of the angle from the leg's great circle when the foot of the
// perpendicular falls on the leg, else the squared chord to the nearer end.
struct Deviation {
    bool OnLeg;
    double Value;
};

static void MeasureDeviation(const ArcFrame *leg, const SpherePoint *p, Deviation *out)
{
    out->OnLeg = FootOnArc(leg, p);
    if (out->OnLeg) {
        out->Value = fabs(Dot3(p, &leg->Normal));
        return;
    }
    double toA = ChordSquaredBetween(&leg->A, p);
    double toB = ChordSquaredBetween(&leg->B, p);
    out->Value = toA < toB ? toA : toB;
}

static bool Within(const Deviation *deviation)
{
    return deviation->Value <= (deviation->OnLeg ? State.Limits.SinTolerance : State.Limits.WithinChord2);
}

#if WAYFOLD_PLAIN
// Whether every point passed over lies within the tolerance of the leg.
static bool PassedWithin(const LegPoint *from, const LegPoint *to, double, const Direction *)
{
    ArcFrame leg;
    SetArcFrame(&from->Sphere, &to->Sphere, &leg);
    for (int i = State.PassedCount - 1; i >= 0; i--) {
        Deviation deviation;
        MeasureDeviation(&leg, &PointAt(State.Passed[i].Number)->Sphere, &deviation);
        if (!Within(&deviation)) return false;
    }
    return true;
}
#else
// The deviation in metres, for the re-check; the asin of a value rounded past 1 is 90 degrees.
static double DeviationMeters(const Deviation *deviation)
{
    if (deviation->OnLeg) return asin(deviation->Value < 1.0 ? deviation->Value : 1.0) * EarthRadiusMeters;
    double half = sqrt(deviation->Value) / 2.0;
    return 2.0 * asin(half < 1.0 ? half : 1.0) * EarthRadiusMeters;
}

// Speed-up "cone": a leg that points into the narrow interval keeps within the tolerance
// every passed point it reaches past, the foot of the perpendicular lying on the leg, so
// those need no check; one that points outside the wide interval passes some point beyond
// the tolerance. Saves the check of every passed point on straight stretches: without it a
// conversion takes half as long again. Same result: the intervals are kept a millimetre
// inside and outside the tolerance, far beyond the rounding of the checks they save.
// Whether every point passed over lies within the tolerance of the leg, with the cone and
// the re-check.
static bool PassedWithin(const LegPoint *from, const LegPoint *to, double chord2, const Direction *direction)
{
    const SearchFrame *frame = &State.Frame;
    double tolerance = State.Limits.Tolerance;
    bool bounded = chord2 <= State.Limits.BoundChord2;
    bool inside = false;
    double soonest = to->Travel + tolerance;
    if (State.PassedCount == 0) return true;
    if (bounded && frame->Started) {
        if (!InRange(&frame->Wide, direction)) return false;
        inside = InRange(&frame->Narrow, direction);
        if (inside && chord2 >= State.PassedFarthest) return true;
    }
    if (bounded && to->Travel < State.PassedNextCheck) return true;
    ArcFrame leg;
    SetArcFrame(&from->Sphere, &to->Sphere, &leg);
    // The latest points first: where a track turns away they fail soonest.
    for (int i = State.PassedCount - 1; i >= 0; i--) {
        PassedPoint *passed = &State.Passed[i];
        bool reached = inside && passed->Chord2 <= chord2;
        if (!reached && (!bounded || to->Travel >= passed->NextCheck)) {
            Deviation deviation;
            MeasureDeviation(&leg, &PointAt(passed->Number)->Sphere, &deviation);
            if (!Within(&deviation)) {
                State.PassedNextCheck = 0.0;
                return false;
            }
            passed->NextCheck = bounded ? to->Travel + (tolerance - DeviationMeters(&deviation)) - BoundMarginMeters : 0.0;
        }
        if (passed->NextCheck < soonest) soonest = passed->NextCheck;
    }
    State.PassedNextCheck = soonest;
    return true;
}
#endif

// The legs from point number start that end inside the window: each end is tried in turn
// until the wide interval is empty, BoundedGiveUp ends in a row fail, or the window or the
// track ends. The point after the start always ends a good leg; a later one when the leg is
// no longer than MaxMeters and passes within the tolerance of every point passed over.
static void Search(LegSearch *search, long start)
{
    const LegPoint *from = PointAt(start);
    const PassLimits *limits = &State.Limits;
    SearchFrame *frame = &State.Frame;
    search->Start = start;
    search->EndCount = 0;
    search->Complete = false;
    State.PassedCount = 0;
    State.PassedFarthest = 0.0;
#if !WAYFOLD_PLAIN
    State.PassedNextCheck = 0.0;
#endif
    frame->Start = from->Sphere;
    frame->Started = false;
    for (long j = start + 1; Available(j); j++) {
        const LegPoint *to = PointAt(j);
        Direction direction;
        double chord2 = Chord(frame, &to->Sphere, &direction);
        if (j == start + 1 || (chord2 <= limits->LegChord2 && PassedWithin(from, to, chord2, &direction)))
            search->Ends[search->EndCount++ % BoundedEndRanks] = j;
        long farthest = search->Ends[(search->EndCount - 1) % BoundedEndRanks];
        if (j - farthest >= BoundedGiveUp) {
            search->Complete = true;
            return;
        }
        // j lies between the start and every later end.
        if (chord2 <= limits->WithinChord2) continue;
        PassedPoint *passed = &State.Passed[State.PassedCount++];
        passed->Number = j;
        passed->Chord2 = chord2;
        if (chord2 > State.PassedFarthest) State.PassedFarthest = chord2;
#if !WAYFOLD_PLAIN
        passed->NextCheck = 0.0;
        State.PassedNextCheck = 0.0;
#endif
        if (!limits->Usable) continue;
        if (!frame->Started) {
            StartFrame(frame, &to->Sphere);
            Chord(frame, &to->Sphere, &direction);
        }
#if !WAYFOLD_PLAIN
        NarrowRange(&frame->Narrow, &direction, limits->SinNarrow);
#endif
        if (chord2 <= limits->WideChord2 || chord2 > limits->BoundChord2) continue;
        NarrowRange(&frame->Wide, &direction, limits->SinWide);
        if (frame->Wide.Empty) {
            search->Complete = true;
            return;
        }
    }
}

// The thresholds of a pass from the settings.
static void SetLimits(PassLimits *limits)
{
    double tolerance = (double)ThinningSettings.MaxOrtError - WrittenSlackMeters;
    limits->Tolerance = tolerance;
    limits->SinTolerance = tolerance < Pi / 2.0 * EarthRadiusMeters ? sin(tolerance / EarthRadiusMeters) : 2.0;
    limits->WithinChord2 = ChordSquared(tolerance);
    limits->WideChord2 = ChordSquared(tolerance + 2.0 * ConeMarginMeters);
    limits->LegChord2 = ChordSquared((double)ThinningSettings.MaxMeters);
    limits->BoundChord2 = ChordSquared(BoundLegMeters);
    limits->SinWide = sin((tolerance + ConeMarginMeters) / EarthRadiusMeters);
    limits->SinNarrow = sin((tolerance - ConeMarginMeters) / EarthRadiusMeters);
    limits->Usable = tolerance > 10.0 * ConeMarginMeters;
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

// The candidate whose own next leg reaches farthest, of those tried in a round.
struct Choice {
    long Best;              // -1 before the first
    long Reach;             // the farthest good end of its search
    bool Searched;          // State.Best holds its search
    bool Final;             // the track's or the window's last point: no other is tried
};

// Searches from candidate, a good end of the waypoint's legs, and takes it when its next leg
// reaches farther than the best so far (the farther candidate of two that tie).
static void TryCandidate(long candidate, long farthest, Choice *choice)
{
    if (choice->Final) return;
    if (!Available(candidate + 1)) {
        // The track's last point (reaching farthest of all), or the window's.
        if (candidate == farthest) {
            choice->Best = candidate;
            choice->Searched = false;
            choice->Final = true;
        }
        return;
    }
    Search(&State.Trial, candidate);
    long reach = Farthest(&State.Trial);
    if (reach > choice->Reach || (reach == choice->Reach && candidate > choice->Best)) {
        choice->Best = candidate;
        choice->Reach = reach;
        choice->Searched = true;
        State.Best = State.Trial;
    }
}

int RunBoundedThinningPass()
{
    // The candidates: the good ends at these ranks from the farthest, in this order. The first
    // four found are always tried, the rest only where an end behind the farthest won: on
    // noisy tracks the best start often lies among them (8 m scatter at 10 m: 6% more
    // waypoints than the fewest instead of 11%), and on smooth ones the farthest mostly
    // wins, so they cost little.
    static const long Ranks[] = { 0, 1, 3, 8, 2, 4, 5, 6, 7 };
    const int rankCount = (int)(sizeof Ranks / sizeof Ranks[0]);
    const int alwaysTried = 4;
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
    SetLimits(&State.Limits);
    if (State.Limits.Tolerance < 0.0) {
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
        Choice choice = { -1, -1, false, false };
        int tried = 0;
        for (int r = 0; r < rankCount && !(tried >= alwaysTried && choice.Best == farthest); r++) {
            long end = EndAtRank(&State.Current, Ranks[r]);
            if (end < 0) continue;
            TryCandidate(end, farthest, &choice);
            tried++;
        }
        if (Keep(PointAt(choice.Best)) != PassDone) return PassWriteFailed;
        State.Count -= choice.Best - State.Base;
        State.Base = choice.Best;
        // The kept point's search serves the next round unless the window cut it short.
        if (choice.Searched && State.Best.Complete) {
            State.Current = State.Best;
            known = true;
        }
    }
    return PassDone;
}
