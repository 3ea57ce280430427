#include <doctest/doctest.h>

#include <random>
#include <vector>

#include "conversion/conversion_job.h"
#include "conversion/thinning.h"
#include "tests/sphere_measure.h"
#include "tests/test_support.h"

namespace {

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

TEST_CASE("Bounded thinning: every point within the tolerance of the route as written, legs within MaxMeters")
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
    const std::vector<Leg> meridian = Repeat(6000, {0.0, 1.0});
    std::vector<Leg> spike = Repeat(10, {0.0, 10.0});
    spike.push_back({90.0, 30.0});
    spike.push_back({270.0, 30.0});
    spike.insert(spike.end(), 10, {0.0, 10.0});
    const struct { const char *name; const std::vector<Leg> &legs; int maxMeters, tolerance; size_t waypoints; } cases[] = {
        {"wander, 10 m", wander, 1000, 10, 0},  // waypoints 0: any count
        {"wander, 50 m", wander, 1000, 50, 0},
        {"wander, 150 m, short legs", wander, 120, 150, 0},
        {"zigzag", zigzag, 100000, 10, 0},
        {"standing, jitter", jitter, 100000, 5, 0},
        {"a long jump", jump, 1000, 20, 0},
        {"a spike out and back", spike, 1000, 10, 5},
        // A straight line passes over more points than the buffer holds: a full buffer keeps one.
        {"straight, 1 m apart", meridian, 100000, 50, 3},
    };
    for (const auto &c : cases) {
        CAPTURE(c.name);
        SetSettings(5, c.maxMeters, 5, c.tolerance);
        const std::vector<LatLon> track = BuildTrack({46.5, 7.5}, c.legs);
        std::vector<measure::Vec> at;
        for (const LatLon &p : track) at.push_back(measure::Unit(p.lat, p.lon));
        JobOutcome outcome = ConvertBounded(track);
        REQUIRE(outcome.result == JobDone);
        const std::vector<RoutePoint> route = RoutePoints(outcome.forward);
        REQUIRE(route.size() == Kept.size());
        CHECK(Kept.front() == 1);
        CHECK(Kept.back() == static_cast<int>(track.size()));
        if (c.waypoints) CHECK(Kept.size() == c.waypoints);
        double worst = 0.0;
        for (size_t k = 0; k < Kept.size(); k++) {
            const int from = Kept[k] - 1;
            const measure::Vec a = measure::Unit(route[k].lat, route[k].lon);
            CHECK(measure::Metres(a, at[from]) < measure::WrittenShiftMetres);
            if (k + 1 == Kept.size()) break;
            const int to = Kept[k + 1] - 1;
            REQUIRE(from < to);
            // A longer leg joins two neighbours.
            if (measure::Metres(at[from], at[to]) > c.maxMeters + 0.001) CHECK(to == from + 1);
            const measure::Vec b = measure::Unit(route[k + 1].lat, route[k + 1].lon);
            for (int i = from + 1; i < to; i++) worst = std::max(worst, measure::FromLeg(a, b, at[i]));
        }
        CHECK(worst <= c.tolerance + measure::PromiseMargin(c.tolerance));
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

namespace {

// The fewest waypoints any route keeping every point within tolerance could have: the
// shortest path from the first point to the last over the legs that keep the points between
// them within it, measured apart from the product.
size_t Fewest(const std::vector<measure::Vec> &at, double tolerance)
{
    std::vector<size_t> hops(at.size(), at.size());
    hops[0] = 1;
    for (size_t i = 0; i + 1 < at.size(); i++)
        for (size_t j = i + 1; j < at.size(); j++) {
            bool good = true;
            for (size_t k = i + 1; k < j && good; k++) good = measure::FromLeg(at[i], at[j], at[k]) <= tolerance;
            if (good) hops[j] = std::min(hops[j], hops[i] + 1);
        }
    return hops.back();
}

}  // namespace

TEST_CASE("Bounded thinning: close to the fewest waypoints possible")
{
    // Receivers' tracks: a winding road, a walk, and streets at right angles, each point off
    // its true place by a few metres.
    std::mt19937 random(11);
    std::normal_distribution<double> noise(0.0, 2.5), turn(0.0, 12.0);
    std::vector<LatLon> road, walk, streets;
    double x = 0.0, y = 0.0, heading = 0.0;
    const double metre = 1.0 / 111195.0;
    for (int i = 0; i < 200; i++) {
        road.push_back({46.5 + (40.0 * std::sin(i / 20.0) + noise(random)) * metre, 7.5 + 4.0 * i * metre / 0.688});
        heading += turn(random) * M_PI / 180.0;
        x += 3.0 * std::sin(heading);
        y += 3.0 * std::cos(heading);
        walk.push_back({46.5 + (y + noise(random)) * metre, 7.5 + (x + noise(random)) * metre / 0.688});
        const int block = i / 30, along = i % 30;
        streets.push_back({46.5 + (4.0 * (block / 2 * 30 + (block % 2 ? 30 : along)) + noise(random)) * metre,
                           7.5 + (4.0 * ((block + 1) / 2 * 30 + (block % 2 ? along : 0)) + noise(random)) * metre / 0.688});
    }
    const struct { const char *name; const std::vector<LatLon> &track; } tracks[] = {
        {"road", road}, {"walk", walk}, {"streets", streets},
    };
    size_t kept = 0, fewest = 0;
    for (const auto &t : tracks)
        for (int tolerance : {5, 10}) {
            CAPTURE(t.name);
            CAPTURE(tolerance);
            SetSettings(5, 100000, 5, tolerance);
            std::vector<measure::Vec> at;
            for (const LatLon &p : t.track) at.push_back(measure::Unit(p.lat, p.lon));
            REQUIRE(ConvertBounded(t.track).result == JobDone);
            // The method keeps 8 cm inside the tolerance for the written coordinates.
            const size_t least = Fewest(at, tolerance - 0.08 - measure::PromiseMargin(tolerance));
            // Looking one leg ahead from the nearest ends counts: on noise this size taking
            // the farthest end keeps a fifth more, and looking ahead from ends farther back too.
            CHECK(Kept.size() <= least + least / 8 + 1);
            kept += Kept.size();
            fewest += least;
        }
    CHECK(kept <= fewest + fewest / 20);
    ResetSettings();
}
