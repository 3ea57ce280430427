#include <doctest/doctest.h>

#include <vector>

#include "conversion/conversion_job.h"
#include "tests/test_support.h"
#include "tests/track_builder.h"

namespace {

// Converts a generated track and returns the track indices of its waypoints.
std::vector<int> Thin(const std::vector<LatLon> &track, JobOutcome *outcome = nullptr)
{
    JobOutcome result = ConvertBytes(PltTrack(track), InputFormatPlt, "walk.plt");
    if (outcome) *outcome = result;
    REQUIRE(result.result == JobDone);
    return WaypointIndices(track, result.forward);
}

const LatLon Start = {55.75, 37.6};
const Leg North100 = {0, 100}, North150 = {0, 150}, East100 = {90, 100};

}  // namespace

TEST_CASE("Thinning whole tracks with the default thresholds")
{
    ResetSettings();
    struct Case {
        const char *name;
        std::vector<Leg> legs;
        std::vector<int> waypoints;
    };
    std::vector<Leg> rightAngle = {North100, North100, East100, East100};
    std::vector<Leg> ortho = {North100};
    for (int i = 0; i < 7; i++) ortho.push_back({4, 200});
    const Case cases[] = {
        {"three points on a line", Repeat(2, North100), {1, 3}},
        {"right angle at the second", {North100, East100}, {1, 2, 3}},
        {"16 points 150 m apart", Repeat(15, North150), {1, 8, 15, 16}},
        {"15 points 150 m apart", Repeat(14, North150), {1, 8, 15}},
        {"22 points 150 m apart", Repeat(21, North150), {1, 8, 15, 22}},
        {"right-angle turn at the corner", rightAngle, {1, 3, 5}},
        {"a long leg", {{0, 1500}, North100}, {1, 2, 3}},
        {"four points 1500 m apart", Repeat(3, {0, 1500}), {1, 2, 3, 4}},
        {"orthogonal error", ortho, {1, 6, 9}},
        {"zero-length leg then east", {{0, 0}, East100}, {1, 2, 3}},
        {"zero-length leg then north", {{0, 0}, North100}, {1, 3}},
        {"north and back south", {North100, North100, {180, 100}}, {1, 3, 4}},
    };
    for (const Case &c : cases) {
        CAPTURE(c.name);
        std::vector<LatLon> track = BuildTrack(Start, c.legs);
        CHECK(Thin(track) == c.waypoints);
    }
}

TEST_CASE("Thinning follows the thresholds it is given")
{
    std::vector<LatLon> track = BuildTrack(Start, Repeat(3, {0, 1500}));
    SetSettings(2000, 1000, 5, 50);
    CHECK(Thin(track) == std::vector<int>{1, 3, 4});

    // MaxMeters -1: every candidate the closeness test lets through is kept.
    SetSettings(5, -1, 5, 50);
    std::vector<LatLon> line = BuildTrack(Start, Repeat(9, North100));
    CHECK(Thin(line).size() == 10);
    ResetSettings();
}

TEST_CASE("A receiver standing still gives the first and last point")
{
    ResetSettings();
    // Forty fixes scattered within a metre of one place.
    std::vector<LatLon> track;
    for (int i = 0; i < 41; i++) track.push_back(Destination(Start, i * 97.0, (i % 7) / 7.0));
    JobOutcome outcome;
    CHECK(Thin(track, &outcome) == std::vector<int>{1, 41});
    CHECK(outcome.forward.size() == 74 + 2 * 37);
}

TEST_CASE("Too short tracks: no waypoint, header only, result 10")
{
    ResetSettings();
    for (int count = 0; count < 3; count++) {
        CAPTURE(count);
        std::vector<LatLon> track;
        if (count > 0) track = BuildTrack(Start, Repeat(count - 1, North100));
        JobOutcome outcome = ConvertBytes(PltTrack(track), InputFormatPlt, "walk.plt");
        CHECK(outcome.result == JobThinningFailed);
        CHECK(outcome.forward == "H1,OziExplorer CE Route2 File Version 1.0\r\nH2,WGS 84\r\nH3,ForwardRoute,,0\r\n");
        CHECK_FALSE(outcome.backwardExists);
        CHECK(outcome.status.size() > 0);
        CHECK(outcome.status.find("Too short input file!\r\n") == outcome.status.size() - 23);
    }
}
