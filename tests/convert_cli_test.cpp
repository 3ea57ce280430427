#include <doctest/doctest.h>

#include <cstdio>

#include "converter/convert_cli.h"
#include "tests/test_support.h"
#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

struct CliRun {
    int status;
    std::string out, err;
};

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
        {}, {L"--quiet"}, {L"--bogus", t}, {L"-x", t}, {L"-f"}, {t, L"--format"}, {L"-f", L"kml", t},
        {L"--format=", t}, {L"-f", L"plt", L"--format=gpx", t}, {L"--min-meters", L"abc", t},
        {L"--min-meters", L"+5", t}, {L"--min-meters", L"5.5", t}, {L"--min-meters", L"", t}, {L"--min-meters=-", t},
        {L"--max-meters", L"2147483648", t}, {L"--max-degrees=-2147483649", t},
        {L"--max-ort-error", L"1", L"--max-ort-error", L"2", t}, {L"--max-ort-error"}, {L"-q", L"-q", t},
        {L"--status-text", L"--status-text", t}, {L"--quiet=yes", t}, {t, WidePath(dir / "a.txt")},
        {t, std::wstring(2035, L'x') + L".plt"}, {L"--", L"--not-an-option"},
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
    WriteBytes(dir / "a.plt", Good);
    WriteBytes(dir / "B.PLT", Good);
    WriteBytes(dir / "c.nmea", Good);  // PLT content under another name
    WriteBytes(dir / "short.plt", PltHeader + "1,2\r\n");
    WriteBytes(dir / "bad.plt", "not a track\r\n1\r\n2\r\n3\r\n4\r\n5\r\n");
    WriteBytes(dir / "line.plt", PltTrack(BuildTrack({10, 10}, Repeat(9, {0, 100}))));
    auto path = [&](const char *name) { return WidePath(dir / name); };
    const std::string lines = "Forward route file - OK\n3 points are saved.\nBackward route file - OK\n";

    CliRun plain = Run({path("a.plt")});
    CHECK(plain.out.find("a.plt\n" + lines) != std::string::npos);
    CHECK(plain.out.find('\r') == std::string::npos);
    CliRun status = Run({L"--status-text", path("a.plt")});
    CHECK(status.out.find("a.plt\r\nForward route file - OK\r\n3 points are saved.\r\nBackward route file - OK\r\n") != std::string::npos);
    CHECK(Run({path("a.plt"), L"-q"}).out.empty());
    CHECK(fs::exists(dir / "aB.rt2"));

    CHECK(Run({L"-q", path("B.PLT")}).status == 0);
    CHECK(fs::exists(dir / "BF.rt2"));
    CHECK(Run({L"-q", L"--format=PLT", path("c.nmea")}).status == 0);  // forced PLT: the cut is 4
    CHECK(fs::exists(dir / "c.F.rt2"));
    CHECK(Run({L"-q", L"-f", L"nmea", path("B.PLT")}).status == 10);  // no RMC sentence; the cut is 5
    CHECK(fs::exists(dir / "F.rt2"));

    const std::pair<std::vector<std::wstring>, const char *> thresholds[] = {
        {{}, "\r\n2 points"}, {{L"--max-meters=-1"}, "\r\n10 points"},
        {{L"--max-meters", L"150", L"--min-meters", L"-5"}, "\r\n6 points"},
        {{L"--max-meters=-1", L"--min-meters=101"}, "\r\n6 points"},
        {{L"--max-degrees=-1"}, "\r\n10 points"}, {{L"--max-ort-error=-1"}, "\r\n10 points"},
    };
    for (const auto &c : thresholds) {
        std::vector<std::wstring> arguments = c.first;
        arguments.insert(arguments.end(), {L"--status-text", path("line.plt")});
        CHECK(Run(arguments).out.find(c.second) != std::string::npos);
    }

    const std::pair<std::vector<const char *>, int> exits[] = {
        {{"a.plt"}, 0}, {{"short.plt"}, 10}, {{"missing.plt"}, 2}, {{"a.plt", "a.plt"}, 0},
        {{"a.plt", "short.plt", "bad.plt"}, 10}, {{"bad.plt", "short.plt"}, 2},
    };
    for (const auto &c : exits) {
        std::vector<std::wstring> arguments = {L"-q"};
        for (const char *name : c.first) arguments.push_back(path(name));
        CHECK(Run(arguments).status == c.second);
    }
    CliRun all = Run({L"--status-text", path("missing.plt"), path("a.plt")});  // every track, in order
    CHECK(all.out.find("Input file open error!\r\n") < all.out.find("Backward route file - OK\r\n"));
}
