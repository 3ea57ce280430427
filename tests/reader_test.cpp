// The four readers, the line reader and the decimal parser, as tables of inputs and the
// points they give; and the real-world samples.
#include <doctest/doctest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <random>
#include <tuple>

#include "readers/byte_scan.h"
#include "readers/nmea_reader.h"
#include "tests/test_support.h"

namespace {

const double Min = 0.016666666666666666;           // the double nearest 1/60
const double Semicircle = 180.0 / 2147483648.0;    // degrees per MPS unit

std::string Sentence(const std::string &body)  // "$" body "*" and its checksum
{
    unsigned sum = 0;
    for (unsigned char c : body) sum ^= c;
    return "$" + body + "*" + "0123456789ABCDEF"[sum >> 4] + "0123456789ABCDEF"[sum & 15];
}

std::string Le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string Record(char type, const std::string &data) { return Le32(data.size()) + type + data; }
// An MPS track record's data: name, 5 unused bytes, the count, 31 bytes a point.
std::string TrackData(const std::string &name, const std::vector<int32_t> &latLon, int32_t count)
{
    std::string data = name + std::string(1, '\0') + "\x01\x02\x03\x04\x05" + Le32(count);
    for (size_t i = 0; i + 1 < latLon.size(); i += 2) data += Le32(latLon[i]) + Le32(latLon[i + 1]) + std::string(23, '\xA5');
    return data;
}
std::string Track(const std::vector<int32_t> &latLon) { return Record('T', TrackData("T", latLon, latLon.size() / 2)); }

const std::string Mps = std::string("MsRcd\0", 6);
const std::string Worked = "GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W";
// A track point tag whose "lon" stands at lonAt in the tag's text.
std::string GpxPad(size_t lonAt) { return "<trkpt lat='1' " + std::string(lonAt - 14, ' ') + "lon='2'>"; }

// MPS coordinates are given in semicircles.
struct ReadCase { int format; std::string bytes; std::vector<double> latLon; int header = HeaderAccepted; const char *status = ""; };

}  // namespace

TEST_CASE("Readers: inputs and the points they give")
{
    const int G = InputFormatGpx, M = InputFormatMps, P = InputFormatPlt, N = InputFormatNmea;
    const std::string H = PltHeader, Sig = "OziExplorer Track Point File\n";
    const std::string broken = "Track read error!\r\n";
    const ReadCase cases[] = {
        {P, H + "  -27.350436, 153.055540,0,-777\r\n100,370\n-100,-370\r100.000001,0\n0,-370.5\n12.5 13.5\nabc,def\n7,8",
         {-27.350436, 153.05554, 100, 370, -100, -370, 0, 0}},
        {P, H + std::string(147, '0') + "1,5\n" + std::string(148, '0') + "1,5\n", {1, 5, 1, 0}},
        {P, H + "1.5,2.5," + std::string(300, '9') + "\r\n3,4\r\n5,6" + std::string(300, '7'), {1.5, 2.5, 3, 4}},
        {P, "\r\nOziExplorer\n9,9\n\n9,9\n9,9\n9,9\n9,9\n1,2\n", {1, 2}},
        // The line reader's blocks: a line, a CR LF and a cut line across a block's end.
        {P, H + std::string(LineBlockSize - H.size() - 2, '\n') + "1,2\n5,6\n", {1, 2, 5, 6}},
        {P, H + std::string(LineBlockSize - H.size() - 4, '\n') + "1,2\r\n5,6\n", {1, 2, 5, 6}},
        {P, H + std::string(LineBlockSize - H.size() - 100, '\n') + "1,2," + std::string(200, '9') + "\n5,6\n", {1, 2, 5, 6}},
        {P, "OziExplorer Track File\n1\n2\n3\n4\n5\n", {}, HeaderWrongFormat},
        {P, "\xEF\xBB\xBF" + Sig + "1\n2\n3\n4\n5\n", {}, HeaderWrongFormat},
        {P, "oziexplorer Track Point File\n1\n2\n3\n4\n5\n", {}, HeaderWrongFormat},
        {P, "", {}, HeaderReadError},
        {P, Sig + "1\n2\n3\n4\n", {}, HeaderReadError},
        {P, Sig + "1\n2\n3\n4\n5", {}, HeaderReadError},
        {G, "<gpx><trk><trkseg>\n<trkpt lat='47.644548' lon='-122.326897'></trkpt>\n<trkpt lat=\"1.5\" lon=\"2.5\"/>"
            "<trkpt lon='18.4' lat='-33.9'/><trkpt  lat = \"3\"\tlon = \"4\" ><trkpt\r\n lat='5'\r\n lon='6'>"
            "<!-- <trkpt lat='7' lon='8'> --><trkpt lat='' lon='9'><trkpt lat='100.5' lon='1'><trkpt lat='+7' lon='8'>"
            "<trkpt lat='1e1' lon='2.5E-1'><trkpt plate='9' lat='7' lon='8'><trkpt latitude='3' longitude='4'>"
            "<trkpt lat='100' lon='370'><trkpt lat='-100' lon='-370'><trkpt lat='- 5' lon='6'>",
         {47.644548, -122.326897, 1.5, 2.5, -33.9, 18.4, 3, 4, 5, 6, 7, 8, 9, 9, 7, 8, 10, 0.25, 9, 8, 3, 4, 100, 370,
          -100, -370, 0, 6}},
        {G, GpxPad(992) + GpxPad(993) + GpxPad(995) + GpxPad(996) + "<trkpt lat='3' lon='4'>", {1, 2, 3, 4}},
        {G, std::string(LineBlockSize - 9, ' ') + "<trkpt lat='1' lon='2'>", {1, 2}},
        {M, Mps + Record('D', "mg") + Track({1 << 29, -(1 << 29), INT32_MAX, INT32_MIN}) + Record('W', std::string(60, 'w')) +
                Le32(0) + "T" + Track({0, 1, -1, INT32_MIN + 1}), {1 << 29, -(1 << 29), INT32_MAX, INT32_MIN, 0, 1, -1, INT32_MIN + 1}},
        {M, Mps + Record('t', TrackData("t", {1, 2}, 1)) + Record('T', TrackData("", {}, 0)) + Track({5, 6}), {5, 6}},
        {M, Mps + Record('T', TrackData(std::string(150, 'x'), {5, 6}, 1) + "pad") + Track({7, 8}), {5, 6, 7, 8}},
        {M, Mps + Record('T', TrackData(std::string(151, 'x'), {5, 6}, 1)), {}, HeaderAccepted, broken.c_str()},
        {M, Mps + Track({5, 6}) + Record('T', TrackData("Bad", {7, 8}, -1)) + Track({9, 9}), {5, 6}, HeaderAccepted, broken.c_str()},
        {M, Mps + Record('T', TrackData("Short", {5, 6}, 2)), {5, 6}, HeaderAccepted, broken.c_str()},
        {M, Mps + Track({5, 6, 7, 8}).substr(0, 5 + 2 + 5 + 4 + 31 + 6), {5, 6}, HeaderAccepted, broken.c_str()},
        {M, Mps + Le32(100) + "T" + "n" + std::string(1, '\0') + "\x01\x02\x03\x04\x05\x01", {}, HeaderAccepted, broken.c_str()},
        {M, Mps + Track({5, 6}).substr(0, 5 + 2 + 5 + 4 + 18) , {5, 6}},
        {M, Mps + Track({5, 6}) + Le32(-5) + "W" + Track({7, 8}), {5, 6}},
        {M, Mps + Track({5, 6}) + Le32(INT32_MAX - 4 - 53) + "W" + Track({7, 8}), {5, 6}},
        {M, Mps + Track({5, 6}) + Le32(INT32_MAX - 5 - 53) + "W" + Track({7, 8}), {5, 6}},
        {M, Mps + Track({5, 6}) + Le32(-6 - 47) + "W" + Track({7, 8}), {5, 6}},
        {M, Mps + Le32(1000000) + "W" + Track({7, 8}), {}},
        {M, "MsRcd", {}, HeaderReadError},
        {M, "MsRcd\x01", {}, HeaderWrongFormat},
        {M, std::string("MsRcX\0", 6), {}, HeaderWrongFormat},
        {M, std::string("msrcd\0", 6), {}, HeaderWrongFormat},
        {N, Sentence(Worked) + "\r\n" + Sentence("GPRMC,123519,A,3351.000,S,01825.000,W,0.0,0.0,010199,,") + "\n" +
                Sentence("GPRMC,1235,A,9959.999,N,37000.000,W,,") + "\r" + Sentence("GPRMC,123519.0,A,-107.5,N,-0130.5,E,") +
                std::string(1, '\0') + Sentence("GPRMC,123519,A, 4807.038,N,01131.000,E,") + "\n" +
                Sentence("GPRMC,123519,A,4807.038,N,01131.000,E," + std::string(108, '0')) + "\n" +
                Sentence("GPRMC,123519,A,4807.038,N,01131.000,E," + std::string(109, '0')) + "\n" + Sentence(Worked),
         {7.038 * Min + 48, 31 * Min + 11, -(51 * Min + 33), -(25 * Min + 18), 59.999 * Min + 99, -370, 7.5 * Min - 1,
          30.5 * Min - 1, 807.038 * Min + 48, 31 * Min + 11, 7.038 * Min + 48, 31 * Min + 11}},
        // A sentence across a block's end is copied; the next one is read in place.
        {N, std::string(LineBlockSize - 30, '\n') + Sentence(Worked) + "\n" + Sentence(Worked) + "\n",
         {7.038 * Min + 48, 31 * Min + 11, 7.038 * Min + 48, 31 * Min + 11}},
    };
    for (const ReadCase &c : cases) {
        CAPTURE(c.bytes);
        ReadOutcome read = ReadAllPoints(c.bytes, c.format);
        CHECK(read.headerResult == c.header);
        std::vector<double> latLon;
        const double unit = c.format == InputFormatMps ? Semicircle : 1.0;
        for (const TrackPoint &p : read.points) {
            latLon.insert(latLon.end(), {p.Lat / unit, p.Lon / unit});
            CHECK((p.LatRad == p.Lat * RadiansPerDegree && p.LonRad == p.Lon * RadiansPerDegree));
        }
        CHECK(latLon == c.latLon);
        CHECK(read.status == c.status);
    }
}

TEST_CASE("Readers: inputs that give no point")
{
    const std::vector<std::string> gpx = {
        "<trkpt lon='2'>", "<trkpt lat='2'>", "<trkpt>", "<trkpt lat='x' lon='y'>", "<trkpt lat='1' lon='y'>",
        "<trkpt lat='100.5' lon='1'>", "<trkpt lat='-100.000001'>", "<trkpt lat='0' lon='-370.5'>",
        "<trkpt lat='1' lon='2' /trkpt>", "<TRKPT lat='1' lon='2'>", "<wpt lat='1' lon='2'>",
        "<rtept lat='1' lon='2'>", "<trkpt lat='1' lon='2'", "trkpt lat='1' lon='2'",
        std::string("<trkpt\0 lat='1' lon='2'>", 24)};
    for (const std::string &tag : gpx) CHECK(ReadAllPoints(tag, InputFormatGpx).points.empty());
    const std::vector<std::string> nmea = {
        "GPRMC,123519,V,4807.038,N,01131.000,E,,,,,", "GPRMC,123519,AV,4807.038,N,01131.000,E,,,,,",
        "GPRMC,123519,,4807.038,N,01131.000,E,,,,,", "GPRMC,123,A,4807.038,N,01131.000,E,,,,,",
        "GPRMC,,A,4807.038,N,01131.000,E,,,,,", "GPRMC,123519,A,,N,,E,", "GPRMC,1",
        "GPRMC,1235\x01" "19,A,4807.038,N,01131.000,E,", "GPRMC,123519,A,4807.0\xB0" "38,N,01131.000,E,",
        "GPRMC,123519,A,4807.038,N,01131.0\xB0" "00,E,", "GPRMC,123519,A,4807.038,X,01131.000,E,",
        "GPRMC,123519,A,4807.038,n,01131.000,E,", "GPRMC,123519,A,4807.038,NE,01131.000,E,",
        "GPRMC,123519,A,4807.038,N,01131.000,X,", "GPRMC,123519,A,4807.038,N,01131.000,e,",
        "GPRMC,123519,A,9999.999,N,01131.000,E,", "GPRMC,123519,A,4807.038,N,37100.000,W,",
        "GNRMC,123519,A,4807.038,N,01131.000,E,,,,,", "gprmc,123519,A,4807.038,N,01131.000,E,", "GPRMC"};
    for (const std::string &body : nmea) CHECK(ReadAllPoints(Sentence(body) + "\r\n", InputFormatNmea).points.empty());
    // A sentence cut off at any place before its last comma.
    const std::string full = "GPRMC,123519,A,4807.038,N,01131.000,E,";
    for (size_t n = 0; n < full.size(); n++) {
        CAPTURE(n);
        CHECK(ReadAllPoints(Sentence(full.substr(0, n)) + "\n", InputFormatNmea).points.empty());
        CHECK(ReadAllPoints("$" + full.substr(0, n) + "\n", InputFormatNmea).points.empty());
    }
    for (const char *line : {" $GPRMC,1", "$GPRMC,123519,A,4807.038,N,01131.000,E,*", "$GPRMC,123519,A,4807.038,N,01131.000,E,"})
        CHECK(ReadAllPoints(std::string(line) + "\n", InputFormatNmea).points.empty());
}

TEST_CASE("NMEA: only the status letter A gives a point")
{
    const struct { std::string shows; const char *status; size_t points; } rows[] = {
        {"A: an active fix", "A", 1},
        {"V: a warning, no fix", "V", 0},
        {"X: a letter that is neither A nor V", "X", 0},
        {"a: A in lower case", "a", 0},
    };
    for (const auto &row : rows) {
        CAPTURE(row.shows);
        std::string body = "GPRMC,123519," + std::string(row.status) + ",4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W";
        CHECK(ReadAllPoints(Sentence(body) + "\r\n", InputFormatNmea).points.size() == row.points);
    }
}

// Each line a reading of the line reader gives, with ReadLineInPlaceSum's sum and mark.
using ReadLineResult = std::tuple<std::string, unsigned, long>;
enum { Copied, InPlace, InPlaceSum };
std::vector<ReadLineResult> ReadEveryLine(const std::string &bytes, int reading)
{
    TempDir dir;
    WriteBytes(dir / "lines.txt", bytes);
    FILE *file = std::fopen((dir / "lines.txt").string().c_str(), "rb");
    REQUIRE(file);
    ResetLineReader();
    std::vector<ReadLineResult> lines;
    char buffer[LineBufferSize];
    const char *line = buffer, *at = nullptr;
    unsigned sum = 0;
    for (;;) {
        int length = reading == Copied    ? ReadLine(file, buffer, LineLimit)
                     : reading == InPlace ? ReadLineInPlace(file, buffer, LineLimit, &line)
                                          : ReadLineInPlaceSum(file, buffer, LineLimit, &line, '*', &at, &sum);
        if (length == LineEndOfFile) break;
        lines.emplace_back(std::string(line, length), sum, at ? long(at - line) : -1L);
    }
    std::fclose(file);
    return lines;
}

TEST_CASE("Line reader: a line end at each of the last 15 bytes of a block, and the sums of lines")
{
    // Block k (from 1) opens with lines of 1 to 40 bytes, and ends with a line of 31 - k bytes
    // and its line end k bytes before the block's end, where the wide steps hand the last bytes
    // to the byte loop; the next line runs into the next block. Half of the lines hold a "*".
    auto text = [](int length, int k, bool star) {
        std::string line;
        for (int i = 0; i < length; i++) line += char(star && i == 3 * k % length ? '*' : 'A' + (i * 7 + k) % 58);
        return line;
    };
    const struct { std::string shows; char end; } rows[] = {
        {"a NUL ends a line", '\0'},
        {"a CR ends a line", '\r'},
        {"an LF ends a line", '\n'},
    };
    for (const auto &row : rows) {
        CAPTURE(row.shows);
        std::string bytes;
        for (int k = 1; k <= 15; k++) {
            std::string block;
            for (int length = 1; length <= 40; length++) block += text(length, k, length % 2) + row.end;
            bytes += block + std::string(LineBlockSize - 31 - block.size(), '\n') + text(31 - k, k, k % 2) + row.end +
                     std::string(k - 1, 'z');
        }
        bytes += "\n";
        // What every reading must give: the file split at NUL, CR and LF, a plain loop.
        std::vector<ReadLineResult> want;
        std::string line;
        for (char c : bytes) {
            if (c != '\0' && c != '\r' && c != '\n') { line += c; continue; }
            if (line.empty()) continue;
            unsigned sum = 0;
            size_t star = line.find('*');
            for (size_t i = 0; i < std::min(star, line.size()); i++) sum ^= (unsigned char)line[i];
            want.emplace_back(line, sum, star == std::string::npos ? -1L : long(star));
            line.clear();
        }
        REQUIRE(want.size() == 15 * 41 + 1);  // a "z" run but the last joins the next block's first line
        CHECK(ReadEveryLine(bytes, InPlaceSum) == want);
        for (ReadLineResult &w : want) std::get<1>(w) = 0, std::get<2>(w) = -1;
        CHECK(ReadEveryLine(bytes, Copied) == want);
        CHECK(ReadEveryLine(bytes, InPlace) == want);
    }
}

TEST_CASE("Byte scans: the first byte looked for, and the exclusive-or before it, at every length and place")
{
    std::mt19937 random(2026);
    unsigned char bytes[80];
    for (int i = 0; i < 20000; i++) {
        const int length = random() % 80;
        for (unsigned char &b : bytes) b = (unsigned char)(random() % 4 ? 'a' + random() % 3 : random());
        const unsigned char mark = (unsigned char)random(), other = random() % 2 ? mark : (unsigned char)random();
        // Plain loops of the test's own: the first mark and the sum before it, the first of
        // either mark, the first line end, and the first line end or mark with the sum before it.
        auto isEnd = [](unsigned char b) { return b == 0 || b == '\r' || b == '\n'; };
        int first = 0, either = 0, lineEnd = 0, endOrMark = 0;
        unsigned sum = 0, want = 0, endSum = 0, wantEnd = 0;
        while (first < length && bytes[first] != mark) want ^= bytes[first++];
        while (either < length && bytes[either] != mark && bytes[either] != other) either++;
        while (lineEnd < length && !isEnd(bytes[lineEnd])) lineEnd++;
        while (endOrMark < length && !isEnd(bytes[endOrMark]) && bytes[endOrMark] != mark) wantEnd ^= bytes[endOrMark++];
        CAPTURE(i);
        REQUIRE(FindByteSum(bytes, bytes + length, mark, &sum) == bytes + first);
        REQUIRE(sum == want);
        REQUIRE(FindByte(bytes, bytes + length, mark) == bytes + first);
        REQUIRE(FindEitherByte(bytes, bytes + length, mark, other) == bytes + either);
        REQUIRE(FindLineEnd(bytes, bytes + length) == bytes + lineEnd);
        REQUIRE(FindLineEndOrByteSum(bytes, bytes + length, mark, &endSum) == bytes + endOrMark);
        REQUIRE(endSum == wantEnd);
    }
}

TEST_CASE("NMEA, any talker: talkers, the mode letter, one fix under two talkers once")
{
    // One log read in order; each line's latitude minutes tell its point apart.
    const struct { const char *talker, *time, *tail; bool point; } log[] = {
        {"GN", "120000.00", "0.1,,230394,,,A", true},
        {"GP", "120000.00", "0.1,,230394,,,A", false},  // the same fix under a second talker
        {"GL", "120001.00", ",,230394,,", true},         // NMEA before 2.3: no mode field
        {"GA", "120002.00", ",,230394,003.1,W,N", false},
        {"GB", "120002.00", ",,230394,003.1,W,A,V", true},  // NMEA 4.10's status after the mode
        {"BD", "120003", ",,230394,,,N,V", false},
        {"GI", "120003", ",,230394,,,D,S", true},
        {"GQ", "120004", ",,230394,,,E", true},
        {"IN", "120005", ",,230394,,,,V", true},
        {"Gn", "120006", ",,230394,,,A", false},
        {"G1", "120006", ",,230394,,,A", false},
        {"GN", "120004", ",,230394,,,A", true},  // only the fix just before counts as a repeat
    };
    std::string text;
    std::vector<double> expected;
    for (size_t i = 0; i < std::size(log); i++) {
        const std::string minutes = "48" + std::to_string(10 + i) + ".000";
        text += Sentence(std::string(log[i].talker) + "RMC," + log[i].time + ",A," + minutes + ",N,01131.000,E," + log[i].tail) + "\r\n";
        if (log[i].point) expected.push_back(48 + (10 + i) / 60.0);
    }
    NmeaTalkers = NmeaTalkersAny;
    std::vector<TrackPoint> any = ReadAllPoints(text, InputFormatNmea).points;
    NmeaTalkers = NmeaTalkersGp;
    REQUIRE(any.size() == expected.size());
    for (size_t i = 0; i < any.size(); i++) CHECK(any[i].Lat == doctest::Approx(expected[i]));
    CHECK(ReadAllPoints(text, InputFormatNmea).points.size() == 1);  // the handheld's reading: $GPRMC only
}

TEST_CASE("NMEA checksums are read as \"%x\" reads them")
{
    const std::string w = "$" + Worked + "*";
    for (const std::string &right : {w + "6A", w + "6a", w + "6A\r\n", w + "6AG,x", w + "0x6A", w + "0X6a", w + " 6A",
                                     w + "\t\v\f 6A", w + "+6A", w + "+0x6A", w + std::string(30, '0') + "6A", std::string("$AA*00"),
                                     std::string("$AA*0"), std::string("$AA*0x"), std::string("$*00"), std::string("$\xC5*C5"), std::string("$A*41*00")})
        CHECK_MESSAGE(CheckNmeaChecksum(right.c_str()) == 0, right);
    for (const std::string &wrong : {w + "6B", w + "16A", w + "10000006A", w + "1006A", w + std::string(24, 'F'), w + "FFFFFFFF",
                                     w + "-6A", w + "-0x6A", w + "-FFFFFF96", w, w + "G", w + " ", w + "x6A", std::string("$AA*-0"),
                                     std::string("$AA*+0"), std::string("$AA* 0"), std::string("$AA*100"), std::string("$\xC5*-3B"), std::string("AA*00")})
        CHECK_MESSAGE(CheckNmeaChecksum(wrong.c_str()) != 0, wrong);
}

TEST_CASE("ParseDecimal reads what atof reads in the C locale, decimal only")
{
    const std::pair<const char *, double> cases[] = {
        {"  -27.350436, 153.0", -27.350436}, {"\t\n\v\f\r 12", 12}, {"+3.5", 3.5}, {".5", 0.5}, {"-.5", -0.5},
        {"5.", 5}, {"1E-3", 1e-3}, {"2.5e+2x", 250}, {"1e", 1}, {"1e+", 1}, {"", 0}, {"abc", 0}, {".", 0},
        {"-", 0}, {"+-1", 0}, {"nan", 0}, {"inf", 0}, {"-infinity", 0}, {"0x1A", 0}, {"1,5", 1},
        {"123456789012345678901234567890", 123456789012345678901234567890.0},
        {"1.00000000000000011102230246251565404236316680908203125", 1.0},
        {"1.00000000000000011102230246251565404236316680908203126", 1.0000000000000002},
        {"4.9e-324", 4.9e-324}, {"1e-400", 0}, {"1e400", HUGE_VAL}, {"1e99999999999", HUGE_VAL}};
    for (const auto &c : cases) {
        CAPTURE(c.first);
        CHECK(ParseDecimal(c.first) == c.second);
    }
    CHECK(std::signbit(ParseDecimal("-0.0")));
    CHECK(ParseDecimal(("0." + std::string(900, '0') + "1").c_str()) == 0.0);
    CHECK(ParseDecimal(("1" + std::string(990, '0') + "e-990").c_str()) == 1.0);
    std::mt19937 random(12345);
    auto digits = [&](int count) { std::string text; while (count-- > 0) text += char('0' + random() % 10); return text; };
    for (int i = 0; i < 20000; i++) {
        std::string text = (random() % 2 ? "-" : "") + digits(1 + random() % 4) + "." + digits(random() % 25);
        if (random() % 4 == 0) text += "e" + std::to_string(static_cast<int>(random() % 80) - 40);
        CAPTURE(text);
        REQUIRE(ParseDecimal(text.c_str()) == std::strtod(text.c_str(), nullptr));
    }
    for (const char *name : {"de_DE.UTF-8", "ru_RU.UTF-8", "fr_FR.UTF-8"})
        if (std::setlocale(LC_NUMERIC, name)) CHECK(ParseDecimal("1.2345678901234567890") == 1.2345678901234568);
    std::setlocale(LC_NUMERIC, "C");
}

TEST_CASE("Real-world samples read and convert")
{
    const char *samples = std::getenv("WAYFOLD_SAMPLES");
    if (!samples || !fs::is_directory(fs::path(samples))) return;  // absent: nothing to read
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
    ResetSettings();
    for (const fs::directory_entry &entry : fs::directory_iterator(samples)) {
        const std::string ext = entry.path().extension().string();
        const int format = ext == ".gpx" ? InputFormatGpx : ext == ".mps" ? InputFormatMps : ext == ".plt" ? InputFormatPlt
                                                                                                       : ext == ".nmea" ? InputFormatNmea : 0;
        if (format == 0 || !entry.is_regular_file()) continue;  // folders of other samples too
        const std::string name = entry.path().filename().string(), bytes = ReadBytes(entry.path());
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
        CHECK((std::fabs(forward[0].lat - got[1]) < 5e-7 && std::fabs(forward[0].lon - got[2]) < 5e-7));  // the first point
        CHECK((std::fabs(backward[0].lat - got[3]) < 5e-7 && std::fabs(backward[0].lon - got[4]) < 5e-7));  // the last
    }
}
