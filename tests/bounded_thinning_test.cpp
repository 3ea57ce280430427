#include <doctest/doctest.h>

#include <random>
#include <vector>

#include "conversion/conversion_job.h"
#include "conversion/deviation.h"
#include "conversion/thinning.h"
#include "tests/test_support.h"

namespace {

SpherePoint Sphere(const LatLon &point)
{
    SpherePoint out;
    SpherePointFromDegrees(point.lat, point.lon, &out);
    return out;
}

// The numbers of the points kept by the last conversion, as the route writer tells them.
std::vector<int> Kept;

JobOutcome ConvertBounded(const std::vector<LatLon> &track)
{
    Kept.clear();
    ThinningMethod = ThinningBounded;
    OnWaypointWritten = [](const TrackPoint *point) { Kept.push_back(point->Number); };
    JobOutcome outcome = ConvertBytes(PltTrack(track), InputFormatPlt, "walk.plt");
    OnWaypointWritten = nullptr;
    ThinningMethod = ThinningClassic;
    return outcome;
}

}  // namespace

TEST_CASE("Bounded thinning: every point within the tolerance, legs within MaxMeters, both ends kept")
{
    std::mt19937 random(7);
    std::normal_distribution<double> wobble(0.0, 8.0);
    std::uniform_real_distribution<double> anyBearing(0.0, 360.0);
    std::vector<Leg> wander, zigzag, jitter, jump;
    double heading = 0.0;
    for (int i = 0; i < 1500; i++) {
        heading += wobble(random);
        wander.push_back({heading, 5.0});
        zigzag.push_back({(i / 25) % 2 ? 30.0 : 150.0, 4.0});
        jitter.push_back({anyBearing(random), 3.0});
        jump.push_back({heading, i == 700 ? 20000.0 : 5.0});
    }
    struct Case {
        const char *name;
        const std::vector<Leg> &legs;
        int maxMeters;
        int tolerance;
        size_t waypoints;  // 0: any count
    };
    const std::vector<Leg> meridian = Repeat(6000, {0.0, 1.0});
    std::vector<Leg> spike = Repeat(10, {0.0, 10.0});
    spike.push_back({90.0, 30.0});
    spike.push_back({270.0, 30.0});
    spike.insert(spike.end(), 10, {0.0, 10.0});
    const Case cases[] = {
        {"wander, 10 m", wander, 1000, 10, 0},
        {"wander, 50 m", wander, 1000, 50, 0},
        {"wander, 150 m, short legs", wander, 120, 150, 0},
        {"zigzag", zigzag, 100000, 10, 0},
        {"standing, jitter", jitter, 100000, 5, 0},
        {"a long jump", jump, 1000, 20, 0},
        {"a spike out and back", spike, 1000, 10, 5},
        // A straight line passes over more points than the buffer holds: a full buffer keeps one.
        {"straight, 1 m apart", meridian, 100000, 50, 3},
    };
    for (const Case &c : cases) {
        CAPTURE(c.name);
        SetSettings(5, c.maxMeters, 5, c.tolerance);
        std::vector<LatLon> track = BuildTrack({46.5, 7.5}, c.legs);
        JobOutcome outcome = ConvertBounded(track);
        REQUIRE(outcome.result == JobDone);
        std::vector<int> kept = Kept;
        CHECK(kept.front() == 1);
        CHECK(kept.back() == static_cast<int>(track.size()));
        if (c.waypoints) CHECK(kept.size() == c.waypoints);
        double worst = 0.0;
        for (size_t k = 0; k + 1 < kept.size(); k++) {
            REQUIRE(kept[k] < kept[k + 1]);
            SpherePoint a = Sphere(track[kept[k] - 1]), b = Sphere(track[kept[k + 1] - 1]);
            ArcFrame leg;
            SetArcFrame(&a, &b, &leg);
            // A longer leg joins two neighbours.
            if (SphereDistanceMeters(&a, &b) > c.maxMeters) CHECK(kept[k + 1] == kept[k] + 1);
            int buffered = 0;
            for (int i = kept[k] + 1; i < kept[k + 1]; i++) {
                SpherePoint p = Sphere(track[i - 1]);
                worst = std::max(worst, ArcDeviationMeters(&leg, &p));
                if (SphereDistanceMeters(&a, &p) > c.tolerance) buffered++;
            }
            CHECK(buffered <= BoundedPassCapacity);
        }
        CHECK(worst <= c.tolerance + 0.001);
    }
    ResetSettings();
}

TEST_CASE("Bounded thinning: too short tracks as the classic rule")
{
    ResetSettings();
    for (int count = 0; count < 4; count++) {
        CAPTURE(count);
        std::vector<LatLon> track;
        if (count > 0) track = BuildTrack({46.5, 7.5}, Repeat(count - 1, {0.0, 100.0}));
        JobOutcome outcome = ConvertBounded(track);
        CHECK(outcome.result == (count < 3 ? JobThinningFailed : JobDone));
        CHECK(outcome.status.find(count < 3 ? "Too short input file!\r\n" : "2 points are saved.") != std::string::npos);
    }
}
