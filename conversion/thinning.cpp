#include "conversion/thinning.h"

#include <math.h>
#include <string.h>

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
static const double Pi = 3.141592653589793;
// A LatRad no point has (readers keep latitudes within +-90 degrees): marks a remembered
// leg as empty.
static const double NotALatitude = 1000.0;

// The sine and cosine of a point's latitude. Each slot of the window keeps its point's
// beside it, so every point's are computed once however many legs it ends.
struct LatitudeTrig {
    double Sin;
    double Cos;
};
static LatitudeTrig LastWaypointTrig;
static LatitudeTrig CandidateTrig;
static LatitudeTrig NextPointTrig;

// For k = 1..5, the largest double below k pi (no double equals a multiple of pi but 0).
static const double PiMultiplesBelow[5] = {
    3.141592653589793, 6.283185307179586, 9.42477796076938, 12.566370614359172,
    15.707963267948966
};
static const int PiMultiplesKnown = 5;

// Whether sin(angle) < 0 for an angle other than 0. Within five half turns either way the
// sign comes from the number of multiples of pi the angle's size passes: an odd count
// turns it. A double beyond them (or NaN) goes to sin itself. The sine's sign is exact
// either way: the library's result lies within an ulp of the true sine, which is never 0.
static bool SineIsNegative(double angle)
{
    double size = fabs(angle);
    if (!(size <= PiMultiplesBelow[PiMultiplesKnown - 1])) return sin(angle) < 0;
    bool turned = false;
    for (int k = 0; k < PiMultiplesKnown - 1; k++)
        if (size > PiMultiplesBelow[k]) turned = !turned;
    return (angle > 0) == turned;
}

static void SetTrig(const TrackPoint *point, LatitudeTrig *trig)
{
    trig->Sin = sin(point->LatRad);
    trig->Cos = cos(point->LatRad);
}

// A leg's length in metres, and x, the cosine of its central angle, which its bearing
// is found from.
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

static void MeasureLegWithTrig(const TrackPoint *from, const LatitudeTrig *a, const TrackPoint *to,
                               const LatitudeTrig *b, double *meters, double *bearing)
{
    double x;
    *meters = LegMeters(from, a, to, b, &x);
    *bearing = LegBearing(from, a, to, b, x);
}

void MeasureLeg(const TrackPoint *from, const TrackPoint *to, double *meters, double *bearing)
{
    LatitudeTrig a;
    LatitudeTrig b;
    SetTrig(from, &a);
    SetTrig(to, &b);
    MeasureLegWithTrig(from, &a, to, &b, meters, bearing);
}

// NextPoint's trig; the same latitude as the candidate's (the point before it) has the
// candidate's.
static void SetNextPointTrig()
{
    if (memcmp(&NextPoint.LatRad, &Candidate.LatRad, sizeof NextPoint.LatRad) == 0)
        NextPointTrig = CandidateTrig;
    else
        SetTrig(&NextPoint, &NextPointTrig);
}

// A leg of the pass: its length at once, its bearing only once a decision needs it (a
// point close to both neighbours is dropped on the lengths alone). Ends holds the bits of
// from's LatRad and LonRad and to's LatRad and LonRad.
struct PassLeg {
    double Ends[4];
    double Meters;
    double X;
    double Bearing;
    bool HasBearing;
    int Slot;   // the remembered leg it was measured into or taken from
};

// The legs the pass measured last: a receiver standing still logs the same position again
// and again, and the same leg then comes up again and again. Two are kept, as the pass
// measures two legs for each dropped point.
static const int RememberedLegs = 2;
static PassLeg Remembered[RememberedLegs];
static int RememberNext = 0;

// The leg's length, or the whole leg as measured before for the same bits.
static void MeasurePassLeg(const TrackPoint *from, const LatitudeTrig *a, const TrackPoint *to,
                           const LatitudeTrig *b, PassLeg *leg)
{
    leg->Ends[0] = from->LatRad;
    leg->Ends[1] = from->LonRad;
    leg->Ends[2] = to->LatRad;
    leg->Ends[3] = to->LonRad;
    for (int i = 0; i < RememberedLegs; i++) {
        if (memcmp(Remembered[i].Ends, leg->Ends, sizeof leg->Ends) == 0) {
            *leg = Remembered[i];
            return;
        }
    }
    leg->Meters = LegMeters(from, a, to, b, &leg->X);
    leg->HasBearing = false;
    leg->Slot = RememberNext;
    Remembered[RememberNext] = *leg;
    RememberNext = RememberNext + 1 == RememberedLegs ? 0 : RememberNext + 1;
}

// The leg's bearing, found the first time it is asked for, and kept with the remembered
// leg it came from while that one still holds it (a bearing not kept is only found again,
// to the same bits).
static double PassLegBearing(const TrackPoint *from, const LatitudeTrig *a, const TrackPoint *to,
                             const LatitudeTrig *b, PassLeg *leg)
{
    if (!leg->HasBearing) {
        leg->Bearing = LegBearing(from, a, to, b, leg->X);
        leg->HasBearing = true;
        PassLeg *kept = &Remembered[leg->Slot];
        if (memcmp(kept->Ends, leg->Ends, sizeof leg->Ends) == 0) {
            kept->Bearing = leg->Bearing;
            kept->HasBearing = true;
        }
    }
    return leg->Bearing;
}

// A bound this far below a limit (a relative millionth) stays below it whatever the
// rounding of the values it bounds.
static const double SafeBelow = 0.999999;

// The difference of two bearings folded into 0..180 degrees.
static double Turn(double first, double second)
{
    double turn = fabs(first - second);
    if (turn > 180.0) turn = 360.0 - turn;
    return turn;
}

int KeepCandidate(double candidateMeters, double candidateBearing, double nextMeters,
                  double nextBearing, double referenceBearing)
{
    double minMeters = (double)ThinningSettings.MinMeters;
    // Close to both neighbours: dropped, whatever the other tests say.
    if (candidateMeters < minMeters && nextMeters < minMeters) return 0;
    // Far from the last waypoint.
    if (candidateMeters > (double)ThinningSettings.MaxMeters) return 1;
    // The leg leaving the candidate turns away from the reference bearing.
    if (Turn(nextBearing, referenceBearing) > (double)ThinningSettings.MaxDegrees) return 1;
    // The candidate lies too far off the line along the reference bearing.
    double radians = Turn(candidateBearing, referenceBearing) * RadiansPerDegree;
    double limit = (double)ThinningSettings.MaxOrtError;
    // Below a radian, tan(r) <= r / cos(r) <= r / (1 - r * r / 2): an error well under the
    // limit by that bound is under it by tan too, whose call is then saved. The margin is
    // far wider than any rounding of either.
    if (limit > 0.0 && radians >= 0.0 && radians < 1.0 && candidateMeters >= 0.0 &&
        candidateMeters * radians / (1.0 - 0.5 * radians * radians) < limit * SafeBelow)
        return 0;
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

int RunThinningPass()
{
    PassLeg candidateLeg;   // from the last waypoint to the candidate
    PassLeg nextLeg;        // from the candidate to the next point
    double minMeters = (double)ThinningSettings.MinMeters;
    int keep;
    // No leg of an earlier track counts.
    for (int i = 0; i < RememberedLegs; i++) Remembered[i].Ends[0] = NotALatitude;

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
        // Close to both neighbours: dropped on the lengths alone, as KeepCandidate would.
        if (candidateLeg.Meters < minMeters && nextLeg.Meters < minMeters) {
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
            // The candidate becomes the waypoint; its next leg is the new candidate's leg.
            if (WriteWaypoint(&Candidate) != WaypointWritten) return PassWriteFailed;
            LastWaypoint = Candidate;
            LastWaypointTrig = CandidateTrig;
            Candidate = NextPoint;
            CandidateTrig = NextPointTrig;
            candidateLeg = nextLeg;
            if (NextTrackPoint(&NextPoint) != PointDelivered) break;
            SetNextPointTrig();
        } else {
            // The candidate is dropped; measure from the waypoint to the new candidate.
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
