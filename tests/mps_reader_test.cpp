#include <doctest/doctest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "readers/mps_reader.h"
#include "tests/test_support.h"

namespace {

const double Factor = 8.381903171539307e-08;
const std::string Signature("MsRcd\0", 6);

// Little-endian 32 bits of v (taken modulo 2^32).
std::string Le32(int64_t v)
{
    uint32_t bits = static_cast<uint32_t>(v);
    std::string out;
    for (int i = 0; i < 4; ++i) out += static_cast<char>((bits >> (8 * i)) & 0xFF);
    return out;
}

std::string Record(char type, const std::string &data)
{
    return Le32(static_cast<int64_t>(data.size())) + type + data;
}

struct Semicircles {
    int32_t lat;
    int32_t lon;
};

int32_t ToSemicircles(double degrees) { return static_cast<int32_t>(std::lround(degrees / Factor)); }

// A track record's data: name, 5 unused bytes, the count, then 31 bytes per point.
std::string TrackData(const std::string &name, const std::vector<Semicircles> &points, int64_t count)
{
    std::string data = name + std::string(1, '\0') + "\x01\x02\x03\x04\x05" + Le32(count);
    for (const Semicircles &p : points) {
        data += Le32(p.lat) + Le32(p.lon);
        // Altitude, time, depth and flags: bytes the reader passes over.
        for (int i = 0; i < 23; ++i) data += static_cast<char>(0xA0 + i);
    }
    return data;
}

std::string Track(const std::vector<Semicircles> &points)
{
    return Record('T', TrackData("Track", points, static_cast<int64_t>(points.size())));
}

// The records MapSource writes before and after the data.
const std::string Head = Record('D', "mg") + Record('A', std::string(27, 'a'));
const std::string Tail = Record('V', std::string("\0\x01", 2));

std::vector<Semicircles> Points(int count, int32_t first)
{
    std::vector<Semicircles> points;
    for (int i = 0; i < count; ++i) points.push_back({first + 1000 * i, -first - 7 * i});
    return points;
}

} // namespace

TEST_CASE("CheckMpsHeader accepts \"MsRcd\" and a zero byte only")
{
    struct Case {
        const char *name;
        std::string bytes;
        int result;
    };
    const Case cases[] = {
        {"signature only", Signature, 0},
        {"signature and records", Signature + Head + Tail, 0},
        {"empty file", "", 1},
        {"five bytes", "MsRcd", 1},
        {"four bytes", "MsRc", 1},
        {"sixth byte not zero", "MsRcd\x01", 2},
        {"sixth byte a blank", "MsRcd ", 2},
        {"fifth letter differs", std::string("MsRcX\0", 6), 2},
        {"lower case", std::string("msrcd\0", 6), 2},
        {"zero byte early", std::string("MsR\0d\0", 6), 2},
        {"all zero", std::string(6, '\0'), 2},
    };
    for (const Case &c : cases) {
        CAPTURE(c.name);
        ReadOutcome outcome = ReadAllPoints(c.bytes, InputFormatMps);
        CHECK(outcome.headerResult == c.result);
        CHECK(outcome.points.empty());
        if (c.result == 0) CHECK(outcome.lastResult == -1);
    }
}

TEST_CASE("MPS files: the points of every track record, in file order")
{
    const std::string track2 = Track(Points(2, 1000000));
    const std::string track3 = Track(Points(3, 5000000));
    const std::string track1 = Track(Points(1, 9000000));
    const std::string gapOnly = "n" + std::string(1, '\0') + "\x01\x02";
    const std::string longName(150, 'x');

    // A record whose data runs past its count's points: its last point is followed by
    // a waypoint record whose first bytes make one more point.
    std::string shortTrack = Record('T', TrackData("Short", Points(2, 1000000), 3));
    std::string waypoint = Record('W', std::string(3, '\0') + std::string(40, 'w'));

    struct Case {
        const char *name;
        std::string records;
        std::vector<Semicircles> points;
        bool damaged;
    };
    const Case cases[] = {
        {"no records", "", {}, false},
        {"no track record", Head + Record('W', std::string(60, 'w')) + Tail, {}, false},
        {"one track", Head + track3 + Tail, Points(3, 5000000), false},
        {"two tracks are joined",
         Head + track2 + Record('W', std::string(40, 'w')) + track3 + Tail,
         {Points(2, 1000000)[0], Points(2, 1000000)[1], Points(3, 5000000)[0], Points(3, 5000000)[1],
          Points(3, 5000000)[2]},
         false},
        {"zero-length record's 'T' is never read", Le32(0) + "T" + track1, Points(1, 9000000), false},
        {"zero-length records in a row", Le32(0) + "T" + Le32(0) + "X" + track1 + Le32(0) + "T", Points(1, 9000000),
         false},
        {"lower-case t is no track", Record('t', TrackData("t", Points(2, 1000000), 2)) + track1,
         Points(1, 9000000), false},
        {"count 0, then the next track", Record('T', TrackData("Empty", {}, 0)) + track1, Points(1, 9000000),
         false},
        {"count 0 with data", Record('T', TrackData("Empty", Points(2, 1000000), 0)) + track1, Points(1, 9000000),
         false},
        {"empty name", Record('T', TrackData("", Points(1, 9000000), 1)), Points(1, 9000000), false},
        {"name of 150 characters", Record('T', TrackData(longName, Points(1, 9000000), 1)), Points(1, 9000000),
         false},
        {"data beyond the points is passed over",
         Record('T', TrackData("Pad", Points(2, 1000000), 2) + std::string(20, 'p')) + track1,
         {Points(2, 1000000)[0], Points(2, 1000000)[1], Points(1, 9000000)[0]}, false},
        {"count larger than the data reads on into the next record",
         shortTrack + waypoint + track1,
         {Points(2, 1000000)[0], Points(2, 1000000)[1], {static_cast<int32_t>(waypoint.size() - 5), 'W'},
          Points(1, 9000000)[0]},
         false},
        {"file ends inside the last point's unused bytes",
         Record('T', TrackData("Cut", Points(1, 9000000), 1)).substr(0, 5 + 4 + 5 + 4 + 8 + 10),
         Points(1, 9000000), false},
        {"count -1", Record('T', TrackData("Bad", {}, -1)), {}, true},
        {"count -1 after a good track", track2 + Record('T', TrackData("Bad", Points(2, 1000000), -1)) + track1,
         Points(2, 1000000), true},
        {"count below -1", Record('T', TrackData("Bad", {}, INT32_MIN)), {}, true},
        {"name of 151 characters", Record('T', TrackData(longName + "y", Points(1, 9000000), 1)), {}, true},
        {"file ends inside the name", Le32(100) + "T" + "abc", {}, true},
        {"file ends inside the unused bytes", Le32(100) + "T" + gapOnly, {}, true},
        {"file ends inside the count", Le32(100) + "T" + gapOnly + "\x03\x04\x05" + "\x01\x00", {}, true},
        {"count larger than the data at the end", Record('T', TrackData("Short", Points(2, 1000000), 3)),
         Points(2, 1000000), true},
        {"file ends inside a point's latitude",
         Record('T', TrackData("Cut", Points(2, 1000000), 2)).substr(0, 5 + 4 + 5 + 4 + 31 + 3),
         {Points(2, 1000000)[0]}, true},
        {"file ends inside a point's longitude",
         Record('T', TrackData("Cut", Points(2, 1000000), 2)).substr(0, 5 + 4 + 5 + 4 + 31 + 6),
         {Points(2, 1000000)[0]}, true},
        {"file ends inside a middle point's unused bytes",
         Record('T', TrackData("Cut", Points(2, 1000000), 2)).substr(0, 5 + 4 + 5 + 4 + 8 + 10),
         {Points(2, 1000000)[0]}, true},
        {"file ends inside a record length", track1 + "\x05\x00", Points(1, 9000000), false},
        {"file ends before a type byte", track1 + Le32(10), Points(1, 9000000), false},
        {"record length beyond the end of the file", Le32(1000000) + "W" + track1, {}, false},
    };
    for (const Case &c : cases) {
        CAPTURE(c.name);
        ReadOutcome outcome = ReadAllPoints(Signature + c.records, InputFormatMps);
        REQUIRE(outcome.headerResult == 0);
        CHECK(outcome.lastResult == -1);
        REQUIRE(outcome.points.size() == c.points.size());
        for (size_t i = 0; i < c.points.size(); ++i) {
            CAPTURE(i);
            CHECK(outcome.points[i].Lat == c.points[i].lat * Factor);
            CHECK(outcome.points[i].Lon == c.points[i].lon * Factor);
            CHECK(outcome.points[i].LatRad == outcome.points[i].Lat * RadiansPerDegree);
            CHECK(outcome.points[i].LonRad == outcome.points[i].Lon * RadiansPerDegree);
        }
        CHECK(outcome.status == (c.damaged ? "Track read error!\r\n" : ""));
    }
}

TEST_CASE("MPS record walk: negative and huge lengths end the records")
{
    const std::string track2 = Track(Points(2, 1000000));
    // Offset of the record that follows the signature and the track.
    const int64_t after = 6 + static_cast<int64_t>(track2.size());
    struct Case {
        const char *name;
        int64_t length;
    };
    const Case cases[] = {
        {"-1", -1},
        {"-5, which would not move", -5},
        {"-6, which would step back", -6},
        {"back to the track record", 6 - after - 5},
        {"back to the signature", -after - 5},
        {"smallest", INT32_MIN},
        {"largest", INT32_MAX},
        {"next offset one beyond the 32-bit range", INT32_MAX - 4 - after},
        {"next offset at the top of the 32-bit range", INT32_MAX - 5 - after},
    };
    for (const Case &c : cases) {
        CAPTURE(c.name);
        std::string bytes = Signature + track2 + Le32(c.length) + "W" + std::string(40, 'w') + track2;
        ReadOutcome outcome = ReadAllPoints(bytes, InputFormatMps);
        CHECK(outcome.lastResult == -1);
        CHECK(outcome.points.size() == 2);
        CHECK(outcome.status.empty());
    }
}

TEST_CASE("FindTrackRecord: record offsets and the end of the records")
{
    TempDir dir;
    fs::path file = dir / "walk.mps";
    const std::string track1 = Track(Points(1, 9000000));
    WriteBytes(file, Signature + Le32(0) + "T" + Record('W', "abc") + track1 + Le32(-20) + "X");
    InputFile = OpenFileByPath(WidePath(file).c_str(), "rb");
    REQUIRE(InputFile != nullptr);
    REQUIRE(CheckMpsHeader() == 0);
    CHECK(MpsReaderState == SeekTrack);
    CHECK(RecordOffset == 6);
    CHECK(FindTrackRecord());
    CHECK(RecordOffset == 6 + 5 + 8 + static_cast<int32_t>(track1.size()));
    // The file stands at the track's name.
    CHECK(std::fgetc(InputFile) == 'T');
    const int32_t stuck = RecordOffset;
    CHECK(!FindTrackRecord());
    CHECK(!FindTrackRecord());
    CHECK(RecordOffset == stuck);
    std::fclose(InputFile);
    InputFile = nullptr;
}

TEST_CASE("MPS semicircles: the whole 32-bit range, one multiplication")
{
    const std::vector<Semicircles> extremes = {
        {1 << 29, -(1 << 29)}, {INT32_MAX, INT32_MIN}, {0, 1}, {-1, INT32_MIN + 1}};
    ReadOutcome outcome = ReadAllPoints(Signature + Track(extremes), InputFormatMps);
    REQUIRE(outcome.points.size() == 4);
    CHECK(outcome.points[0].Lat == 45.0);
    CHECK(outcome.points[0].Lon == -45.0);
    CHECK(outcome.points[1].Lat == 179.99999991618097);
    CHECK(outcome.points[1].Lon == -180.0);
    CHECK(outcome.points[2].Lat == 0.0);
    CHECK(outcome.points[2].Lon == 8.381903171539307e-08);
    CHECK(outcome.points[3].Lat == -8.381903171539307e-08);
    CHECK(outcome.points[3].Lon == -179.99999991618097);
}

TEST_CASE("MPS conversions")
{
    ResetSettings();

    SUBCASE("header failures end before any output")
    {
        JobOutcome wrong = ConvertBytes(std::string("MsRcX\0", 6) + Track(Points(3, 1000000)), InputFormatMps,
                                        "t.mps");
        CHECK(wrong.result == 2);
        CHECK(wrong.status.find("Incorrect file format!\r\n") != std::string::npos);
        CHECK(!wrong.forwardExists);
        JobOutcome shortFile = ConvertBytes("MsRc", InputFormatMps, "t.mps");
        CHECK(shortFile.result == 2);
        CHECK(shortFile.status.find("Input file read error!\r\n") != std::string::npos);
        CHECK(!shortFile.forwardExists);
    }

    SUBCASE("a damaged record ends the route with the points read so far")
    {
        std::vector<Semicircles> walk;
        for (int i = 0; i < 10; ++i)
            walk.push_back({ToSemicircles(50.0 + 0.01 * i), ToSemicircles(10.0 + 0.003 * i * (i % 2))});
        JobOutcome outcome = ConvertBytes(
            Signature + Head + Track(walk) + Record('T', TrackData("Bad", walk, -1)) + Track(Points(3, 0)) + Tail,
            InputFormatMps, "t.mps");
        CHECK(outcome.result == 0);
        const std::string expected = "Track read error!\r\nForward route file - OK\r\n";
        CHECK(outcome.status.find(expected) != std::string::npos);
        std::vector<RoutePoint> forward = RoutePoints(outcome.forward);
        REQUIRE(forward.size() >= 2);
        CHECK(forward.front().lat == doctest::Approx(50.0));
        CHECK(forward.back().lat == doctest::Approx(50.09));
        CHECK(forward.back().lon == doctest::Approx(10.027).epsilon(1e-6));
        CHECK(RoutePoints(outcome.backward).size() == forward.size());
    }

    SUBCASE("a latitude of -100 or below makes a 38-byte record and fails the backward pass")
    {
        std::vector<Semicircles> walk = {{ToSemicircles(-120.0), ToSemicircles(10.0)},
                                         {ToSemicircles(-60.0), ToSemicircles(10.5)},
                                         {ToSemicircles(-50.0), ToSemicircles(11.0)}};
        JobOutcome outcome = ConvertBytes(Signature + Track(walk), InputFormatMps, "t.mps");
        CHECK(outcome.result == 4);
        CHECK(outcome.status.find("Invalid data in forward route file!\r\n") != std::string::npos);
        CHECK(outcome.forward.find("W,RW000001,-120.000000,  10.000000,0\r\n") != std::string::npos);
        CHECK(outcome.backward == "H1,OziExplorer CE Route2 File Version 1.0\r\nH2,WGS 84\r\n"
                                  "H3,BackwardRoute,,0\r\n");

        // The smallest value above -100 degrees still prints as -100.000000.
        walk[0].lat = ToSemicircles(-100.0);
        JobOutcome edge = ConvertBytes(Signature + Track(walk), InputFormatMps, "t.mps");
        CHECK(edge.result == 4);
    }
}
