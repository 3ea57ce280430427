// How far a point lies from a route leg, measured apart from the product, for the tests and
// the fuzzer to check the bounded method's promise with: points as 3-D unit vectors, a
// leg's great circle spanned by its start and the unit vector at right angles to it
// towards its end, a point's place along the circle as an angle from the start.
#ifndef WAYFOLD_SPHERE_MEASURE_H
#define WAYFOLD_SPHERE_MEASURE_H

#include <algorithm>
#include <cmath>

namespace measure {

const double Radius = 6371032.0;  // metres, the thinning's sphere

struct Vec { double x, y, z; };

inline Vec Unit(double latitude, double longitude)
{
    const double lat = latitude * M_PI / 180.0, lon = longitude * M_PI / 180.0;
    return {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
}
inline double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec Cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline double Angle(Vec a, Vec b) { return std::atan2(std::sqrt(Dot(Cross(a, b), Cross(a, b))), Dot(a, b)); }
inline double Metres(Vec a, Vec b) { return Angle(a, b) * Radius; }

// Metres from p to the arc from a to b: across the great circle when p's place along it
// lies between the ends, else to the nearer end. The direction of a leg under a metre is
// not known well enough to measure across: there the distance to the nearer end, less the
// leg's length, is a bound below the deviation.
inline double FromLeg(Vec a, Vec b, Vec p)
{
    const double length = Angle(a, b), toEnd = std::min(Angle(a, p), Angle(b, p));
    if (length * Radius < 1.0) return std::max(0.0, toEnd - length) * Radius;
    const double along = Dot(a, b);
    Vec towards = {b.x - along * a.x, b.y - along * a.y, b.z - along * a.z};
    const double size = std::sqrt(Dot(towards, towards));
    towards = {towards.x / size, towards.y / size, towards.z / size};
    const double place = std::atan2(Dot(p, towards), Dot(p, a));
    if (place < 0.0 || place > length) return toEnd * Radius;
    return std::asin(std::min(1.0, std::fabs(Dot(p, Cross(a, towards))))) * Radius;
}

// The route file writes six decimals: a waypoint moves by at most half a millionth of a
// degree in each coordinate, under 7.9 cm, and its legs by no more than their ends. The
// bounded method keeps 8 cm inside the tolerance for that, so a point passed over lies
// within the tolerance of the route as written. The margin allowed on top: a millimetre
// for the rounding of the points and of this measure, and a millionth of the tolerance for
// legs of millimetres (the product's measure takes their direction from points known to
// about a nanometre, which turns it by up to a few millionths of a radian).
const double WrittenShiftMetres = 0.079;
inline double PromiseMargin(double tolerance) { return 0.001 + 1e-6 * tolerance; }

}  // namespace measure

#endif
