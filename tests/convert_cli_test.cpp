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
    for (const char *name : {"a.plt", "B.PLT", "c.nmea", "d.plt"}) WriteBytes(dir / name, Good);  // PLT content in all
    WriteBytes(dir / "short.plt", PltHeader + "1,2\r\n");
    WriteBytes(dir / "bad.plt", "not a track\r\n1\r\n2\r\n3\r\n4\r\n5\r\n");
    WriteBytes(dir / "line.plt", PltTrack(BuildTrack({10, 10}, Repeat(9, {0, 100}))));
    const std::string lines = "Forward route file - OK\n3 points are saved.\nBackward route file - OK\n";
    // Arguments with a '.' and no leading '-' name files in dir; out "" means no output at all.
    const struct { std::vector<std::wstring> args; int status; std::string out; const char *made; } cases[] = {
        {{L"a.plt"}, 0, "a.plt\n" + lines, "aB.rt2"},
        {{L"--status-text", L"a.plt"}, 0, "a.plt\r\nForward route file - OK\r\n3 points are saved.\r\nBackward route file - OK\r\n", "aF.rt2"},
        {{L"-q", L"B.PLT"}, 0, "", "BF.rt2"},
        {{L"-q", L"--format=PLT", L"c.nmea"}, 0, "", "c.F.rt2"},  // forced PLT: the cut is 4
        {{L"-q", L"-f", L"nmea", L"B.PLT"}, 10, "", "F.rt2"},     // no RMC sentence; the cut is 5
        {{L"--status-text", L"line.plt"}, 0, "\r\n2 points", nullptr},
        {{L"--status-text", L"--max-meters=-1", L"line.plt"}, 0, "\r\n10 points", nullptr},
        {{L"--status-text", L"--max-meters", L"150", L"--min-meters", L"-5", L"line.plt"}, 0, "\r\n6 points", nullptr},
        {{L"--status-text", L"--max-meters=-1", L"--min-meters=101", L"line.plt"}, 0, "\r\n6 points", nullptr},
        {{L"--status-text", L"--max-degrees=-1", L"line.plt"}, 0, "\r\n10 points", nullptr},
        {{L"--status-text", L"--max-ort-error=-1", L"line.plt"}, 0, "\r\n10 points", nullptr},
        {{L"-q", L"short.plt"}, 10, "", nullptr},
        {{L"-q", L"missing.plt"}, 2, "", nullptr},
        {{L"-q", L"a.plt", L"a.plt"}, 0, "", nullptr},
        {{L"-q", L"a.plt", L"short.plt", L"bad.plt"}, 10, "", nullptr},
        {{L"-q", L"bad.plt", L"short.plt"}, 2, "", nullptr},
        {{L"--status-text", L"missing.plt", L"d.plt"}, 2, "Input file open error!\r\n", "dB.rt2"},  // every track, in order
    };
    for (const auto &c : cases) {
        std::vector<std::wstring> arguments;
        for (const std::wstring &a : c.args)
            arguments.push_back(a[0] != L'-' && a.find(L'.') != std::wstring::npos ? WidePath(dir / Utf8(a)) : a);
        CAPTURE(Utf8(arguments.back()));
        CliRun run = Run(arguments);
        CHECK(run.status == c.status);
        CHECK((c.out.empty() ? run.out.empty() : run.out.find(c.out) != std::string::npos));
        if (c.made) CHECK(fs::exists(dir / c.made));
    }
}
