#include "conversion/thinning.h"

#include <math.h>
#include <string.h>

#include "conversion/route_writer.h"
#include "conversion/status_log.h"
#include "readers/track_source.h"
#include "settings/thinning_settings.h"

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

static void SetTrig(const TrackPoint *point, LatitudeTrig *trig)
{
    trig->Sin = sin(point->LatRad);
    trig->Cos = cos(point->LatRad);
}

static void MeasureLegWithTrig(const TrackPoint *from, const LatitudeTrig *a, const TrackPoint *to,
                               const LatitudeTrig *b, double *meters, double *bearing)
{
    double deltaLon = to->LonRad - from->LonRad;
    // Central angle by the spherical law of cosines; rounding may push x past +-1.
    double x = cos(from->LonRad - to->LonRad) * b->Cos * a->Cos + b->Sin * a->Sin;
    double sigma;
    if (x > 1.0) sigma = 0.0;
    else if (x < -1.0) sigma = Pi;
    else sigma = acos(x);
    *meters = fabs(sigma * EarthRadiusMeters);

    // Along a meridian the bearing is exact: north (or no move at all) or south.
    if (fabs(deltaLon) < MeridianTolerance) {
        *bearing = from->LatRad > to->LatRad ? 180.0 : 0.0;
        return;
    }
    // The angle at A in the triangle pole, A, B; near the poles the quotient can leave
    // -1..1 or be 0/0, where the bearing is taken as the limit or as north.
    double sine = 1.0 - x * x;
    if (sine < 0.0) sine = 0.0;
    double c = (b->Sin - a->Sin * x) / (sqrt(sine) * a->Cos);
    if (c != c) {
        *bearing = 0.0;
        return;
    }
    if (c > 1.0) c = 1.0;
    else if (c < -1.0) c = -1.0;
    *bearing = acos(c) * DegreesPerRadian;
    // West of north is negative.
    if (sin(deltaLon) < 0) *bearing = -*bearing;
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

// The legs the pass measured last, with their ends' bits: a receiver standing still logs
// the same position again and again, and the same leg then comes up again and again.
// Two are kept, as the pass measures two legs for each dropped point.
struct MeasuredLeg {
    double Ends[4];   // from's LatRad and LonRad, to's LatRad and LonRad
    double Meters;
    double Bearing;
};
static const int RememberedLegs = 2;
static MeasuredLeg Remembered[RememberedLegs];
static int RememberNext = 0;

// MeasureLegWithTrig, or its result for the same bits measured just before.
static void MeasurePassLeg(const TrackPoint *from, const LatitudeTrig *a, const TrackPoint *to,
                           const LatitudeTrig *b, double *meters, double *bearing)
{
    double ends[4] = {from->LatRad, from->LonRad, to->LatRad, to->LonRad};
    for (int i = 0; i < RememberedLegs; i++) {
        if (memcmp(Remembered[i].Ends, ends, sizeof ends) == 0) {
            *meters = Remembered[i].Meters;
            *bearing = Remembered[i].Bearing;
            return;
        }
    }
    MeasureLegWithTrig(from, a, to, b, meters, bearing);
    MeasuredLeg *leg = &Remembered[RememberNext];
    RememberNext = (RememberNext + 1) % RememberedLegs;
    memcpy(leg->Ends, ends, sizeof ends);
    leg->Meters = *meters;
    leg->Bearing = *bearing;
}

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
    double deviation = Turn(candidateBearing, referenceBearing);
    double error = tan(deviation * RadiansPerDegree) * candidateMeters;
    if (error > (double)ThinningSettings.MaxOrtError) return 1;
    return 0;
}

// Fewer than three points: reported, both files closed.
static int TooShort()
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
    double candidateMeters;
    double candidateBearing;
    double nextMeters;
    double nextBearing;
    int keep;
    // No leg of an earlier track counts.
    for (int i = 0; i < RememberedLegs; i++) Remembered[i].Ends[0] = NotALatitude;

    // Fill the window: the first point, the first candidate and the point after it.
    if (NextTrackPoint(&LastWaypoint) != PointDelivered) return TooShort();
    SetTrig(&LastWaypoint, &LastWaypointTrig);
    if (NextTrackPoint(&Candidate) != PointDelivered) return TooShort();
    SetTrig(&Candidate, &CandidateTrig);
    MeasurePassLeg(&LastWaypoint, &LastWaypointTrig, &Candidate, &CandidateTrig,
                   &candidateMeters, &candidateBearing);
    LastWaypoint.Bearing = candidateBearing;
    if (NextTrackPoint(&NextPoint) != PointDelivered) return TooShort();
    SetTrig(&NextPoint, &NextPointTrig);
    MeasurePassLeg(&Candidate, &CandidateTrig, &NextPoint, &NextPointTrig, &nextMeters, &nextBearing);
    Candidate.Bearing = nextBearing;
    if (WriteWaypoint(&LastWaypoint) != WaypointWritten) return PassWriteFailed;

    for (;;) {
        keep = KeepCandidate(candidateMeters, candidateBearing, nextMeters, nextBearing,
                             LastWaypoint.Bearing);
        if (keep) {
            // The candidate becomes the waypoint; its next leg is the new candidate's leg.
            if (WriteWaypoint(&Candidate) != WaypointWritten) return PassWriteFailed;
            LastWaypoint = Candidate;
            LastWaypointTrig = CandidateTrig;
            Candidate = NextPoint;
            CandidateTrig = NextPointTrig;
            candidateMeters = nextMeters;
            candidateBearing = nextBearing;
            if (NextTrackPoint(&NextPoint) != PointDelivered) break;
            SetNextPointTrig();
        } else {
            // The candidate is dropped; measure from the waypoint to the new candidate.
            Candidate = NextPoint;
            CandidateTrig = NextPointTrig;
            if (NextTrackPoint(&NextPoint) != PointDelivered) break;
            SetNextPointTrig();
            MeasurePassLeg(&LastWaypoint, &LastWaypointTrig, &Candidate, &CandidateTrig,
                           &candidateMeters, &candidateBearing);
        }
        MeasurePassLeg(&Candidate, &CandidateTrig, &NextPoint, &NextPointTrig, &nextMeters, &nextBearing);
        Candidate.Bearing = nextBearing;
    }
    // End of track: the last point delivered is always a waypoint.
    if (WriteWaypoint(&Candidate) != WaypointWritten) return PassWriteFailed;
    return PassDone;
}
