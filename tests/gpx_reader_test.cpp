#include <doctest/doctest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "conversion/status_log.h"
#include "platform/file_io.h"
#include "readers/gpx_reader.h"
#include "tests/test_support.h"

namespace {

// Every ReadGpxPoint result up to and including the first negative one.
struct GpxRun {
    std::vector<int> results;
    std::vector<TrackPoint> points;
};

GpxRun ReadGpxResults(const std::string &bytes)
{
    OpenInput input(bytes);
    GpxRun run;
    for (int i = 0; i < 100; ++i) {
        TrackPoint point = {};
        int result = ReadGpxPoint(&point);
        run.results.push_back(result);
        if (result == 0) run.points.push_back(point);
        if (result < 0) break;
    }
    return run;
}

std::string Repeat(char c, size_t count) { return std::string(count, c); }

} // namespace

TEST_CASE("ReadTag stores the text between '<' and '>' and stops at the file's end")
{
    struct Case {
        const char *name;
        std::string input;
        int limit;
        std::vector<int> results;
        std::vector<std::string> texts; // one per result 0
    };
    const Case cases[] = {
        {"plain tag", "<gpx>", 1000, {0, -1}, {"gpx"}},
        {"text around tags is passed over", "abc<a x='1'>def<b/>ghi", 1000, {0, 0, -1}, {"a x='1'", "b/"}},
        {"empty file", "", 1000, {-1}, {}},
        {"text only", "no tags at all\r\n", 1000, {-1}, {}},
        {"empty tag", "<>", 1000, {0, -1}, {""}},
        {"file ends inside a tag", "<trkpt lat='1'", 1000, {-2}, {}},
        {"file ends right after '<'", "<gpx><", 1000, {0, -2}, {"gpx"}},
        {"'>' inside a value ends the tag", "<a x='>'><b>", 1000, {0, 0, -1}, {"a x='", "b"}},
        {"cut at limit - 2, rest passed over", "<abcdefgh>xyz<i>", 6, {0, 0, -1}, {"abcd", "i"}},
        {"exactly limit - 2 characters", "<abcd><e>", 6, {0, 0, -1}, {"abcd", "e"}},
        {"'<' inside a tag is stored", "<a<b>", 1000, {0, -1}, {"a<b"}},
        {"line breaks are part of the tag", "<trkpt\r\n lat='1'>", 1000, {0, -1}, {"trkpt\r\n lat='1'"}},
    };
    for (const Case &c : cases) {
        CAPTURE(c.name);
        OpenInput input(c.input);
        std::vector<int> results;
        std::vector<std::string> texts;
        std::vector<char> buffer(static_cast<size_t>(c.limit), 'Q');
        for (;;) {
            int result = ReadTag(buffer.data(), c.limit);
            results.push_back(result);
            if (result != 0) break;
            texts.emplace_back(buffer.data());
            CHECK(buffer[static_cast<size_t>(c.limit) - 1] == 0);
        }
        CHECK(results == c.results);
        CHECK(texts == c.texts);
    }
}

TEST_CASE("ReadTag keeps 998 characters of a tag in TagBuffer")
{
    std::string tag998 = Repeat('a', 998);
    std::string tag999 = Repeat('b', 999);
    OpenInput input("<" + tag998 + "><" + tag999 + "><c>");
    REQUIRE(ReadTag(TagBuffer, TagLimit) == 0);
    CHECK(std::string(TagBuffer) == tag998);
    REQUIRE(ReadTag(TagBuffer, TagLimit) == 0);
    CHECK(std::string(TagBuffer) == Repeat('b', 998));
    // The cut tag's last character and '>' are passed over by the next search.
    REQUIRE(ReadTag(TagBuffer, TagLimit) == 0);
    CHECK(std::string(TagBuffer) == "c");
    CHECK(ReadTag(TagBuffer, TagLimit) == -1);
}

TEST_CASE("ReadGpxPoint: track point tags and their result codes")
{
    struct Case {
        const char *name;
        std::string input;
        std::vector<int> results;
        double lat; // of the first point, when there is one
        double lon;
    };
    const Case cases[] = {
        {"single quotes", "<trkpt lat='47.644548' lon='-122.326897'>", {0, -1}, 47.644548, -122.326897},
        {"double quotes", "<trkpt lat=\"47.644548\" lon=\"-122.326897\">", {0, -1}, 47.644548, -122.326897},
        {"self-closing, lon first", "<trkpt lon='18.4' lat='-33.9'/>", {0, -1}, -33.9, 18.4},
        {"blanks around '='", "<trkpt  lat = \"1.5\"\tlon = \"2.5\" >", {0, -1}, 1.5, 2.5},
        {"attributes over lines", "<trkpt\r\n  lat='3'\r\n  lon='4'>", {0, -1}, 3, 4},
        {"end tag passed over", "</trkpt><trkpt lat='1' lon='2'>", {0, -1}, 1, 2},
        {"a comment counts", "<!-- trkpt lat='1' lon='2' -->", {0, -1}, 1, 2},
        {"empty lat runs on into lon", "<trkpt lat='' lon='5'>", {0, -1}, 5, 5},
        {"plus sign skipped, digits taken", "<trkpt lat='+7' lon='8'>", {0, -1}, 7, 8},
        {"exponents", "<trkpt lat='1e1' lon='2.5E-1'>", {0, -1}, 10, 0.25},
        {"first 'lat' anywhere", "<trkpt plate='9' lat='7' lon='8'>", {0, -1}, 9, 8},
        {"longer names hold lat and lon", "<trkpt latitude='3' longitude='4'>", {0, -1}, 3, 4},
        {"range bounds are valid", "<trkpt lat='100' lon='370'>", {0, -1}, 100, 370},
        {"negative bounds are valid", "<trkpt lat='-100' lon='-370'>", {0, -1}, -100, -370},
        {"minus then no number gives 0", "<trkpt lat='- 5' lon='6'>", {0, -1}, 0, 6},
        {"no lat", "<trkpt lon='2'>", {1, -1}, 0, 0},
        {"no lon", "<trkpt lat='2'>", {1, -1}, 0, 0},
        {"no attributes", "<trkpt>", {1, -1}, 0, 0},
        {"no number after lat", "<trkpt lat='x' lon='y'>", {2, -1}, 0, 0},
        {"no number after lon", "<trkpt lat='1' lon='y'>", {2, -1}, 0, 0},
        {"latitude above 100", "<trkpt lat='100.5' lon='1'>", {3, -1}, 0, 0},
        {"latitude tested before lon is looked for", "<trkpt lat='-100.000001'>", {3, -1}, 0, 0},
        {"longitude below -370", "<trkpt lat='0' lon='-370.5'>", {3, -1}, 0, 0},
        {"bad point then good", "<trkpt lat='100.5' lon='1'><trkpt lat='2' lon='3'>", {3, 0, -1}, 2, 3},
        {"tag with /trkpt is no track point", "<trkpt lat='1' lon='2' /trkpt>", {-1}, 0, 0},
        {"upper case is another element", "<TRKPT lat='1' lon='2'>", {-1}, 0, 0},
        {"waypoints are not read", "<wpt lat='1' lon='2'>", {-1}, 0, 0},
        {"route points are not read", "<rtept lat='1' lon='2'>", {-1}, 0, 0},
        {"file ends inside the tag", "<trkpt lat='1' lon='2'", {-1}, 0, 0},
        {"file ends before any tag", "trkpt lat='1' lon='2'", {-1}, 0, 0},
        {"a NUL ends the tag text", std::string("<trkpt\0 lat='1' lon='2'>", 24), {1, -1}, 0, 0},
    };
    for (const Case &c : cases) {
        CAPTURE(c.name);
        GpxRun run = ReadGpxResults(c.input);
        CHECK(run.results == c.results);
        if (!run.points.empty()) {
            const TrackPoint &point = run.points.front();
            CHECK(point.Lat == c.lat);
            CHECK(point.Lon == c.lon);
            CHECK(point.LatRad == c.lat * RadiansPerDegree);
            CHECK(point.LonRad == c.lon * RadiansPerDegree);
        }
    }
}

TEST_CASE("ReadGpxPoint: coordinates count only within a tag's first 998 characters")
{
    // "lat='1' " then padding puts "lon" at the position given.
    auto tagWithLonAt = [](size_t position) {
        std::string text = "trkpt lat='1' ";
        text += Repeat(' ', position - text.size());
        return "<" + text + "lon='2'>";
    };
    struct Case {
        size_t lonAt;
        std::vector<int> results;
    };
    const Case cases[] = {
        {990, {0, 0, -1}},  // the whole tag fits
        {992, {0, 0, -1}},  // the digit is the 998th character
        {993, {2, 0, -1}},  // "lon='" kept, the digit cut off
        {995, {2, 0, -1}},  // "lon" kept, no number after it
        {996, {1, 0, -1}},  // "lo" kept: no "lon"
    };
    for (const Case &c : cases) {
        CAPTURE(c.lonAt);
        GpxRun run = ReadGpxResults(tagWithLonAt(c.lonAt) + "<trkpt lat='3' lon='4'>");
        CHECK(run.results == c.results);
        REQUIRE(!run.points.empty());
        CHECK(run.points.back().Lat == 3);
    }
}

TEST_CASE("GPX files: only track points become points")
{
    const std::string gpx =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<gpx version=\"1.1\" creator=\"test\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
        " <metadata><name>walk</name><time>2024-05-01T10:00:00Z</time></metadata>\n"
        " <wpt lat=\"10\" lon=\"10\"><name>home</name></wpt>\n"
        " <rte><rtept lat=\"11\" lon=\"11\"/></rte>\n"
        " <trk><name>trkpt lat=5 lon=5 in text is not a tag</name><trkseg>\n"
        "  <trkpt lat=\"55.750000\" lon=\"37.600000\"><ele>150.5</ele><time>t</time></trkpt>\n"
        "  <!-- <trkpt lat=\"1\" lon=\"2\"> -->\n"
        "  <trkpt lat=\"95\" lon=\"371\"></trkpt>\n"
        "  <trkpt lon=\"37.61\" lat=\"55.76\"/>\n"
        " </trkseg></trk>\n"
        "</gpx>\n";
    ReadOutcome outcome = ReadAllPoints(gpx, InputFormatGpx);
    CHECK(outcome.headerResult == 0);
    CHECK(outcome.lastResult == -1);
    REQUIRE(outcome.points.size() == 3);
    CHECK(outcome.points[0].Lat == 55.75);
    CHECK(outcome.points[0].Lon == 37.6);
    // The comment's "<trkpt" is a tag of its own, up to its first '>'.
    CHECK(outcome.points[1].Lat == 1);
    CHECK(outcome.points[1].Lon == 2);
    CHECK(outcome.points[2].Lat == 55.76);
    CHECK(outcome.points[2].Lon == 37.61);
    CHECK(outcome.status.empty());

    ReadOutcome noTrack = ReadAllPoints("<gpx><wpt lat='1' lon='2'/><rte><rtept lat='1' lon='2'/></rte></gpx>",
                                        InputFormatGpx);
    CHECK(noTrack.points.empty());
    CHECK(noTrack.lastResult == -1);
}

TEST_CASE("GPX conversion writes the first and last points as waypoints")
{
    ResetSettings();
    std::string gpx = "<gpx><trk><trkseg>";
    for (int i = 0; i <= 20; ++i) {
        char line[100];
        std::snprintf(line, sizeof line, "<trkpt lat=\"%.6f\" lon=\"%.6f\"><ele>1</ele></trkpt>\n",
                      47.0 + 0.001 * i, 8.0 + 0.0005 * i * (i % 3));
        gpx += line;
    }
    gpx += "</trkseg></trk></gpx>";
    JobOutcome outcome = ConvertBytes(gpx, InputFormatGpx, "walk.gpx");
    CHECK(outcome.result == 0);
    std::vector<RoutePoint> forward = RoutePoints(outcome.forward);
    REQUIRE(forward.size() >= 2);
    CHECK(forward.front().lat == doctest::Approx(47.0));
    CHECK(forward.front().lon == doctest::Approx(8.0));
    CHECK(forward.back().lat == doctest::Approx(47.02));
    CHECK(forward.back().lon == doctest::Approx(8.0 + 0.0005 * 20 * 2));
    CHECK(outcome.status.find("Backward route file - OK\r\n") != std::string::npos);

    JobOutcome cut = ConvertBytes("<trkpt lat='1' lon='2'><trkpt lat='1.001' lon='2'><trkpt lat='1.002' lo",
                                  InputFormatGpx, "cut.gpx");
    CHECK(cut.result == 10);
    CHECK(cut.status.find("Too short input file!\r\n") != std::string::npos);
}
