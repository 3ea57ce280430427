// The classic thinning: one pass over the track that decides for every point between the
// first and the last whether it becomes a route waypoint.
//
// The pass holds three points: LastWaypoint (the last point written), Candidate (the point
// under decision) and NextPoint (the one after it). Each decision measures two legs on the
// sphere: waypoint to candidate, and candidate to next point. KeepCandidate keeps the
// candidate when it lies more than MaxMeters from the waypoint, when the leg that leaves it
// turns more than MaxDegrees from the reference bearing (the bearing with which the track
// left the waypoint), or when its orthogonal error against that bearing (tan of the
// deviation times the distance) exceeds MaxOrtError; a candidate closer than MinMeters to
// both the waypoint and the next point is dropped first, whatever the other tests say.
// A kept candidate becomes the waypoint and its next leg becomes the new candidate's leg;
// a dropped one gives way to the next point, measured from the same waypoint. The first
// and the last point are always written.
//
// The plain form (WAYFOLD_PLAIN) is the rule as just told. The default build adds four
// speed-ups, each named where it stands and each giving the same bits: the sign of a
// bearing without sin, the tangent bound, the latitude trig kept per slot, and the
// bearings found only when a decision asks for them.
#include "conversion/thinning.h"

#include <math.h>
#include <string.h>

#include "common/angles.h"
#include "conversion/route_writer.h"
#include "conversion/status_log.h"
#include "readers/track_source.h"
#include "settings/thinning_settings.h"

int ThinningMethod = ThinningClassic;
TrackPoint LastWaypoint;
TrackPoint Candidate;
TrackPoint NextPoint;

// Legs whose longitudes differ by less than this many radians run due north or south.
static const double MeridianTolerance = 0.000001;

// ---- One leg on the sphere ----

// The sine and cosine of a point's latitude.
struct LatitudeTrig {
    double Sin;
    double Cos;
};

static void SetTrig(const TrackPoint *point, LatitudeTrig *trig)
{
    trig->Sin = sin(point->LatRad);
    trig->Cos = cos(point->LatRad);
}

#if WAYFOLD_PLAIN
// Whether a bearing with this difference of longitudes points west of north.
static bool SineIsNegative(double angle)
{
    return sin(angle) < 0;
}
#else
// Speed-up "sign by multiples of pi": the sign of sin(angle) from how many multiples of pi
// the angle's size passes (an odd count turns it), within five half turns either way;
// beyond them (or NaN) sin itself. Saves one sin per bearing: 1-4% of the time of a
// conversion (MPS, 1,000,000 points, both bench profiles). Same result: no double but 0 is a multiple of pi, so the true sine is
// never 0 and the library's lies within an ulp of it, on its side of 0, as the count does.
// For k = 1..5, the largest double below k pi.
static const double PiMultiplesBelow[5] = {
    3.141592653589793, 6.283185307179586, 9.42477796076938, 12.566370614359172,
    15.707963267948966
};
static const int PiMultiplesKnown = 5;

static bool SineIsNegative(double angle)
{
    double size = fabs(angle);
    if (!(size <= PiMultiplesBelow[PiMultiplesKnown - 1])) return sin(angle) < 0;
    bool turned = false;
    for (int k = 0; k < PiMultiplesKnown - 1; k++)
        if (size > PiMultiplesBelow[k]) turned = !turned;
    return (angle > 0) == turned;
}
#endif

// A leg's length in metres, and x, the cosine of its central angle, which its bearing
// is found from. a and b are the trig of from's and to's latitudes.
static double LegMeters(const TrackPoint *from, const LatitudeTrig *a, const TrackPoint *to,
                        const LatitudeTrig *b, double *x)
{
    // Central angle by the spherical law of cosines; rounding may push x past +-1.
    *x = cos(from->LonRad - to->LonRad) * b->Cos * a->Cos + b->Sin * a->Sin;
    double sigma;
    if (*x > 1.0) sigma = 0.0;
    else if (*x < -1.0) sigma = Pi;
    else sigma = acos(*x);
    return fabs(sigma * EarthRadiusMeters);
}

// A leg's initial bearing, from the x its length was found with.
static double LegBearing(const TrackPoint *from, const LatitudeTrig *a, const TrackPoint *to,
                         const LatitudeTrig *b, double x)
{
    double deltaLon = to->LonRad - from->LonRad;
    // Along a meridian the bearing is exact: north (or no move at all) or south.
    if (fabs(deltaLon) < MeridianTolerance) return from->LatRad > to->LatRad ? 180.0 : 0.0;
    // The angle at A in the triangle pole, A, B; near the poles the quotient can leave
    // -1..1 or be 0/0, where the bearing is taken as the limit or as north.
    double sine = 1.0 - x * x;
    if (sine < 0.0) sine = 0.0;
    double c = (b->Sin - a->Sin * x) / (sqrt(sine) * a->Cos);
    if (c != c) return 0.0;
    if (c > 1.0) c = 1.0;
    else if (c < -1.0) c = -1.0;
    double bearing = acos(c) * DegreesPerRadian;
    // West of north is negative.
    if (SineIsNegative(deltaLon)) bearing = -bearing;
    return bearing;
}

void MeasureLeg(const TrackPoint *from, const TrackPoint *to, double *meters, double *bearing)
{
    LatitudeTrig a;
    LatitudeTrig b;
    double x;
    SetTrig(from, &a);
    SetTrig(to, &b);
    *meters = LegMeters(from, &a, to, &b, &x);
    *bearing = LegBearing(from, &a, to, &b, x);
}

// ---- The keep rule ----

// A candidate closer than MinMeters to both neighbours: dropped before any other test.
static bool CloseToBoth(double candidateMeters, double nextMeters)
{
    double minMeters = (double)ThinningSettings.MinMeters;
    return candidateMeters < minMeters && nextMeters < minMeters;
}

// The difference of two bearings folded into 0..180 degrees.
static double Turn(double first, double second)
{
    double turn = fabs(first - second);
    if (turn > 180.0) turn = 360.0 - turn;
    return turn;
}

#if !WAYFOLD_PLAIN
// A bound this far below a limit (a relative millionth) stays below it whatever the
// rounding of the values it bounds.
static const double SafeBelow = 0.999999;

// Speed-up "tangent bound": below a radian, tan(r) <= r / cos(r) <= r / (1 - r * r / 2),
// so an error that bound puts well under the limit is under it by tan too, and the
// candidate is dropped without calling tan. Saves tan on most decisions, at most 2% of a
// conversion (MPS, 1,000,000 points), within the noise of the measure. Same result: the margin (a millionth) is far wider than
// the few ulps either side can be rounded by.
static bool TangentBoundBelow(double radians, double meters, double limit)
{
    return limit > 0.0 && radians >= 0.0 && radians < 1.0 && meters >= 0.0 &&
           meters * radians / (1.0 - 0.5 * radians * radians) < limit * SafeBelow;
}
#endif

int KeepCandidate(double candidateMeters, double candidateBearing, double nextMeters,
                  double nextBearing, double referenceBearing)
{
    if (CloseToBoth(candidateMeters, nextMeters)) return 0;
    // Far from the last waypoint.
    if (candidateMeters > (double)ThinningSettings.MaxMeters) return 1;
    // The leg leaving the candidate turns away from the reference bearing.
    if (Turn(nextBearing, referenceBearing) > (double)ThinningSettings.MaxDegrees) return 1;
    // The candidate lies too far off the line along the reference bearing.
    double radians = Turn(candidateBearing, referenceBearing) * RadiansPerDegree;
    double limit = (double)ThinningSettings.MaxOrtError;
#if !WAYFOLD_PLAIN
    if (TangentBoundBelow(radians, candidateMeters, limit)) return 0;
#endif
    double error = tan(radians) * candidateMeters;
    if (error > limit) return 1;
    return 0;
}

int EndTooShort()
{
    StatusAppend(L"Too short input file!\r\n");
    fclose(InputFile);
    InputFile = 0;
    fclose(OutputFile);
    OutputFile = 0;
    return PassTooShort;
}

// ---- The pass ----

#if WAYFOLD_PLAIN
int RunThinningPass()
{
    double candidateMeters;    // from the last waypoint to the candidate
    double candidateBearing;
    double nextMeters;         // from the candidate to the next point
    double nextBearing;

    // Fill the window: the first point, the first candidate and the point after it. The
    // first reference bearing is that from the first point to the second.
    if (NextTrackPoint(&LastWaypoint) != PointDelivered) return EndTooShort();
    if (NextTrackPoint(&Candidate) != PointDelivered) return EndTooShort();
    MeasureLeg(&LastWaypoint, &Candidate, &candidateMeters, &candidateBearing);
    LastWaypoint.Bearing = candidateBearing;
    if (NextTrackPoint(&NextPoint) != PointDelivered) return EndTooShort();
    MeasureLeg(&Candidate, &NextPoint, &nextMeters, &nextBearing);
    Candidate.Bearing = nextBearing;
    if (WriteWaypoint(&LastWaypoint) != WaypointWritten) return PassWriteFailed;

    for (;;) {
        if (KeepCandidate(candidateMeters, candidateBearing, nextMeters, nextBearing,
                          LastWaypoint.Bearing)) {
            // The candidate becomes the waypoint; its bearing is the new reference, and
            // its next leg is the new candidate's leg.
            if (WriteWaypoint(&Candidate) != WaypointWritten) return PassWriteFailed;
            LastWaypoint = Candidate;
            Candidate = NextPoint;
            candidateMeters = nextMeters;
            candidateBearing = nextBearing;
            if (NextTrackPoint(&NextPoint) != PointDelivered) break;
        } else {
            // The candidate is dropped; the waypoint and its reference bearing stay.
            Candidate = NextPoint;
            if (NextTrackPoint(&NextPoint) != PointDelivered) break;
            MeasureLeg(&LastWaypoint, &Candidate, &candidateMeters, &candidateBearing);
        }
        MeasureLeg(&Candidate, &NextPoint, &nextMeters, &nextBearing);
        Candidate.Bearing = nextBearing;
    }
    // End of track: the last point delivered is always a waypoint.
    if (WriteWaypoint(&Candidate) != WaypointWritten) return PassWriteFailed;
    return PassDone;
}
#else
// Speed-up "trig per slot": each slot of the window keeps the sine and cosine of its
// point's latitude beside it, so a point's are found once however many legs it ends (and
// a next point on the candidate's latitude, as when a receiver stands still, takes the
// candidate's). Saves four of the six sin and cos of a dropped point: a seventh of the time
// of a conversion (MPS, 1,000,000 points; the plain pass with only this added). Same
// result: the same function of the same bits.
static LatitudeTrig LastWaypointTrig;
static LatitudeTrig CandidateTrig;
static LatitudeTrig NextPointTrig;

static void SetNextPointTrig()
{
    if (memcmp(&NextPoint.LatRad, &Candidate.LatRad, sizeof NextPoint.LatRad) == 0)
        NextPointTrig = CandidateTrig;
    else
        SetTrig(&NextPoint, &NextPointTrig);
}

// Speed-up "bearings when asked": a leg's length is found at once, its bearing only once a
// decision needs it: a candidate close to both neighbours is dropped on the lengths alone.
// Saves the bearings of points dropped as close, many where a receiver stands still. (Legs
// kept by the bits of their ends, for a receiver logging one position again and again, were
// tried too: on the bench's tracks the look-ups cost more than they saved, 6% of a
// conversion's time.) Same result: the closeness test needs no bearing, and a bearing found
// later is found from the same numbers.
struct PassLeg {
    double Meters;
    double X;
    double Bearing;
    bool HasBearing;
};

static void MeasurePassLeg(const TrackPoint *from, const LatitudeTrig *a, const TrackPoint *to,
                           const LatitudeTrig *b, PassLeg *leg)
{
    leg->Meters = LegMeters(from, a, to, b, &leg->X);
    leg->HasBearing = false;
}

// The leg's bearing, found the first time it is asked for.
static double PassLegBearing(const TrackPoint *from, const LatitudeTrig *a, const TrackPoint *to,
                             const LatitudeTrig *b, PassLeg *leg)
{
    if (!leg->HasBearing) {
        leg->Bearing = LegBearing(from, a, to, b, leg->X);
        leg->HasBearing = true;
    }
    return leg->Bearing;
}

// The plain pass above with the trig per slot and the bearings when asked.
int RunThinningPass()
{
    PassLeg candidateLeg;   // from the last waypoint to the candidate
    PassLeg nextLeg;        // from the candidate to the next point
    int keep;

    // Fill the window: the first point, the first candidate and the point after it.
    if (NextTrackPoint(&LastWaypoint) != PointDelivered) return EndTooShort();
    SetTrig(&LastWaypoint, &LastWaypointTrig);
    if (NextTrackPoint(&Candidate) != PointDelivered) return EndTooShort();
    SetTrig(&Candidate, &CandidateTrig);
    MeasurePassLeg(&LastWaypoint, &LastWaypointTrig, &Candidate, &CandidateTrig, &candidateLeg);
    LastWaypoint.Bearing = PassLegBearing(&LastWaypoint, &LastWaypointTrig, &Candidate, &CandidateTrig,
                                          &candidateLeg);
    if (NextTrackPoint(&NextPoint) != PointDelivered) return EndTooShort();
    SetTrig(&NextPoint, &NextPointTrig);
    MeasurePassLeg(&Candidate, &CandidateTrig, &NextPoint, &NextPointTrig, &nextLeg);
    if (WriteWaypoint(&LastWaypoint) != WaypointWritten) return PassWriteFailed;

    for (;;) {
        // KeepCandidate's first test, asked before the bearings are found.
        if (CloseToBoth(candidateLeg.Meters, nextLeg.Meters)) {
            keep = 0;
        } else {
            double candidateBearing = PassLegBearing(&LastWaypoint, &LastWaypointTrig, &Candidate,
                                                     &CandidateTrig, &candidateLeg);
            double nextBearing = PassLegBearing(&Candidate, &CandidateTrig, &NextPoint, &NextPointTrig,
                                                &nextLeg);
            Candidate.Bearing = nextBearing;
            keep = KeepCandidate(candidateLeg.Meters, candidateBearing, nextLeg.Meters, nextBearing,
                                 LastWaypoint.Bearing);
        }
        if (keep) {
            if (WriteWaypoint(&Candidate) != WaypointWritten) return PassWriteFailed;
            LastWaypoint = Candidate;
            LastWaypointTrig = CandidateTrig;
            Candidate = NextPoint;
            CandidateTrig = NextPointTrig;
            candidateLeg = nextLeg;
            if (NextTrackPoint(&NextPoint) != PointDelivered) break;
            SetNextPointTrig();
        } else {
            Candidate = NextPoint;
            CandidateTrig = NextPointTrig;
            if (NextTrackPoint(&NextPoint) != PointDelivered) break;
            SetNextPointTrig();
            MeasurePassLeg(&LastWaypoint, &LastWaypointTrig, &Candidate, &CandidateTrig, &candidateLeg);
        }
        MeasurePassLeg(&Candidate, &CandidateTrig, &NextPoint, &NextPointTrig, &nextLeg);
    }
    // End of track: the last point delivered is always a waypoint.
    if (WriteWaypoint(&Candidate) != WaypointWritten) return PassWriteFailed;
    return PassDone;
}
#endif
