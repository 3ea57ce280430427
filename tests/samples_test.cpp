#include <doctest/doctest.h>

#include <cmath>
#include <cstdlib>
#include <map>

#include "tests/test_support.h"

TEST_CASE("Real-world samples read and convert")
{
    const char *samples = std::getenv("WAYFOLD_SAMPLES");
    std::error_code error;
    if (!samples || !fs::is_directory(samples, error)) return;  // absent: nothing to read
    // Points, first and last, as counted and read off with other tools.
    const std::map<std::string, std::vector<double>> expected = {
        {"garmin-edge-800-output.gpx", {1286, 48.189526470, 11.858895309, 48.186895391, 11.858545868}},
        {"receiver-log.nmea", {154, 42.530485, -88.12172166666667, 42.530516666666664, -88.12175833333333}},
        {"backfilldate.nmea", {0}},  // GGA sentences only
        {"20070813_short.plt", {44, 47.466222, 3.747318, 47.463833, 3.743018}},
        {"mps-track.mps", {64, 30.06218330003321, -91.6103499289602, 30.047133257612586, -91.59966660663486}},
        {"mapsource.mps", {0}},  // waypoints only
        {"mps-empty.mps", {0}},
    };
    const std::map<std::string, int> formats = {
        {".gpx", InputFormatGpx}, {".mps", InputFormatMps}, {".plt", InputFormatPlt}, {".nmea", InputFormatNmea}};
    ResetSettings();
    for (const fs::directory_entry &entry : fs::directory_iterator(samples)) {
        const std::string name = entry.path().filename().string(), bytes = ReadBytes(entry.path());
        if (!formats.count(entry.path().extension().string())) continue;
        const int format = formats.at(entry.path().extension().string());
        CAPTURE(name);
        ReadOutcome read = ReadAllPoints(bytes, format);
        CHECK((read.headerResult == HeaderAccepted && read.status.empty()));
        std::vector<double> got = {static_cast<double>(read.points.size())};
        if (!read.points.empty())
            got.insert(got.end(), {read.points[0].Lat, read.points[0].Lon, read.points.back().Lat, read.points.back().Lon});
        for (size_t i = 0; expected.count(name) && i < got.size(); i++) CHECK(std::fabs(got[i] - expected.at(name).at(i)) <= 1e-12);
        // The whole conversion: the first and last points, both ways.
        JobOutcome outcome = ConvertBytes(bytes, format, name);
        std::vector<RoutePoint> forward = RoutePoints(outcome.forward), backward = RoutePoints(outcome.backward);
        CHECK(outcome.result == (read.points.size() >= 3 ? JobDone : JobThinningFailed));
        if (read.points.size() < 3) continue;
        REQUIRE((forward.size() >= 2 && backward.size() == forward.size()));
        for (const RoutePoint &p : {forward[0], backward[0]}) CHECK(std::fabs(p.lat - got[p.number == 1 ? 1 : 3]) < 5e-7);
        for (const RoutePoint &p : {forward[0], backward[0]}) CHECK(std::fabs(p.lon - got[p.number == 1 ? 2 : 4]) < 5e-7);
    }
}
