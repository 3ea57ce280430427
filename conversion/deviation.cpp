#include "conversion/deviation.h"

#include <math.h>

// Below this sine of the angle between A and B (about 0.2 mm on the earth) a leg has no
// great circle of its own that rounding could not turn.
static const double DegenerateSine = 3e-11;

static double Dot(const SpherePoint *a, const SpherePoint *b)
{
    return a->X * b->X + a->Y * b->Y + a->Z * b->Z;
}

static void Cross(const SpherePoint *a, const SpherePoint *b, SpherePoint *out)
{
    out->X = a->Y * b->Z - a->Z * b->Y;
    out->Y = a->Z * b->X - a->X * b->Z;
    out->Z = a->X * b->Y - a->Y * b->X;
}

static double Length(const SpherePoint *v)
{
    return sqrt(Dot(v, v));
}

static void FromRadians(double latitude, double longitude, SpherePoint *out)
{
    double cosLat = cos(latitude);
    out->X = cosLat * cos(longitude);
    out->Y = cosLat * sin(longitude);
    out->Z = sin(latitude);
}

void ToSpherePoint(const TrackPoint *point, SpherePoint *out)
{
    FromRadians(point->LatRad, point->LonRad, out);
}

void SpherePointFromDegrees(double latitude, double longitude, SpherePoint *out)
{
    FromRadians(latitude * RadiansPerDegree, longitude * RadiansPerDegree, out);
}

double SphereDistanceMeters(const SpherePoint *a, const SpherePoint *b)
{
    // The angle from its sine and cosine: exact at every size, unlike acos near 0.
    SpherePoint normal;
    Cross(a, b, &normal);
    return atan2(Length(&normal), Dot(a, b)) * EarthRadiusMeters;
}

void SetArcFrame(const SpherePoint *a, const SpherePoint *b, ArcFrame *frame)
{
    SpherePoint normal;
    double sine;
    frame->A = *a;
    frame->B = *b;
    Cross(a, b, &normal);
    sine = Length(&normal);
    frame->Degenerate = !(sine > DegenerateSine);
    if (frame->Degenerate) return;
    frame->Normal.X = normal.X / sine;
    frame->Normal.Y = normal.Y / sine;
    frame->Normal.Z = normal.Z / sine;
    Cross(&frame->Normal, a, &frame->FromA);
    Cross(b, &frame->Normal, &frame->ToB);
}

double ArcDeviationMeters(const ArcFrame *frame, const SpherePoint *p)
{
    if (FootOnArc(frame, p)) {
        double sine = fabs(Dot(p, &frame->Normal));
        if (sine > 1.0) sine = 1.0;
        return asin(sine) * EarthRadiusMeters;
    }
    double toA = SphereDistanceMeters(&frame->A, p);
    double toB = SphereDistanceMeters(&frame->B, p);
    return toA < toB ? toA : toB;
}
