#include <doctest/doctest.h>

#include <cmath>
#include <initializer_list>

#include "conversion/thinning.h"

namespace {

TrackPoint Point(double lat, double lon)
{
    TrackPoint p = {};
    p.Lat = lat;
    p.Lon = lon;
    SetRadians(&p);
    return p;
}

const double R = 6371032.0;
const double Rad = 0.017453292519943295;

// Haversine distance and atan2 bearing: an independent check within tolerances.
void Reference(const TrackPoint &a, const TrackPoint &b, double *meters, double *bearing)
{
    double dLat = b.LatRad - a.LatRad, dLon = b.LonRad - a.LonRad;
    double h = std::sin(dLat / 2) * std::sin(dLat / 2) +
               std::cos(a.LatRad) * std::cos(b.LatRad) * std::sin(dLon / 2) * std::sin(dLon / 2);
    *meters = 2 * R * std::asin(std::sqrt(h));
    *bearing = std::atan2(std::sin(dLon) * std::cos(b.LatRad),
                          std::cos(a.LatRad) * std::sin(b.LatRad) -
                              std::sin(a.LatRad) * std::cos(b.LatRad) * std::cos(dLon)) / Rad;
}

}  // namespace

TEST_CASE("MeasureLeg: cardinal directions and the equator")
{
    struct Case {
        const char *name;
        double latA, lonA, latB, lonB;
        double meters, bearing;  // bearing exact where the meridian rule decides it
        bool exactBearing;
    };
    const Case cases[] = {
        {"due north", 10, 20, 11, 20, R * Rad, 0.0, true},
        {"due south", 11, 20, 10, 20, R * Rad, 180.0, true},
        {"north within the meridian tolerance", 10, 20, 10.5, 20.00000005, R * 0.5 * Rad, 0.0, true},
        {"coincident points", 47.5, 8.25, 47.5, 8.25, 0.0, 0.0, true},
        {"same latitude, same longitude, south hemisphere", -33.9, 18.4, -33.9, 18.4, 0.0, 0.0, true},
        {"east along the equator", 0, 0, 0, 1, R * Rad, 90.0, false},
        {"west along the equator", 0, 1, 0, 0, R * Rad, -90.0, false},
        {"north-east", 0, 0, 1e-3, 1e-3, 157.253, 45.0, false},
    };
    for (const Case &c : cases) {
        CAPTURE(c.name);
        TrackPoint a = Point(c.latA, c.lonA), b = Point(c.latB, c.lonB);
        double meters = -1, bearing = -1;
        MeasureLeg(&a, &b, &meters, &bearing);
        CHECK(meters >= 0.0);
        CHECK(meters == doctest::Approx(c.meters).epsilon(1e-4));
        if (c.exactBearing) CHECK(bearing == c.bearing);
        else CHECK(bearing == doctest::Approx(c.bearing).epsilon(1e-6));
    }
}

TEST_CASE("MeasureLeg agrees with an independent formula away from the poles")
{
    const double places[][4] = {
        {55.75, 37.6, 59.93, 30.31},     // Moscow to St Petersburg: north-west
        {-27.350436, 153.05554, -33.85, 151.2},
        {47.644548, -122.326897, 47.6, -122.2},
        {0.5, 179.5, -0.5, -179.5},      // across the date line
        {60.0, 10.0, 60.0, 10.02},       // short leg east
    };
    for (const auto &p : places) {
        CAPTURE(p[0]);
        CAPTURE(p[2]);
        TrackPoint a = Point(p[0], p[1]), b = Point(p[2], p[3]);
        double meters, bearing, refMeters, refBearing;
        MeasureLeg(&a, &b, &meters, &bearing);
        Reference(a, b, &refMeters, &refBearing);
        CHECK(meters == doctest::Approx(refMeters).epsilon(1e-6));
        CHECK(bearing == doctest::Approx(refBearing).epsilon(1e-6));
    }
}

TEST_CASE("MeasureLeg never yields a NaN: antipodes and the poles")
{
    // Nearly antipodal points may round x below -1: half the circumference, not NaN.
    for (double lat = -89.0; lat <= 89.0; lat += 0.7) {
        CAPTURE(lat);
        TrackPoint a = Point(lat, 12.0), b = Point(-lat, -168.0);
        double meters, bearing;
        MeasureLeg(&a, &b, &meters, &bearing);
        CHECK_FALSE(std::isnan(meters));
        CHECK_FALSE(std::isnan(bearing));
        CHECK(meters == doctest::Approx(M_PI * R).epsilon(1e-6));
    }
    // Around the poles the quotient leaves -1..1 or becomes 0/0.
    int checked = 0;
    for (double lat = 89.5; lat <= 90.0; lat += 0.01)
        for (double lon = -180.0; lon <= 180.0; lon += 7.3)
            for (double step : {1e-9, 1e-6, 2e-6, 0.01, 1.0}) {
                TrackPoint a = Point(lat, lon), b = Point(std::fmin(lat + step, 90.0), lon + step * 3);
                double meters, bearing;
                MeasureLeg(&a, &b, &meters, &bearing);
                MeasureLeg(&b, &a, &meters, &bearing);
                REQUIRE_FALSE(std::isnan(meters));
                REQUIRE_FALSE(std::isnan(bearing));
                REQUIRE(bearing >= -180.0);
                REQUIRE(bearing <= 180.0);
                checked++;
            }
    CHECK(checked > 1000);
    // At the pole itself both orders stay defined.
    TrackPoint pole = Point(90.0, 0.0), near = Point(89.9, 45.0);
    double meters, bearing;
    MeasureLeg(&pole, &near, &meters, &bearing);
    CHECK_FALSE(std::isnan(bearing));
    CHECK(meters == doctest::Approx(0.1 * Rad * R).epsilon(1e-6));
}
