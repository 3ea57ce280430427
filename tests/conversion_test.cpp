// The conversion job, its route files and status text, the thinning it runs, and the
// converter's command line.
#include <doctest/doctest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwchar>

#include "conversion/status_log.h"
#include "conversion/thinning.h"
#include "converter/convert_cli.h"
#include "platform/file_io.h"
#include "platform/status_display.h"
#include "tests/test_support.h"
#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

const std::string Head = "H1,OziExplorer CE Route2 File Version 1.0\r\nH2,WGS 84\r\nH3,";
const std::string Saved = "Forward route file - OK\r\n3 points are saved.\r\n";
const std::string ThreePoints = PltHeader + "55.75,37.6\r\n55.7509,37.6\r\n55.7518,37.6\r\n";

std::vector<std::wstring> Repaints;

struct CliRun { int status; std::string out, err; };

std::string Drain(std::FILE *file)
{
    std::string text;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    std::fclose(file);
    return text;
}

CliRun Run(const std::vector<std::wstring> &arguments)
{
#if defined(_WIN32)
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quillon");  // start from no stored thresholds
#endif
    std::vector<const wchar_t *> argv{L"wayfold-convert"};
    for (const std::wstring &a : arguments) argv.push_back(a.c_str());
    std::FILE *out = std::tmpfile(), *err = std::tmpfile();
    REQUIRE((out && err));
    int status = RunConvertCli(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, Drain(out), Drain(err)};
}

const std::string Good = PltHeader + "1,2\r\n1.001,2\r\n1.002,2.001\r\n";

}  // namespace

TEST_CASE("Output paths: the last 4 characters (5 for NMEA) give way to F.rt2 and B.rt2")
{
    const struct { const wchar_t *input; int format; const wchar_t *forward, *backward; } cases[] = {
        {L"\\Storage\\t.nmea", InputFormatNmea, L"\\Storage\\tF.rt2", L"\\Storage\\tB.rt2"},
        {L"\\Storage\\t.gpx", InputFormatGpx, L"\\Storage\\tF.rt2", L"\\Storage\\tB.rt2"},
        {L"\\Storage\\t.nmea", InputFormatMps, L"\\Storage\\t.F.rt2", L"\\Storage\\t.B.rt2"},
        {L"\\Storage\\t.gpx", InputFormatNmea, L"\\Storage\\F.rt2", L"\\Storage\\B.rt2"},
    };
    for (const auto &c : cases) {
        wcscpy(InputPath, c.input);
        InputFormat = c.format;
        MakeOutputPaths();
        CHECK(std::wstring(ForwardPath) == c.forward);
        CHECK(std::wstring(BackwardPath) == c.backward);
    }
    wcscpy(InputPath, std::wstring(InputPathMax, L'a').c_str());
    InputFormat = InputFormatPlt;
    MakeOutputPaths();
    CHECK(std::wstring(ForwardPath).size() == static_cast<size_t>(InputPathMax + 1));
}

TEST_CASE("A conversion: the route files, both ways, and the status lines")
{
    ResetSettings();
    JobOutcome outcome = ConvertBytes(ThreePoints, InputFormatPlt, "walk.plt");
    CHECK(outcome.result == JobDone);
    const std::string first = "W,RW000001, 55.750000,  37.600000,0\r\n", last = "W,RW000002, 55.751800,  37.600000,0\r\n";
    CHECK(outcome.forward == Head + "ForwardRoute,,0\r\n" + first + last);
    CHECK(outcome.backward == Head + "BackwardRoute,,0\r\n" + last + first);
    CHECK(outcome.status.substr(outcome.status.find(".plt\r\n") + 6) == "Forward route file - OK\r\n2 points are saved.\r\nBackward route file - OK\r\n");

    // 300 records, every one kept: the backward copy crosses its block boundaries.
    SetSettings(5, -1, 5, 50);
    outcome = ConvertBytes(PltTrack(BuildTrack({-33.9, 18.4}, Repeat(299, {30, 100}))), InputFormatPlt, "t.plt");
    REQUIRE((outcome.forward.size() == 74 + 300 * 37 && outcome.backward.size() == 75 + 300 * 37));
    for (int k = 0; k < 300; k++) REQUIRE(outcome.backward.compare(75 + k * 37, 37, outcome.forward, 74 + (299 - k) * 37, 37) == 0);
    ResetSettings();
}

TEST_CASE("Failures: the result, the last messages and what is left on disk")
{
    SetSettings(5, -1, 5, 50);  // every point kept
    const std::string longTrack = PltTrack(BuildTrack({10, 10}, Repeat(1999, {0, 100})));
    // In the way of the conversion: kind '/' a folder, '>' a link to a full device; '-' no input.
    const struct { std::string bytes; const char *name; char kind; int result; std::string ending; bool forward, backward; } cases[] = {
        {"OziExplorer Track Point File\r\n1\r\n", "", ' ', JobInputFailed, ".plt\r\nInput file read error!\r\n", false, false},
        {"<gpx>\r\n1\r\n2\r\n3\r\n4\r\n5\r\n", "", ' ', JobInputFailed, ".plt\r\nIncorrect file format!\r\n", false, false},
        {PltHeader + "1,2\r\n1,3\r\n", "", ' ', JobThinningFailed, ".plt\r\nToo short input file!\r\n", true, false},
        {PltHeader, "", ' ', JobThinningFailed, ".plt\r\nToo short input file!\r\n", true, false},
        // %10.6f of -100 takes 11 characters: a 38-byte record the copy finds broken.
        {PltHeader + "1,2\r\n-100,2\r\n1,2.5\r\n", "", ' ', JobBackwardCopyFailed, "saved.\r\nInvalid data in forward route file!\r\n", true, true},
        {"", "", '-', JobInputFailed, ".plt\r\nInput file open error!\r\n", false, false},
        {"", "walk.plt", '/', JobInputFailed, ".plt\r\nInput file open error!\r\n", false, false},
        {ThreePoints, "walkF.rt2", '/', JobInputFailed, ".plt\r\nOutput file open error!\r\n", true, false},
        {ThreePoints, "walkB.rt2", '/', JobBackwardOpenFailed, ".plt\r\n" + Saved + "Backward route file open error!\r\n", true, true},
#if !defined(_WIN32)
        {ThreePoints, "walkF.rt2", '>', JobThinningFailed, ".plt\r\nForward file write error!\r\n", true, false},  // on close
        {longTrack, "walkF.rt2", '>', JobThinningFailed, ".plt\r\nForward file write error!\r\n", true, false},
        {ThreePoints, "walkB.rt2", '>', JobBackwardCopyFailed, ".plt\r\n" + Saved + "Backward route file write error!\r\n", true, true},
        {longTrack, "walkB.rt2", '>', JobBackwardCopyFailed, "saved.\r\nBackward route file write error!\r\n", true, true},
#endif
    };
    for (const auto &c : cases) {
        CAPTURE(c.ending);
        TempDir dir;
        if (c.kind == '/') fs::create_directory(dir / c.name);
        if (c.kind == '>') fs::create_symlink("/dev/full", dir / c.name);
        if (c.kind != '-') WriteBytes(dir / "walk.plt", c.bytes);
        JobOutcome outcome = ConvertFile(dir / "walk.plt", InputFormatPlt);
        CHECK(outcome.result == c.result);
        CHECK(outcome.status.substr(outcome.status.size() - std::min(outcome.status.size(), c.ending.size())) == c.ending);
        CHECK(outcome.forwardExists == c.forward);
        CHECK(outcome.backwardExists == c.backward);
        if (c.result == JobThinningFailed && c.kind == ' ') CHECK(outcome.forward == Head + "ForwardRoute,,0\r\n");
    }
    ResetSettings();
}

TEST_CASE("Paths: UTF-8 in and out, and bytes that are not UTF-8 kept as they were")
{
    // Each name as bytes, and the characters it decodes to (0 where a byte stands for itself).
    const struct { std::string bytes; std::vector<unsigned long> wide; } cases[] = {
        {"walk.plt", {'w', 'a', 'l', 'k', '.', 'p', 'l', 't'}},
        {"\xD0\xBF\xE2\x82\xAC\xF0\x9F\x97\xBA", {0x43F, 0x20AC, 0x1F5FA}},
        {"\xFF\x80\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80\xE2\x82", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"a\xC3(", {'a', 0, '('}},
    };
    for (const auto &c : cases) {
        CAPTURE(c.bytes);
        wchar_t wide[32];
        char back[64];
        int length = DecodeUtf8(c.bytes.c_str(), wide, 32);
        REQUIRE(length >= 0);
#if defined(_WIN32)
        // Windows paths arrive as UTF-16: a byte that is not UTF-8 never reaches a path there.
        if (std::count(c.wide.begin(), c.wide.end(), 0ul)) continue;
#else
        REQUIRE(static_cast<size_t>(length) == c.wide.size());
        for (int i = 0; i < length; i++)
            CHECK(static_cast<unsigned long>(wide[i]) == (c.wide[i] ? c.wide[i] : 0xDC00 + static_cast<unsigned char>(c.bytes[i])));
#endif
        CHECK(EncodeUtf8(wide, length, back, 64) == static_cast<int>(c.bytes.size()));
        CHECK(std::string(back) == c.bytes);
    }
    char tiny[3];
    CHECK(EncodeUtf8(L"ab\x43F", 3, tiny, 3) == -1);
}

TEST_CASE("The input is never overwritten by its own route files")
{
    // With the NMEA cut of 5, walkF.rt2 and walkB.rt2 name themselves as outputs.
#if defined(_WIN32)
    const char *const names[] = {"walkF.rt2", "walkB.rt2", "walkf.rt2", "WALKb.RT2"};  // names ignore case
#else
    const char *const names[] = {"walkF.rt2", "walkB.rt2"};
#endif
    for (const char *name : names) {
        TempDir dir;
        WriteBytes(dir / name, ThreePoints);
        CHECK(ConvertFile(dir / name, InputFormatNmea).result == JobInputFailed);
        CHECK(ReadBytes(dir / name) == ThreePoints);
        CHECK(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()) == 1);
    }
#if !defined(_WIN32)
    TempDir dir;  // a link that makes an output name the input
    WriteBytes(dir / "walk.plt", ThreePoints);
    fs::create_symlink(dir / "walk.plt", dir / "walkB.rt2");
    CHECK(ConvertFile(dir / "walk.plt", InputFormatPlt).result == JobInputFailed);
    CHECK(ReadBytes(dir / "walk.plt") == ThreePoints);
    CHECK_FALSE(fs::exists(dir / "walkF.rt2"));
#endif
}

TEST_CASE("Status text: the path display, the emptying rule, repaints, its bounds")
{
    const std::pair<const wchar_t *, const char *> paths[] = {{L"\\My Documents\\walk.gpx", "\\My Documents\\\r\nwalk.gpx\r\n"},
        {L"\\\\server\\share\\t.plt", "\\\\\r\nserver\\\r\nshare\\\r\nt.plt\r\n"}, {L"C:\\tracks\\", "C:\\\r\ntracks\\\r\n\r\n"}, {L"", "\r\n"}};
    for (const auto &c : paths) {
        StatusShowPath(c.first);
        CHECK(StatusUtf8() == c.second);
    }
    // Emptied first when it holds more than 1000 characters; the count goes in without the rule.
    StatusSetText(std::wstring(1000, L'x').c_str());
    StatusAppend(L"a\r\n");
    CHECK(StatusLength() == 1003);
    StatusAppend(L"b\r\n");
    CHECK(StatusUtf8() == "b\r\n");
    StatusSetText(std::wstring(1001, L'y').c_str());
    StatusAppendCount(-12);
    CHECK(StatusLength() == 1005);
    StatusAppend(L"points are saved.\r\n");
    CHECK(StatusUtf8() == "points are saved.\r\n");

    // Every append and the path display ask for a repaint from what changed.
    Repaints.clear();
    SetStatusRepaintHandler([](const wchar_t *text, int length, int from) { Repaints.emplace_back(text + from, length - from); });
    StatusShowPath(L"\\a\\b.plt");
    StatusAppendCount(3);
    StatusAppend(L"points are saved.\r\n");
    StatusSetText(L"File not selected");
    SetStatusRepaintHandler(nullptr);
    StatusAppend(L"unseen\r\n");
    CHECK(Repaints == std::vector<std::wstring>{L"\\a\\\r\nb.plt\r\n", L"3 points are saved.\r\n"});

    StatusShowPath(std::wstring(InputPathMax, L'\\').c_str());
    CHECK(StatusLength() == 1 + (InputPathMax - 1) * 3 + 2);
    StatusSetText(L"");
    StatusAppend(std::wstring(StatusTextCapacity * 2, L'z').c_str());
    StatusAppendCount(2147483647);
    CHECK(StatusLength() == StatusTextCapacity - 1);
}

TEST_CASE("KeepCandidate: the rules in order, strict comparisons, folded turns")
{
    const struct { int minMeters, maxMeters, maxDegrees, maxOrtError; double meters, bearing, nextMeters, nextBearing, reference; int keep; } cases[] = {
        {2000, 1000, 5, 50, 1500, 90, 1500, 90, 0, 0},  // closeness first
        {5, 1000, 5, 50, 4, 0, 6, 0, 0, 0},
        {5, 1000, 180, 50, 5, 0, 4.9, 90, 0, 0},
        {5, 1000, 5, 50, 4.9, 0, 4.9, 120, 0, 0},
        {5, 1000, 5, 50, 1000.0001, 0, 100, 0, 0, 1},  // distance
        {5, 1000, 5, 50, 1000, 0, 100, 0, 0, 0},
        {5, -1, 5, 50, 10, 0, 10, 0, 0, 1},
        {5, 1000, 5, 50, 100, 0, 100, 5.0001, 0, 1},  // turn of the next leg
        {5, 1000, 5, 50, 100, 0, 100, 5, 0, 0},
        {5, 1000, 5, 50, 100, 170, 100, -170, 170, 1},
        {5, 1000, 25, 50, 100, 170, 100, -170, 170, 0},
        {5, 1000, 179, 50, 100, 0, 100, 180, 0, 1},
        {5, 1000, 180, 1000000, 100, 0, 100, 180, 0, 0},
        {5, 1000, 5, 50, 100, 0, 100, -30, 0, 1},
        {5, 100000, 5, 50, 899.8, 3.56, 200, 4, 0, 1},  // orthogonal error: tan(deviation) * meters
        {5, 100000, 5, 50, 699.8, 3.4, 200, 4, 0, 0},
        {5, 100000, 180, 0, 500, 120, 200, 120, 0, 0},
        {5, 1000, 5, -1, 100, 0, 100, 0, 0, 1},
        {5, 1000, 5, 0, 100, 0, 100, 0, 0, 0},
        {0, 1000, 5, 50, 0, 0, 0, 90, 0, 1},
        {INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX, 1e9, 0, 1e9, -90, 0, 0},
    };
    for (const auto &c : cases) {
        CAPTURE(c.meters);
        SetSettings(c.minMeters, c.maxMeters, c.maxDegrees, c.maxOrtError);
        CHECK(KeepCandidate(c.meters, c.bearing, c.nextMeters, c.nextBearing, c.reference) == c.keep);
    }
    ResetSettings();
}

TEST_CASE("MeasureLeg: distance and bearing on the sphere, never NaN")
{
    const double R = 6371032.0, Rad = RadiansPerDegree;
    const struct { double latA, lonA, latB, lonB, meters, bearing; } cases[] = {
        {10, 20, 11, 20, R * Rad, 0.0}, {11, 20, 10, 20, R * Rad, 180.0}, {10, 20, 10.5, 20.00000005, R * 0.5 * Rad, 0.0},
        {-33.9, 18.4, -33.9, 18.4, 0.0, 0.0}, {0, 0, 0, 1, R * Rad, 90.0}, {0, 1, 0, 0, R * Rad, -90.0},
        {0, 0, 1e-3, 1e-3, 157.253, 45.0}, {55.75, 37.6, 59.93, 30.31, 633499.08, -39.827},
    };
    double meters, bearing;
    auto measure = [&](double latA, double lonA, double latB, double lonB) {
        TrackPoint a = {latA, lonA, latA * Rad, lonA * Rad, 0, 0}, b = {latB, lonB, latB * Rad, lonB * Rad, 0, 0};
        MeasureLeg(&a, &b, &meters, &bearing);
    };
    for (const auto &c : cases) {
        measure(c.latA, c.lonA, c.latB, c.lonB);
        CHECK(meters == doctest::Approx(c.meters).epsilon(1e-4));
        CHECK(bearing == doctest::Approx(c.bearing).epsilon(1e-3));
    }
    // Antipodes, and short legs near the poles, where the quotients leave -1..1 or are 0/0.
    for (double lat = -89.0; lat <= 90.0; lat += 0.7) {
        measure(lat, 12.0, -lat, -168.0);
        REQUIRE(meters == doctest::Approx(M_PI * R).epsilon(1e-6));
        for (double step : {1e-9, 1e-6, 0.01, 1.0})
            for (int back = 0; back < 2; back++) {
                back ? measure(std::fmin(lat + step, 90.0), 12.0 + step * 3, lat, 12.0) : measure(lat, 12.0, std::fmin(lat + step, 90.0), 12.0 + step * 3);
                REQUIRE((!std::isnan(meters + bearing) && std::fabs(bearing) <= 180.0));
            }
    }
}

TEST_CASE("Usage errors exit 64 with one line on standard error and touch nothing")
{
    TempDir dir;
    WriteBytes(dir / "a.plt", Good);
    const std::wstring t = WidePath(dir / "a.plt");
    const std::vector<std::vector<std::wstring>> cases = {
        {}, {L"--quiet"}, {L"--bogus", t}, {L"-x", t}, {L"-f"}, {t, L"--format"}, {L"-f", L"kmz", t},
        {L"--format=", t}, {L"-f", L"plt", L"--format=gpx", t}, {L"--min-meters", L"abc", t},
        {L"--min-meters", L"+5", t}, {L"--min-meters", L"5.5", t}, {L"--min-meters", L"", t}, {L"--min-meters=-", t},
        {L"--max-meters", L"2147483648", t}, {L"--max-degrees=-2147483649", t},
        {L"--max-ort-error", L"1", L"--max-ort-error", L"2", t}, {L"--max-ort-error"}, {L"-q", L"-q", t},
        {L"--status-text", L"--status-text", t}, {L"--quiet=yes", t}, {t, WidePath(dir / "a.txt")},
        {t, std::wstring(2035, L'x') + L".plt"}, {L"--", L"--not-an-option"},
        {L"--report=xml", t}, {L"--svg=yes", t}, {L"--report", L"--report=json", t},
        {L"-o", WidePath(dir / "missing"), t}, {L"--output-dir", t, t}, {L"--nmea-talkers", L"gn", t}, {L"--gpx-points", L"rte", t},
        {L"--method", L"fast", t}, {L"--method=bounded", L"--method=classic", t}, {L"--fit", L"1", t},
        {L"--fit=x", t}, {L"--fit", L"1000000", t}, {L"--fit=3", L"--method", L"classic", t},
        {L"--fit=3", L"--max-ort-error=5", t},
    };
    for (const auto &arguments : cases) {
        CAPTURE(arguments.size());
        CliRun run = Run(arguments);
        CHECK(run.status == UsageExit);
        CHECK(run.out.empty());
        CHECK((run.err.size() > 1 && run.err.find('\n') == run.err.size() - 1));
        CHECK(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()) == 1);
    }
    CHECK(Run({L"--help"}).out.find("usage: wayfold-convert") == 0);
    CHECK(Run({L"-h"}).status == 0);
    CHECK(Run({L"--version"}).out.find("wayfold-convert ") == 0);
}

TEST_CASE("Output, formats, thresholds and the exit status")
{
    TempDir dir;
    for (const char *name : {"a.plt", "B.PLT", "c.nmea", "d.plt"}) WriteBytes(dir / name, Good);  // PLT content in all
    WriteBytes(dir / "short.plt", PltHeader + "1,2\r\n");
    WriteBytes(dir / "bad.plt", "not a track\r\n1\r\n2\r\n3\r\n4\r\n5\r\n");
    WriteBytes(dir / "line.plt", PltTrack(BuildTrack({10, 10}, Repeat(9, {0, 100}))));
    std::vector<Leg> bend = Repeat(7, {4, 200});  // a slow bend the orthogonal error notices
    bend.insert(bend.begin(), {0, 100});
    WriteBytes(dir / "bend.plt", PltTrack(BuildTrack({10, 10}, bend)));
    const std::string lines = "Forward route file - OK\n3 points are saved.\nBackward route file - OK\n";
    // Arguments with a '.' and no leading '-' name files in dir; out "" means no output at all.
    const struct { std::vector<std::wstring> args; int status; std::string out; const char *made; } cases[] = {
        {{L"a.plt"}, 0, "a.plt\n" + lines, "aB.rt2"},
        {{L"--status-text", L"a.plt"}, 0, "a.plt\r\nForward route file - OK\r\n3 points are saved.\r\nBackward route file - OK\r\n", "aF.rt2"},
        {{L"-q", L"B.PLT"}, 0, "", "BF.rt2"},
        {{L"-q", L"--format=PLT", L"c.nmea"}, 0, "", "cF.rt2"},  // not the format's ending: the name less its own
        {{L"-q", L"-f", L"nmea", L"B.PLT"}, 10, "", nullptr},     // no RMC sentence
        {{L"--status-text", L"line.plt"}, 0, "\r\n2 points", nullptr},
        {{L"--status-text", L"--max-meters=-1", L"line.plt"}, 0, "\r\n10 points", nullptr},
        {{L"--status-text", L"--max-meters", L"150", L"--min-meters", L"-5", L"line.plt"}, 0, "\r\n6 points", nullptr},
        {{L"--status-text", L"--max-meters=-1", L"--min-meters=101", L"line.plt"}, 0, "\r\n6 points", nullptr},
        {{L"--status-text", L"--max-degrees=-1", L"line.plt"}, 0, "\r\n10 points", nullptr},
        {{L"--status-text", L"--max-ort-error=-1", L"line.plt"}, 0, "\r\n10 points", nullptr},
        {{L"--status-text", L"--max-meters=100000", L"bend.plt"}, 0, "\r\n3 points", nullptr},
        {{L"--status-text", L"--max-meters=100000", L"--max-ort-error=1000", L"bend.plt"}, 0, "\r\n2 points", nullptr},
        {{L"-q", L"short.plt"}, 10, "", nullptr},
        {{L"-q", L"missing.plt"}, 2, "", nullptr},
        {{L"-q", L"a.plt", L"a.plt"}, UsageExit, "", nullptr},  // one route written twice
        {{L"-q", L"a.plt", L"short.plt", L"bad.plt"}, 10, "", nullptr},
        {{L"-q", L"bad.plt", L"short.plt"}, 2, "", nullptr},
        {{L"--status-text", L"missing.plt", L"d.plt"}, 2, "Input file open error!\r\n", "dB.rt2"},  // every track, in order
    };
    for (const auto &c : cases) {
        std::vector<std::wstring> arguments;
        for (const std::wstring &a : c.args)
            arguments.push_back(a[0] != L'-' && a.find(L'.') != std::wstring::npos ? (dir.path / a).wstring() : a);
        CAPTURE(c.status);
        CliRun run = Run(arguments);
        CHECK(run.status == c.status);
        CHECK((c.out.empty() ? run.out.empty() : run.out.find(c.out) != std::string::npos));
        if (c.made) CHECK(fs::exists(dir / c.made));
    }
}

TEST_CASE("Folders: their tracks in byte order of the names, route files into -o, talkers on request")
{
    TempDir dir;
    for (const char *folder : {"in/sub.plt", "out", "empty"}) fs::create_directories(dir / folder);
    for (const char *name : {"in/B.plt", "in/notes.txt", "in/BF.rt2"}) WriteBytes(dir / name, Good);
    // A log cut in two, the cut fix in both: each file is a track of its own.
    const char *const fixes[] = {"GNRMC,120000,A,5545.000,N,03736.000,E,,,070524,,,A",
                                 "GPRMC,120001,A,5545.100,N,03736.000,E,,,070524,,,D",
                                 "GLRMC,120002,A,5545.200,N,03736.000,E,,,070524,,,A,V",
                                 "GNRMC,120003,A,5545.300,N,03736.000,E,,,070524,,",
                                 "GBRMC,120004,A,5545.400,N,03736.000,E,,,070524,,,A"};
    std::string first, second;
    for (int i = 0; i < 5; i++) {
        unsigned sum = 0;
        for (const char *c = fixes[i]; *c; c++) sum ^= static_cast<unsigned char>(*c);
        char line[80];
        std::snprintf(line, sizeof line, "$%s*%02X\r\n", fixes[i], sum);
        (i <= 2 ? first : second) += line;
        if (i == 2) second += line;
    }
    WriteBytes(dir / "in/a.nmea", first);
    WriteBytes(dir / "in/b.NMEA", second);
    const std::wstring in = WidePath(dir / "in"), out = WidePath(dir / "out");

    // -f names the format of named files only; a folder's go by their names.
    CliRun run = Run({L"--nmea-talkers", L"any", L"-f", L"gpx", L"--status-text", L"-o", out, in});
    CHECK(run.status == 0);
    CHECK(run.out.find("B.plt") < run.out.find("a.nmea"));
    CHECK(run.out.find("a.nmea") < run.out.find("b.NMEA"));
    for (const char *name : {"BF.rt2", "BB.rt2", "aF.rt2", "aB.rt2", "bF.rt2", "bB.rt2"}) CHECK(fs::exists(dir / "out" / name));
    CHECK(std::distance(fs::directory_iterator(dir / "in"), fs::directory_iterator()) == 6);
    // By default only GP sentences count: one fix, too few.
    CHECK(Run({L"-q", L"-o", out, WidePath(dir / "in/a.nmea")}).status == 10);

    CliRun empty = Run({L"-q", WidePath(dir / "empty"), WidePath(dir / "in/B.plt")});
    CHECK(empty.status == 2);
    CHECK(empty.err.find("empty") != std::string::npos);
    CHECK(fs::exists(dir / "in/BF.rt2"));
}

TEST_CASE("Today's formats: their endings in any case, in folders too; a FIT CRC told once, its points used")
{
    TempDir dir;
    fs::create_directories(dir / "in");
    auto le32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    // Three points in each format, 1, 2 degrees and on; the FIT file's CRC is wrong.
    std::string fit = std::string("\x40\0\0\x14\0\x02\0\x04\x85\x01\x04\x85", 12);
    for (uint32_t i = 0; i < 3; i++) fit += std::string(1, '\0') + le32(11930465 + i * 20000) + le32(23860929 + i * 20000);
    WriteBytes(dir / "in/e.Fit", "\x0c\x10\x08\x34" + le32(fit.size()) + ".FIT" + fit + "\xAB\xCD");
    WriteBytes(dir / "in/a.KML", "<kml><LineString><coordinates>2,1 2,1.001 2.001,1.002</coordinates></LineString></kml>");
    WriteBytes(dir / "in/b.GeoJSON", R"({"type":"LineString","coordinates":[[2,1],[2,1.001],[2.001,1.002]]})");
    WriteBytes(dir / "in/c.igc", "B1200000100000N00200000EA\r\nB1200010100060N00200000EA\r\nB1200020100120N00200060EA\r\n");
    std::string tcx;
    for (const char *lat : {"1", "1.001", "1.002"})
        tcx += std::string("<Trackpoint><LatitudeDegrees>") + lat + "</LatitudeDegrees><LongitudeDegrees>2</LongitudeDegrees></Trackpoint>";
    WriteBytes(dir / "in/d.TCX", tcx);
    CliRun run = Run({L"--report=json", L"-o", WidePath(dir / "in"), WidePath(dir / "in")});
    CHECK(run.status == 0);
    for (const char *name : {"aF.rt2", "bB.rt2", "cF.rt2", "dB.rt2", "eF.rt2"}) CHECK(fs::exists(dir / "in" / name));
    const std::string told = "e.Fit: 1 FIT files whose CRC does not match";
    CHECK((run.err.find(told) != std::string::npos && run.err.find(told) == run.err.rfind(told)));
    CHECK(run.out.find("\"file_crc_differs\":1") != std::string::npos);
    CHECK(Run({L"-q", WidePath(dir / "in/e.Fit")}).err.find("CRC") == std::string::npos);
}

TEST_CASE("The report reads the track again without telling its damage twice")
{
    TempDir dir;
    auto le32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    // An MPS track record that promises five points and holds three.
    std::string data = std::string(6, '\0') + le32(5);
    for (uint32_t i = 1; i <= 3; i++) data += le32(i << 20) + le32(i << 20) + std::string(23, '\0');
    WriteBytes(dir / "cut.mps", std::string("MsRcd\0", 6) + le32(static_cast<uint32_t>(data.size())) + "T" + data);
    for (const wchar_t *output : {L"--status-text", L"--svg"}) {  // the status text, or the progress lines
        CliRun run = Run({output, L"--report", WidePath(dir / "cut.mps")});
        CHECK(run.status == 0);
        size_t first = run.out.find("Track read error!");
        CHECK((first != std::string::npos && run.out.find("Track read error!", first + 1) == std::string::npos));
    }
}

TEST_CASE("--fit: the smallest whole-metre tolerance that fits, or the fewest waypoints and 11")
{
    TempDir dir;
    std::vector<Leg> zigzag;
    for (int i = 0; i < 60; i++) zigzag.push_back({(i / 6) % 2 ? 40.0 : 140.0, 30.0});
    WriteBytes(dir / "z.plt", PltTrack(BuildTrack({10, 10}, zigzag)));
    const std::wstring track = WidePath(dir / "z.plt");
    auto waypoints = [&](const CliRun &run) {
        size_t at = run.out.find(" points are saved.");
        return std::stoi(run.out.substr(run.out.rfind('\n', at) + 1));
    };
    for (int fit : {2, 4, 7, 11, 61}) {
        CAPTURE(fit);
        CliRun run = Run({L"--max-meters=100000", L"--fit", std::to_wstring(fit), track});
        REQUIRE(run.status == 0);
        CHECK(waypoints(run) <= fit);
        int tolerance = std::stoi(run.out.substr(run.out.find("Tolerance ") + 10));
        // One metre less no longer fits.
        if (tolerance > 0)
            CHECK(waypoints(Run({L"--max-meters=100000", L"--method=bounded", L"--max-ort-error", std::to_wstring(tolerance - 1), track})) > fit);
    }
    CliRun forced = Run({L"--max-meters=200", L"--fit=3", track});
    CHECK(forced.status == FitImpossible);
    CHECK(forced.err.find('\n') == forced.err.size() - 1);
    CHECK(waypoints(forced) == waypoints(Run({L"--max-meters=200", L"--method=bounded", L"--max-ort-error=20100000", track})));
}
