#include <doctest/doctest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "tests/test_support.h"

namespace {

// What a person can check by eye in each file (counted and read off with other tools).
struct SampleExpectation {
    int format;
    size_t points;
    double firstLat, firstLon, lastLat, lastLon;
};

const std::map<std::string, SampleExpectation> Expected = {
    {"garmin-edge-800-output.gpx", {1, 1286, 48.189526470, 11.858895309, 48.186895391, 11.858545868}},
    {"receiver-log.nmea", {4, 154, 42.530485, -88.12172166666667, 42.530516666666664, -88.12175833333333}},
    {"backfilldate.nmea", {4, 0, 0, 0, 0, 0}}, // GGA sentences only, no RMC
    {"20070813_short.plt", {3, 44, 47.466222, 3.747318, 47.463833, 3.743018}},
    {"mps-track.mps", {2, 64, 30.06218330003321, -91.6103499289602, 30.047133257612586, -91.59966660663486}},
    {"mapsource.mps", {2, 0, 0, 0, 0, 0}}, // waypoints only
    {"mps-empty.mps", {2, 0, 0, 0, 0, 0}},
};

int FormatOf(const fs::path &file)
{
    const std::string extension = file.extension().string();
    if (extension == ".gpx") return InputFormatGpx;
    if (extension == ".mps") return InputFormatMps;
    if (extension == ".plt") return InputFormatPlt;
    if (extension == ".nmea") return InputFormatNmea;
    return 0;
}

bool Near(double a, double b, double tolerance) { return std::fabs(a - b) <= tolerance; }

} // namespace

TEST_CASE("Real-world samples read and convert")
{
    const fs::path samples = SamplesDir();
    if (samples.empty()) {
        MESSAGE("samples folder absent: skipped");
        return;
    }
    ResetSettings();
    int known = 0;
    for (const fs::directory_entry &entry : fs::directory_iterator(samples)) {
        const fs::path file = entry.path();
        const int format = FormatOf(file);
        if (format == 0) continue;
        const std::string name = file.filename().string();
        CAPTURE(name);
        const std::string bytes = ReadBytes(file);

        // Reader level: every point, the first and the last.
        ReadOutcome read = ReadAllPoints(bytes, format);
        CHECK(read.headerResult == 0);
        CHECK(read.lastResult == -1);
        CHECK(read.status.empty());

        // The whole conversion, in a folder of its own (the samples folder is read-only).
        JobOutcome outcome = ConvertBytes(bytes, format, name);
        if (read.points.size() >= 3) {
            CHECK(outcome.result == 0);
            std::vector<RoutePoint> forward = RoutePoints(outcome.forward);
            std::vector<RoutePoint> backward = RoutePoints(outcome.backward);
            REQUIRE(forward.size() >= 2);
            CHECK(backward.size() == forward.size());
            CHECK(Near(forward.front().lat, read.points.front().Lat, 5e-7));
            CHECK(Near(forward.front().lon, read.points.front().Lon, 5e-7));
            CHECK(Near(forward.back().lat, read.points.back().Lat, 5e-7));
            CHECK(Near(forward.back().lon, read.points.back().Lon, 5e-7));
        } else {
            CHECK(outcome.result == 10);
            CHECK(outcome.status.find("Too short input file!\r\n") != std::string::npos);
        }

        auto expected = Expected.find(name);
        if (expected == Expected.end()) continue;
        ++known;
        const SampleExpectation &e = expected->second;
        CHECK(format == e.format);
        REQUIRE(read.points.size() == e.points);
        if (e.points == 0) continue;
        CHECK(Near(read.points.front().Lat, e.firstLat, 1e-12));
        CHECK(Near(read.points.front().Lon, e.firstLon, 1e-12));
        CHECK(Near(read.points.back().Lat, e.lastLat, 1e-12));
        CHECK(Near(read.points.back().Lon, e.lastLon, 1e-12));
    }
    MESSAGE(known << " known samples checked");
}
