// Windows only: tracks at paths that are not ASCII go through _wfopen and come out as
// route files beside them, and wayfold-convert lays the stored thresholds under its options.
#include <doctest/doctest.h>

#if defined(_WIN32)

#include <string>
#include <vector>

#include "conversion/conversion_job.h"
#include "platform/file_io.h"
#include "settings/settings_store.h"
#include "tests/test_support.h"
#include "tests/track_builder.h"
#include "converter/convert_cli.h"

namespace {

std::string WindingTrack()
{
    std::vector<Leg> legs;
    for (int i = 0; i < 40; i++) legs.push_back({i * 9.0, 20.0 + i});
    return PltTrack(BuildTrack({55.75, 37.6}, legs));
}

std::string GpxOf(const std::vector<LatLon> &points)
{
    std::string text = "<?xml version=\"1.0\"?><gpx><trk><trkseg>\n";
    char line[128];
    for (const LatLon &p : points) {
        std::snprintf(line, sizeof line, "<trkpt lat=\"%.8f\" lon=\"%.8f\"></trkpt>\n", p.lat, p.lon);
        text += line;
    }
    return text + "</trkseg></trk></gpx>\n";
}

// The route files of a conversion of content at an ASCII path, to compare with.
JobOutcome ConvertAtAsciiPath(const std::string &content, int format, const char *extension)
{
    return ConvertBytes(content, format, std::string("track") + extension);
}

} // namespace

TEST_CASE("Tracks at paths with Cyrillic letters convert through the wide file layer")
{
    ResetSettings();
    std::vector<Leg> legs;
    for (int i = 0; i < 30; i++) legs.push_back({i * 12.0, 35.0});
    const std::vector<LatLon> points = BuildTrack({59.93, 30.31}, legs);
    struct Case {
        const char *folder;  // UTF-8
        const char *name;    // UTF-8
        int format;
        std::string content;
        const wchar_t *forwardEnd;
    };
    const Case cases[] = {
        {"треки", "прогулка.plt", InputFormatPlt, WindingTrack(), L"\x043F\x0440\x043E\x0433\x0443\x043B\x043A\x0430" L"F.rt2"},
        {"треки", "прогулка.gpx", InputFormatGpx, GpxOf(points), L"\x0430" L"F.rt2"},
        {"Мои документы", "walk.plt", InputFormatPlt, WindingTrack(), L"\\walkF.rt2"},
        {"ascii", "ёж.plt", InputFormatPlt, WindingTrack(), L"\x0451\x0436" L"F.rt2"},
    };
    for (const Case &c : cases) {
        CAPTURE(c.folder);
        CAPTURE(c.name);
        TempDir dir;
        fs::path folder = dir / c.folder;
        fs::create_directory(folder);
        fs::path input = folder / fs::u8path(c.name);
        WriteBytes(input, c.content);
        REQUIRE(fs::exists(input));

        JobOutcome outcome = ConvertFile(input, c.format);
        CHECK(outcome.result == JobDone);
        CHECK(outcome.status.find("Backward route file - OK") != std::string::npos);
        std::wstring forward(ForwardPath);
        CHECK(forward.size() > wcslen(c.forwardEnd));
        CHECK(forward.compare(forward.size() - wcslen(c.forwardEnd), std::wstring::npos, c.forwardEnd) == 0);
        std::string stem = std::string(c.name).substr(0, std::string(c.name).rfind('.'));
        CHECK(fs::exists(folder / fs::u8path(stem + "F.rt2")));
        CHECK(fs::exists(folder / fs::u8path(stem + "B.rt2")));

        // The same bytes at a plain path give the same route files
        JobOutcome plain = ConvertAtAsciiPath(c.content, c.format, c.format == InputFormatGpx ? ".gpx" : ".plt");
        REQUIRE(plain.result == JobDone);
        CHECK(outcome.forward == plain.forward);
        CHECK(outcome.backward == plain.backward);
        CHECK(RoutePoints(outcome.forward).size() >= 2);
    }
}

TEST_CASE("A Cyrillic path that does not exist fails to open and creates nothing")
{
    ResetSettings();
    TempDir dir;
    fs::path input = dir / "нет.plt";
    JobOutcome outcome = ConvertFile(input, InputFormatPlt);
    CHECK(outcome.result == JobInputFailed);
    CHECK(outcome.status.find("Input file open error!") != std::string::npos);
    CHECK_FALSE(outcome.forwardExists);
    CHECK(OpenFileByPath(WidePath(input).c_str(), "rb") == nullptr);
}

TEST_CASE("wayfold-convert takes wide arguments and the stored thresholds under its options")
{
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quillon");
    SetSettings(31, 32, 33, 34);
    SaveSettings();
    ResetSettings();

    TempDir dir;
    fs::path input = dir / "путь.plt";
    WriteBytes(input, WindingTrack());
    std::wstring path = WidePath(input);
    std::FILE *sink = std::fopen("NUL", "w");
    REQUIRE(sink != nullptr);

    struct Case {
        std::vector<std::wstring> options;
        int expected[4];
    };
    const Case cases[] = {
        {{}, {31, 32, 33, 34}},
        {{L"--max-meters", L"300"}, {31, 300, 33, 34}},
        {{L"--min-meters", L"0", L"--max-ort-error", L"7"}, {0, 32, 33, 7}},
    };
    for (const Case &c : cases) {
        CAPTURE(c.options.size());
        std::vector<const wchar_t *> argv{L"wayfold-convert", L"-q"};
        for (const std::wstring &option : c.options) argv.push_back(option.c_str());
        argv.push_back(path.c_str());
        CHECK(RunConvertCli(int(argv.size()), argv.data(), sink, sink) == 0);
        CHECK(ThinningSettings.MinMeters == c.expected[0]);
        CHECK(ThinningSettings.MaxMeters == c.expected[1]);
        CHECK(ThinningSettings.MaxDegrees == c.expected[2]);
        CHECK(ThinningSettings.MaxOrtError == c.expected[3]);
        CHECK(fs::exists(dir / "путьF.rt2"));
    }
    std::fclose(sink);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quillon");
    ResetSettings();
}

#endif
