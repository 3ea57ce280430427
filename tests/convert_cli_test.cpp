#include <doctest/doctest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/test_support.h"
#include "tests/track_builder.h"
#include "converter/convert_cli.h"
#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

std::string ReadStream(std::FILE *file)
{
    std::string text;
    std::rewind(file);
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
    std::fclose(file);
    return text;
}

CliRun Run(const std::vector<std::wstring> &arguments)
{
#if defined(_WIN32)
    // On Windows the converter starts from the stored thresholds: store none.
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quillon");
#endif
    std::vector<const wchar_t *> argv{L"wayfold-convert"};
    for (const std::wstring &a : arguments) argv.push_back(a.c_str());
    std::FILE *out = std::tmpfile();
    std::FILE *err = std::tmpfile();
    REQUIRE(out);
    REQUIRE(err);
    int status = RunConvertCli(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, ReadStream(out), ReadStream(err)};
}

size_t FileCount(const fs::path &dir)
{
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

const std::string GoodTrack = PltHeader() + "1,2\r\n1.001,2\r\n1.002,2.001\r\n";

}  // namespace

TEST_CASE("Usage errors exit 64 with one line on standard error and touch nothing")
{
    TempDir dir;
    WriteBytes(dir / "a.plt", GoodTrack);
    const std::wstring track = WidePath(dir / "a.plt");
    const std::wstring unknown = WidePath(dir / "a.txt");
    const std::wstring tooLong = std::wstring(2035, L'x') + L".plt";
    const std::vector<std::vector<std::wstring>> cases = {
        {},
        {L"--quiet"},
        {L"--bogus", track},
        {L"-x", track},
        {L"-f"},
        {track, L"--format"},
        {L"-f", L"kml", track},
        {L"--format=", track},
        {L"-f", L"plt", L"--format=gpx", track},
        {L"--min-meters", L"abc", track},
        {L"--min-meters", L"+5", track},
        {L"--min-meters", L"5.5", track},
        {L"--min-meters", L"", track},
        {L"--min-meters=-", track},
        {L"--max-meters", L"2147483648", track},
        {L"--max-degrees=-2147483649", track},
        {L"--max-ort-error", L"1", L"--max-ort-error", L"2", track},
        {L"--max-ort-error"},
        {L"-q", L"-q", track},
        {L"--status-text", L"--status-text", track},
        {L"--quiet=yes", track},
        {L"--report=xml", track},
        {L"--svg=yes", track},
        {L"--report", L"--report=json", track},
        {track, unknown},
        {track, tooLong},
        {L"--", L"--not-an-option"},
        {L"-o", WidePath(dir / "missing"), track},
        {L"--output-dir", track, track},
        {L"--nmea-talkers", L"gn", track},
        {L"--method", L"fast", track},
        {L"--method=bounded", L"--method=classic", track},
        {L"--fit", L"1", track},
        {L"--fit=x", track},
        {L"--fit", L"1000000", track},
        {L"--fit=3", L"--method", L"classic", track},
        {L"--fit=3", L"--max-ort-error=5", track},
    };
    for (const auto &arguments : cases) {
        CAPTURE(Utf8(arguments.empty() ? L"(none)" : arguments[0]));
        CliRun run = Run(arguments);
        CHECK(run.status == UsageExit);
        CHECK(run.out.empty());
        CHECK(run.err.size() > 0);
        CHECK(run.err.find('\n') == run.err.size() - 1);
        CHECK(FileCount(dir.path) == 1);
    }
}

TEST_CASE("Help and version")
{
    CliRun help = Run({L"--help"});
    CHECK(help.status == 0);
    CHECK(help.out.find("usage: wayfold-convert") == 0);
    CHECK(Run({L"-h"}).status == 0);
    CliRun version = Run({L"--version"});
    CHECK(version.status == 0);
    CHECK(version.out.find("wayfold-convert ") == 0);
}

TEST_CASE("Progress lines, status text and quiet output")
{
    TempDir dir;
    WriteBytes(dir / "a.plt", GoodTrack);
    const std::wstring track = WidePath(dir / "a.plt");
    const std::string path = Utf8(track);

    CliRun progress = Run({track});
    CHECK(progress.status == 0);
    CHECK(progress.out.find("a.plt\nForward route file - OK\n3 points are saved.\nBackward route file - OK\n") !=
          std::string::npos);
    CHECK(progress.out.find('\r') == std::string::npos);

    CliRun status = Run({L"--status-text", track});
    CHECK(status.status == 0);
    CHECK(status.out.find("a.plt\r\nForward route file - OK\r\n3 points are saved.\r\nBackward route file - OK\r\n") !=
          std::string::npos);
    CHECK(status.out.back() == '\n');

    CliRun quiet = Run({track, L"-q"});
    CHECK(quiet.status == 0);
    CHECK(quiet.out.empty());
    CHECK(fs::exists(dir / "aF.rt2"));
    CHECK(fs::exists(dir / "aB.rt2"));
}

TEST_CASE("Formats: by name ending in any case, or forced for every track")
{
    TempDir dir;
    WriteBytes(dir / "A.PLT", GoodTrack);
    WriteBytes(dir / "b.nmea", GoodTrack);  // PLT content under another name
    CHECK(Run({L"-q", WidePath(dir / "A.PLT")}).status == 0);
    CHECK(fs::exists(dir / "AF.rt2"));
    // Forced PLT: the cut is still 4 characters, so b.nmea gives b.F.rt2.
    CHECK(Run({L"-q", L"--format=PLT", WidePath(dir / "b.nmea")}).status == 0);
    CHECK(fs::exists(dir / "b.F.rt2"));
    // Forced NMEA on PLT content: no RMC sentence, too short; the cut of 5 leaves the folder.
    CHECK(Run({L"-q", L"-f", L"nmea", WidePath(dir / "A.PLT")}).status == 10);
    CHECK(fs::exists(dir / "F.rt2"));
}

TEST_CASE("Thresholds from the command line reach the thinning")
{
    TempDir dir;
    std::vector<LatLon> track = BuildTrack({10, 10}, Repeat(9, {0, 100}));
    WriteBytes(dir / "line.plt", PltTrack(track));
    CliRun defaults = Run({L"--status-text", WidePath(dir / "line.plt")});
    CHECK(defaults.out.find("\r\n2 points are saved.") != std::string::npos);
    CliRun every = Run({L"--status-text", L"--max-meters=-1", WidePath(dir / "line.plt")});
    CHECK(every.out.find("\r\n10 points are saved.") != std::string::npos);
    CliRun spaced = Run({L"--status-text", L"--max-meters", L"150", L"--min-meters", L"-5", WidePath(dir / "line.plt")});
    CHECK(spaced.out.find("\r\n6 points are saved.") != std::string::npos);
}

TEST_CASE("Exit status: the result of one track, the first failure of several")
{
    TempDir dir;
    WriteBytes(dir / "good.plt", GoodTrack);
    WriteBytes(dir / "short.plt", PltHeader() + "1,2\r\n");
    WriteBytes(dir / "bad.plt", "not a track\r\n1\r\n2\r\n3\r\n4\r\n5\r\n");
    const std::wstring good = WidePath(dir / "good.plt"), shortTrack = WidePath(dir / "short.plt"),
                       bad = WidePath(dir / "bad.plt"), missing = WidePath(dir / "missing.plt");
    CHECK(Run({L"-q", good}).status == 0);
    CHECK(Run({L"-q", shortTrack}).status == 10);
    CHECK(Run({L"-q", missing}).status == 2);
    CHECK(Run({L"-q", good, good}).status == 0);
    CHECK(Run({L"-q", good, shortTrack, bad}).status == 10);
    CHECK(Run({L"-q", bad, shortTrack}).status == 2);
    // Every track is converted, in order, whatever the ones before returned.
    CliRun all = Run({L"--status-text", missing, good});
    CHECK(all.status == 2);
    CHECK(all.out.find("Input file open error!\r\n") < all.out.find("Backward route file - OK\r\n"));
}

TEST_CASE("Folders: their tracks in byte order of the names, route files into -o, talkers on request")
{
    TempDir dir;
    fs::create_directories(dir / "in" / "sub.plt");
    fs::create_directories(dir / "out");
    fs::create_directories(dir / "empty");
    WriteBytes(dir / "in" / "B.plt", GoodTrack);
    WriteBytes(dir / "in" / "notes.txt", GoodTrack);
    WriteBytes(dir / "in" / "BF.rt2", GoodTrack);
    // A log cut in two, the cut fix in both: each file is a track of its own.
    const char *const fixes[] = {"GNRMC,120000,A,5545.000,N,03736.000,E,,,070524,,,A",
                                 "GPRMC,120001,A,5545.100,N,03736.000,E,,,070524,,,D",
                                 "GLRMC,120002,A,5545.200,N,03736.000,E,,,070524,,,A,V",
                                 "GNRMC,120003,A,5545.300,N,03736.000,E,,,070524,,",
                                 "GBRMC,120004,A,5545.400,N,03736.000,E,,,070524,,,A"};
    std::string first, second;
    for (int i = 0; i < 5; i++) {
        std::string body = fixes[i];
        unsigned sum = 0;
        for (unsigned char c : body) sum ^= c;
        char line[80];
        std::snprintf(line, sizeof line, "$%s*%02X\r\n", body.c_str(), sum);
        if (i <= 2) first += line;
        if (i >= 2) second += line;
    }
    WriteBytes(dir / "in" / "a.nmea", first);
    WriteBytes(dir / "in" / "b.NMEA", second);
    const std::wstring in = WidePath(dir / "in"), out = WidePath(dir / "out");

    // -f names the format of named files only; a folder's go by their names.
    CliRun run = Run({L"--nmea-talkers", L"any", L"-f", L"gpx", L"--status-text", L"-o", out, in});
    CHECK(run.status == 0);
    CHECK(run.out.find("B.plt") < run.out.find("a.nmea"));
    CHECK(run.out.find("a.nmea") < run.out.find("b.NMEA"));
    for (const char *name : {"BF.rt2", "BB.rt2", "aF.rt2", "aB.rt2", "bF.rt2", "bB.rt2"}) CHECK(fs::exists(dir / "out" / name));
    CHECK(FileCount(dir / "in") == 6);
    // By default only GP sentences count: one fix, too few.
    CHECK(Run({L"-q", L"-o", out, WidePath(dir / "in" / "a.nmea")}).status == 10);

    CliRun empty = Run({L"-q", WidePath(dir / "empty"), WidePath(dir / "in" / "B.plt")});
    CHECK(empty.status == 2);
    CHECK(empty.err.find("empty") != std::string::npos);
    CHECK(fs::exists(dir / "in" / "BF.rt2"));
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
