// The converter's command line: usage errors, output, formats, thresholds, folders, the
// report and --fit.
#include <doctest/doctest.h>

#include <cstdio>

#include "converter/convert_cli.h"
#include "tests/test_support.h"
#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

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
    // (No two names differ in case alone: on Windows their routes would be one file.)
    TempDir dir;
    for (const char *folder : {"in/sub.plt", "out", "empty"}) fs::create_directories(dir / folder);
    for (const char *name : {"in/C.plt", "in/notes.txt", "in/CF.rt2"}) WriteBytes(dir / name, Good);
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
    CHECK(run.out.find("C.plt") < run.out.find("a.nmea"));
    CHECK(run.out.find("a.nmea") < run.out.find("b.NMEA"));
    for (const char *name : {"CF.rt2", "CB.rt2", "aF.rt2", "aB.rt2", "bF.rt2", "bB.rt2"}) CHECK(fs::exists(dir / "out" / name));
    CHECK(std::distance(fs::directory_iterator(dir / "in"), fs::directory_iterator()) == 6);
    // By default only GP sentences count: one fix, too few.
    CHECK(Run({L"-q", L"-o", out, WidePath(dir / "in/a.nmea")}).status == 10);

    CliRun empty = Run({L"-q", WidePath(dir / "empty"), WidePath(dir / "in/C.plt")});
    CHECK(empty.status == 2);
    CHECK(empty.err.find("empty") != std::string::npos);
    CHECK(fs::exists(dir / "in/CF.rt2"));
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

TEST_CASE("--fit: a whole-metre tolerance that fits where one metre less does not, or the fewest waypoints and 11")
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
    // The tracks: the zigzag, and the samples of every format (when they are there).
    std::vector<std::wstring> tracks = {track};
    const char *samples = std::getenv("WAYFOLD_SAMPLES");
    for (const char *name : {"garmin-edge-800-output.gpx", "20070813_short.plt", "mps-track.mps", "receiver-log.nmea",
                             "modern/history.tcx", "modern/wahoo-element-bolt.fit", "modern/glider.igc", "modern/segmented-tracks.kml"})
        if (samples && fs::exists(fs::path(samples) / name)) tracks.push_back(WidePath(fs::path(samples) / name));
    for (const std::wstring &t : tracks)
        for (int fit : {2, 4, 7, 11, 25, 61}) {
            if (t != track && fit != 25) continue;  // one budget a sample keeps the emulated runs short
            const std::string shown = fs::path(t).string();
            CAPTURE(shown);
            CAPTURE(fit);
            CliRun run = Run({L"-o", WidePath(dir.path), L"--fit", std::to_wstring(fit), t});
            REQUIRE(run.status == 0);
            CHECK(waypoints(run) <= fit);
            const int tolerance = std::stoi(run.out.substr(run.out.find("Tolerance ") + 10));
            // The route is that of the tolerance named, and one metre less no longer fits.
            auto at = [&](int metres) {
                return waypoints(Run({L"-o", WidePath(dir.path), L"--max-meters=2147483647", L"--method=bounded",
                                      L"--max-ort-error", std::to_wstring(metres), t}));
            };
            CHECK(at(tolerance) == waypoints(run));
            if (tolerance > 0) CHECK(at(tolerance - 1) > fit);
            CHECK(run.out.find(tolerance > 0 ? " m gives more\n" : " waypoints\n") != std::string::npos);
        }
    CliRun forced = Run({L"--max-meters=200", L"--fit=3", track});
    CHECK(forced.status == FitImpossible);
    CHECK(forced.err.find('\n') == forced.err.size() - 1);
    CHECK(waypoints(forced) == waypoints(Run({L"--max-meters=200", L"--method=bounded", L"--max-ort-error=20100000", track})));
}
