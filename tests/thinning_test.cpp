// The classic keep rule and the leg measure it decides on.
#include <doctest/doctest.h>

#include <cmath>

#include "conversion/thinning.h"
#include "tests/test_support.h"

TEST_CASE("KeepCandidate: the rules in order, strict comparisons, folded turns")
{
    const struct { int minMeters, maxMeters, maxDegrees, maxOrtError; double meters, bearing, nextMeters, nextBearing, reference; int keep; } cases[] = {
        {2000, 1000, 5, 50, 1500, 90, 1500, 90, 0, 0},  // closeness first
        {5, 1000, 5, 50, 4, 0, 6, 0, 0, 0},
        {5, 1000, 180, 50, 5, 0, 4.9, 90, 0, 0},
        {5, 1000, 5, 50, 4.9, 0, 4.9, 120, 0, 0},
        {5, 1000, 5, 50, 1000.0001, 0, 100, 0, 0, 1},  // distance
        {5, 1000, 5, 50, 1000, 0, 100, 0, 0, 0},
        {5, -1, 5, 50, 10, 0, 10, 0, 0, 1},
        {5, 1000, 5, 50, 100, 0, 100, 5.0001, 0, 1},  // turn of the next leg
        {5, 1000, 5, 50, 100, 0, 100, 5, 0, 0},
        {5, 1000, 5, 50, 100, 170, 100, -170, 170, 1},
        {5, 1000, 25, 50, 100, 170, 100, -170, 170, 0},
        {5, 1000, 179, 50, 100, 0, 100, 180, 0, 1},
        {5, 1000, 180, 1000000, 100, 0, 100, 180, 0, 0},
        {5, 1000, 5, 50, 100, 0, 100, -30, 0, 1},
        {5, 100000, 5, 50, 899.8, 3.56, 200, 4, 0, 1},  // orthogonal error: tan(deviation) * meters
        {5, 100000, 5, 50, 699.8, 3.4, 200, 4, 0, 0},
        {5, 100000, 180, 0, 500, 120, 200, 120, 0, 0},
        {5, 1000, 5, -1, 100, 0, 100, 0, 0, 1},
        {5, 1000, 5, 0, 100, 0, 100, 0, 0, 0},
        {0, 1000, 5, 50, 0, 0, 0, 90, 0, 1},
        {INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX, 1e9, 0, 1e9, -90, 0, 0},
    };
    for (const auto &c : cases) {
        CAPTURE(c.meters);
        SetSettings(c.minMeters, c.maxMeters, c.maxDegrees, c.maxOrtError);
        CHECK(KeepCandidate(c.meters, c.bearing, c.nextMeters, c.nextBearing, c.reference) == c.keep);
    }
    ResetSettings();
}

TEST_CASE("MeasureLeg: distance and bearing on the sphere, never NaN")
{
    const double R = 6371032.0, Rad = RadiansPerDegree;
    const struct { double latA, lonA, latB, lonB, meters, bearing; } cases[] = {
        {10, 20, 11, 20, R * Rad, 0.0}, {11, 20, 10, 20, R * Rad, 180.0}, {10, 20, 10.5, 20.00000005, R * 0.5 * Rad, 0.0},
        {-33.9, 18.4, -33.9, 18.4, 0.0, 0.0}, {0, 0, 0, 1, R * Rad, 90.0}, {0, 1, 0, 0, R * Rad, -90.0},
        {0, 0, 1e-3, 1e-3, 157.253, 45.0}, {55.75, 37.6, 59.93, 30.31, 633499.08, -39.827},
    };
    double meters, bearing;
    auto measure = [&](double latA, double lonA, double latB, double lonB) {
        TrackPoint a = {latA, lonA, latA * Rad, lonA * Rad, 0, 0}, b = {latB, lonB, latB * Rad, lonB * Rad, 0, 0};
        MeasureLeg(&a, &b, &meters, &bearing);
    };
    for (const auto &c : cases) {
        measure(c.latA, c.lonA, c.latB, c.lonB);
        CHECK(meters == doctest::Approx(c.meters).epsilon(1e-4));
        CHECK(bearing == doctest::Approx(c.bearing).epsilon(1e-3));
    }
    // Antipodes, and short legs near the poles, where the quotients leave -1..1 or are 0/0.
    for (double lat = -89.0; lat <= 90.0; lat += 0.7) {
        measure(lat, 12.0, -lat, -168.0);
        REQUIRE(meters == doctest::Approx(M_PI * R).epsilon(1e-6));
        for (double step : {1e-9, 1e-6, 0.01, 1.0})
            for (int back = 0; back < 2; back++) {
                back ? measure(std::fmin(lat + step, 90.0), 12.0 + step * 3, lat, 12.0) : measure(lat, 12.0, std::fmin(lat + step, 90.0), 12.0 + step * 3);
                REQUIRE((!std::isnan(meters + bearing) && std::fabs(bearing) <= 180.0));
            }
    }
}
