#include <doctest/doctest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "conversion/conversion_job.h"
#include "platform/file_io.h"
#include "readers/nmea_reader.h"
#include "tests/test_support.h"

namespace {

// "$" + body + "*" + the body's checksum in two upper-case hexadecimal digits.
std::string Sentence(const std::string &body)
{
    unsigned sum = 0;
    for (unsigned char c : body) sum ^= c;
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", sum);
    return "$" + body + "*" + hex;
}

const std::string WorkedBody = "GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W";
const std::string Worked = "$" + WorkedBody + "*6A";

// The result of ReadNmeaPoint on one line (a line end is added) and the point it filled.
struct NmeaRead {
    int result;
    TrackPoint point;
};

NmeaRead ReadOneLine(const std::string &line)
{
    OpenInput input(line + "\r\n");
    NmeaRead read = {0, {}};
    read.result = ReadNmeaPoint(&read.point);
    return read;
}

} // namespace

TEST_CASE("CheckNmeaChecksum reads the value as \"%x\" would, without overflow")
{
    struct Case {
        std::string text;
        int result;
    };
    const std::string body = "$" + WorkedBody + "*";
    const Case cases[] = {
        {Worked, 0},
        {body + "6a", 0},
        {body + "6A\r\n", 0},
        {body + "6AG,trailing", 0},
        {body + "0x6A", 0},
        {body + "0X6a", 0},
        {body + " 6A", 0},
        {body + "\t\v\f 6A", 0},
        {body + "+6A", 0},
        {body + "+0x6A", 0},
        {body + "0000000000000000000000006A", 0},
        {body + "6B", 4},
        {body + "16A", 4},
        {body + "10000006A", 4},
        {body + "1006A", 4},
        {body + "FFFFFFFFFFFFFFFFFFFFFFFF", 4},
        {body + "FFFFFFFF", 4},
        {body + "-6A", 4},
        {body + "-0x6A", 4},
        {body + "-FFFFFF96", 4},
        {body + "", 3},
        {body + "G", 3},
        {body + " ", 3},
        {body + "x6A", 3},
        {"$" + WorkedBody, 2},
        {"$", 2},
        {"", 1},
        {WorkedBody + "*6A", 1},
        {" " + Worked, 1},
        // A body whose exclusive-or is 0: "0" or "00" written right after the "*".
        {"$AA*00", 0},
        {"$AA*0", 0},
        {"$AA*0x", 0},
        {"$AA*0x0", 0},
        {"$AA*000000000000000000000", 0},
        {"$*00", 0},
        {"$AA*", 3},
        {"$AA*-0", 3},
        {"$AA*+0", 3},
        {"$AA* 0", 3},
        {"$AA*x0", 3},
        {"$AA*1", 4},
        {"$AA*-1", 4},
        {"$AA*100", 4},
        // Bytes above 127 are part of the sum as bytes.
        {"$\xC5*C5", 0},
        {"$\xC5\x80*45", 0},
        {"$\xC5*-3B", 4},
        // Only the first "*" ends the sum.
        {"$A*41*00", 0},
    };
    for (const Case &c : cases) {
        CAPTURE(c.text);
        CHECK(CheckNmeaChecksum(c.text.c_str()) == c.result);
    }
}

TEST_CASE("ReadNmeaPoint: RMC sentences and their result codes")
{
    struct Case {
        const char *name;
        std::string line;
        int result;
        double lat;
        double lon;
    };
    const Case cases[] = {
        {"worked example", Worked, 0, 7.038 * 0.016666666666666666 + 48, 11.516666666666666},
        {"lower-case checksum", "$" + WorkedBody + "*6a", 0, 7.038 * 0.016666666666666666 + 48,
         11.516666666666666},
        {"south and west", Sentence("GPRMC,123519,A,3351.000,S,01825.000,W,0.0,0.0,010199,,"), 0, -33.85,
         -18.416666666666668},
        {"fractional time", Sentence("GPRMC,123519.00,A,4807.038,N,01131.000,E,,,230394,,"), 0,
         7.038 * 0.016666666666666666 + 48, 11.516666666666666},
        {"time of four characters", Sentence("GPRMC,1235,A,4807.038,N,01131.000,E,,,,,"), 0,
         7.038 * 0.016666666666666666 + 48, 11.516666666666666},
        {"time of eleven characters", Sentence("GPRMC,123519.0000,A,0000.000,N,00000.000,E,"), 0, 0, 0},
        {"highest latitude accepted", Sentence("GPRMC,123519,A,9959.999,N,37000.000,W,,"), 0,
         99.99998333333333, -370},
        {"DEL is no control character", Sentence("GPRMC,123519,A,4807.038\x7F,N,01131.000,E,"), 0,
         7.038 * 0.016666666666666666 + 48, 11.516666666666666},
        {"signed degrees", Sentence("GPRMC,123519,A,-107.5,N,-0130.5,E,"), 0,
         7.5 * 0.016666666666666666 - 1, 30.5 * 0.016666666666666666 - 1},
        {"blank before the degrees", Sentence("GPRMC,123519,A, 4807.038,N,01131.000,E,"), 0,
         807.038 * 0.016666666666666666 + 48, 11.516666666666666},
        {"empty position fields", Sentence("GPRMC,123519,A,,N,,E,"), 3, 0, 0},
        {"status V", Sentence("GPRMC,123519,V,4807.038,N,01131.000,E,,,,,"), 10, 0, 0},
        {"status AV", Sentence("GPRMC,123519,AV,4807.038,N,01131.000,E,,,,,"), 10, 0, 0},
        {"empty status", Sentence("GPRMC,123519,,4807.038,N,01131.000,E,,,,,"), 10, 0, 0},
        {"time of three characters", Sentence("GPRMC,123,A,4807.038,N,01131.000,E,,,,,"), 10, 0, 0},
        {"empty time", Sentence("GPRMC,,A,4807.038,N,01131.000,E,,,,,"), 10, 0, 0},
        {"line of eleven characters", Sentence("GPRMC,1"), 3, 0, 0},
        {"control character in the time walk", Sentence("GPRMC,1235\x01" "19,A,4807.038,N,01131.000,E,"), 3, 0,
         0},
        {"byte above 127 in the latitude", Sentence("GPRMC,123519,A,4807.0\xB0" "38,N,01131.000,E,"), 3, 0, 0},
        {"byte above 127 in the longitude", Sentence("GPRMC,123519,A,4807.038,N,01131.0\xB0" "00,E,"), 4, 0,
         0},
        {"latitude hemisphere X", Sentence("GPRMC,123519,A,4807.038,X,01131.000,E,"), 3, 0, 0},
        {"lower-case n", Sentence("GPRMC,123519,A,4807.038,n,01131.000,E,"), 3, 0, 0},
        {"latitude hemisphere not followed by a comma", Sentence("GPRMC,123519,A,4807.038,NE,01131.000,E,"), 3,
         0, 0},
        {"longitude hemisphere X", Sentence("GPRMC,123519,A,4807.038,N,01131.000,X,"), 4, 0, 0},
        {"lower-case e", Sentence("GPRMC,123519,A,4807.038,N,01131.000,e,"), 4, 0, 0},
        {"hemisphere followed by the checksum", Sentence("GPRMC,123519,A,4807.038,N,01131.000,E"), 4, 0, 0},
        {"latitude out of range", Sentence("GPRMC,123519,A,9999.999,N,01131.000,E,"), 3, 0, 0},
        {"longitude out of range", Sentence("GPRMC,123519,A,4807.038,N,37100.000,E,"), 3, 0, 0},
        {"longitude out of range, west", Sentence("GPRMC,123519,A,4807.038,N,37100.000,W,"), 3, 0, 0},
        {"other talker", Sentence("GNRMC,123519,A,4807.038,N,01131.000,E,,,,,"), 1, 0, 0},
        {"other sentence", Sentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"), 1, 0, 0},
        {"lower-case type", Sentence("gprmc,123519,A,4807.038,N,01131.000,E,"), 1, 0, 0},
        {"no comma after the type", Sentence("GPRMC"), 1, 0, 0},
        {"blank before the $", " " + Worked, 1, 0, 0},
        {"no checksum", "$" + WorkedBody, 2, 0, 0},
        {"nothing after the *", "$" + WorkedBody + "*", 2, 0, 0},
        {"checksum 16A", "$" + WorkedBody + "*16A", 2, 0, 0},
        {"wrong checksum", "$" + WorkedBody + "*6B", 2, 0, 0},
    };
    for (const Case &c : cases) {
        CAPTURE(c.name);
        CAPTURE(c.line);
        NmeaRead read = ReadOneLine(c.line);
        CHECK(read.result == c.result);
        if (c.result == 0) {
            CHECK(read.point.Lat == c.lat);
            CHECK(read.point.Lon == c.lon);
            CHECK(read.point.LatRad == c.lat * RadiansPerDegree);
            CHECK(read.point.LonRad == c.lon * RadiansPerDegree);
        }
    }
}

TEST_CASE("ReadNmeaPoint: a sentence that ends early at each step")
{
    struct Case {
        const char *body;
        int result;
    };
    const Case cases[] = {
        {"GPRMC,", 3},
        {"GPRMC,1235", 3},
        {"GPRMC,123519", 3},
        {"GPRMC,123519,", 10},
        {"GPRMC,123519,A", 10},
        {"GPRMC,123519,A,", 3},
        {"GPRMC,123519,A,48", 3},
        {"GPRMC,123519,A,4807.038", 3},
        {"GPRMC,123519,A,4807.038,", 3},
        {"GPRMC,123519,A,4807.038,N", 3},
        {"GPRMC,123519,A,4807.038,N,", 4},
        {"GPRMC,123519,A,4807.038,N,011", 4},
        {"GPRMC,123519,A,4807.038,N,01131.000", 4},
        {"GPRMC,123519,A,4807.038,N,01131.000,", 4},
        {"GPRMC,123519,A,4807.038,N,01131.000,E", 4},
        {"GPRMC,123519,A,4807.038,N,01131.000,E,", 0},
    };
    for (const Case &c : cases) {
        CAPTURE(c.body);
        CHECK(ReadOneLine(Sentence(c.body)).result == c.result);
        // Cut off without its checksum, the same text is passed over with 2.
        CHECK(ReadOneLine(std::string("$") + c.body).result == 2);
    }
}

TEST_CASE("NMEA logs: only active RMC fixes with right checksums become points")
{
    std::string log;
    log += Sentence("GPGGA,123518,4807.000,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,") + "\r\n";
    log += Sentence("GPRMC,123518,V,4807.000,N,01131.000,E,,,230394,,") + "\r\n";
    log += Sentence("GPRMC,123519,A,4807.038,N,01131.000,E,,,230394,,") + "\n";
    log += "\r\n\r\n";
    log += "$GPRMC,123520,A,4807.100,N,01131.100,E,,,230394,,*00\r\n";
    log += Sentence("GNRMC,123520,A,4807.100,N,01131.100,E,,,230394,,") + "\r";
    log += Sentence("GPRMC,123521,A,3351.000,S,01825.000,W,,,230394,,") + std::string(1, '\0');
    log += Sentence("GPRMC,123522,A,4807.200,N,01131.200,E,,,230394,,") + "\r\n";
    // The last sentence has no line end: it is never read.
    log += Sentence("GPRMC,123523,A,4807.300,N,01131.300,E,,,230394,,");

    ReadOutcome outcome = ReadAllPoints(log, InputFormatNmea);
    CHECK(outcome.headerResult == 0);
    CHECK(outcome.lastResult == -1);
    REQUIRE(outcome.points.size() == 3);
    CHECK(outcome.points[0].Lat == 7.038 * 0.016666666666666666 + 48);
    CHECK(outcome.points[1].Lat == -33.85);
    CHECK(outcome.points[1].Lon == -18.416666666666668);
    CHECK(outcome.points[2].Lat == 7.2 * 0.016666666666666666 + 48);

    // A log without an active fix gives no point.
    ReadOutcome noFix = ReadAllPoints(Sentence("GPRMC,123518,V,,,,,,,230394,,") + "\r\n" +
                                          Sentence("GPRMC,123519,V,4807.000,N,01131.000,E,,,230394,,") + "\r\n",
                                      InputFormatNmea);
    CHECK(noFix.points.empty());
    CHECK(noFix.lastResult == -1);
}

TEST_CASE("NMEA conversion: a .nmea name loses five characters")
{
    ResetSettings();
    std::string log;
    for (int i = 0; i < 30; ++i) {
        char body[120];
        std::snprintf(body, sizeof body, "GPRMC,1200%02d,A,5545.%03d,N,03736.%03d,E,,,010524,,", i, 10 * i,
                      (7 * i * i) % 1000);
        log += Sentence(body) + "\r\n";
    }
    JobOutcome outcome = ConvertBytes(log, InputFormatNmea, "walk.nmea");
    CHECK(outcome.result == 0);
    std::string forwardPath = Utf8(ForwardPath);
    std::string backwardPath = Utf8(BackwardPath);
    CHECK(forwardPath.substr(forwardPath.size() - 9) == "walkF.rt2");
    CHECK(backwardPath.substr(backwardPath.size() - 9) == "walkB.rt2");
    std::vector<RoutePoint> forward = RoutePoints(outcome.forward);
    REQUIRE(forward.size() >= 2);
    CHECK(forward.front().lat == doctest::Approx(55.75));
    CHECK(forward.front().lon == doctest::Approx(37.6));
    CHECK(forward.back().lat == doctest::Approx(55 + 45.29 / 60));
    CHECK(forward.back().lon == doctest::Approx(37 + (36 + (7 * 29 * 29 % 1000) / 1000.0) / 60));
    CHECK(RoutePoints(outcome.backward).size() == forward.size());
}

TEST_CASE("ReadNmeaPoint, any talker: talkers, the mode letter, one fix under two talkers")
{
    struct Case {
        int talkers;
        const char *body;
        int result;
    };
    // One log, read in order: each line sees the fixes delivered before it.
    const Case log[] = {
        {NmeaTalkersAny, "GNRMC,120000.00,A,4807.038,N,01131.000,E,0.1,,230394,,,A", 0},
        {NmeaTalkersAny, "GPRMC,120000.00,A,4807.038,N,01131.000,E,0.1,,230394,,,A", 12},
        {NmeaTalkersAny, "GLRMC,120001.00,A,4807.038,N,01131.000,E,,,230394,,", 0},
        {NmeaTalkersAny, "GARMC,120002.00,A,4807.038,N,01131.000,E,,,230394,003.1,W,N", 11},
        {NmeaTalkersAny, "GBRMC,120002.00,A,4807.038,N,01131.000,E,,,230394,003.1,W,A,V", 0},
        {NmeaTalkersAny, "BDRMC,120003,A,4807.038,N,01131.000,E,,,230394,,,N,V", 11},
        {NmeaTalkersAny, "GIRMC,120003,A,4807.038,N,01131.000,E,,,230394,,,D,S", 0},
        {NmeaTalkersAny, "GQRMC,120004,A,4807.038,N,01131.000,E,,,230394,,,E", 0},
        {NmeaTalkersAny, "INRMC,120005,A,4807.038,N,01131.000,E,,,230394,,,,V", 0},
        {NmeaTalkersAny, "GNRMC,120006,A,4807.038,N,01131.000,E,,,230394,,,NA", 0},
        {NmeaTalkersAny, "GNRMC,120007,V,4807.038,N,01131.000,E,,,230394,,,A", 10},
        {NmeaTalkersAny, "GNRMC,120007,A,4807.038,N,01131.000,X,,,230394,,,A", 4},
        {NmeaTalkersAny, "GnRMC,120008,A,4807.038,N,01131.000,E,,,230394,,,A", 1},
        {NmeaTalkersAny, "G1RMC,120008,A,4807.038,N,01131.000,E,,,230394,,,A", 1},
        {NmeaTalkersAny, "GNGGA,120008,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,", 1},
        {NmeaTalkersAny, "GNRMC120008,A,4807.038,N,01131.000,E,,,230394,,,A", 1},
        {NmeaTalkersAny, "GNRMC,120005,A,4807.038,N,01131.000,E,,,230394,,,A", 0},
        // The handheld program's reading: GP only, no mode letter, no repeated times.
        {NmeaTalkersGp, "GNRMC,120009,A,4807.038,N,01131.000,E,,,230394,,,A", 1},
        {NmeaTalkersGp, "GPRMC,120005,A,4807.038,N,01131.000,E,,,230394,,,N", 0},
        {NmeaTalkersGp, "GPRMC,120005,A,4807.038,N,01131.000,E,,,230394,,,N", 0},
    };
    ResetNmeaReader();
    for (const Case &c : log) {
        CAPTURE(c.body);
        NmeaTalkers = c.talkers;
        CHECK(ReadOneLine(Sentence(c.body)).result == c.result);
    }
    NmeaTalkers = NmeaTalkersGp;
}
