// How far a track point lies from the route: distances on the thinning's sphere between
// points and great-circle arcs. Points are taken as unit vectors, which keeps distances
// of centimetres as exact as distances of thousands of kilometres.
#ifndef WAYFOLD_DEVIATION_H
#define WAYFOLD_DEVIATION_H

#include "readers/track_input.h"

// Radius of the earth's sphere, metres: the thinning measures on it.
const double EarthRadiusMeters = 6371032.0;

// A point on the unit sphere: x towards latitude 0 longitude 0, z towards the north pole.
struct SpherePoint {
    double X;
    double Y;
    double Z;
};

// One route leg, from A to B, ready to measure many points against.
struct ArcFrame {
    SpherePoint A;
    SpherePoint B;
    SpherePoint Normal;   // unit normal of the leg's great circle (A x B), when it has one
    SpherePoint FromA;    // Normal x A: points beyond A's side have a positive product
    SpherePoint ToB;      // B x Normal: the same for B's side
    bool Degenerate;      // A and B coincide or are antipodes: no one great circle
};

// From a point's LatRad and LonRad.
void ToSpherePoint(const TrackPoint *point, SpherePoint *out);

// From latitude and longitude in degrees.
void SpherePointFromDegrees(double latitude, double longitude, SpherePoint *out);

// Great-circle distance between two points, metres (>= 0).
double SphereDistanceMeters(const SpherePoint *a, const SpherePoint *b);

// Sets frame up for the leg from a to b.
void SetArcFrame(const SpherePoint *a, const SpherePoint *b, ArcFrame *frame);

// Whether the foot of p's perpendicular on the leg's great circle falls on the leg: p lies on
// the inner side of both ends. Never for a degenerate leg.
inline bool FootOnArc(const ArcFrame *frame, const SpherePoint *p)
{
    return !frame->Degenerate &&
           p->X * frame->FromA.X + p->Y * frame->FromA.Y + p->Z * frame->FromA.Z >= 0.0 &&
           p->X * frame->ToB.X + p->Y * frame->ToB.Y + p->Z * frame->ToB.Z >= 0.0;
}

// The deviation of p from the leg, metres (>= 0): its distance to the great-circle arc
// from A to B when the foot of its perpendicular falls on the arc, else its distance to
// the nearer end. A degenerate leg measures from A and B alone.
double ArcDeviationMeters(const ArcFrame *frame, const SpherePoint *p);

#endif
