#include <doctest/doctest.h>

#include <string>

#include "conversion/conversion_job.h"
#include "conversion/status_log.h"
#include "tests/test_support.h"
#include "tests/track_builder.h"

namespace {

const std::string ForwardHeader = "H1,OziExplorer CE Route2 File Version 1.0\r\nH2,WGS 84\r\nH3,ForwardRoute,,0\r\n";
const std::string BackwardHeader = "H1,OziExplorer CE Route2 File Version 1.0\r\nH2,WGS 84\r\nH3,BackwardRoute,,0\r\n";

bool EndsWith(const std::string &text, const std::string &end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The status text after the path lines.
std::string Messages(const JobOutcome &outcome)
{
    size_t at = outcome.status.find(".plt\r\n");
    if (at == std::string::npos) at = outcome.status.find(".rt2\r\n");
    return at == std::string::npos ? outcome.status : outcome.status.substr(at + 6);
}

std::string Track(const std::string &lines)
{
    return PltHeader() + lines;
}

}  // namespace

TEST_CASE("Output paths: the cut counts characters, 5 for NMEA, 4 otherwise")
{
    struct Case {
        const wchar_t *input;
        int format;
        const wchar_t *forward;
        const wchar_t *backward;
    };
    const Case cases[] = {
        {L"\\Storage\\t.nmea", InputFormatNmea, L"\\Storage\\tF.rt2", L"\\Storage\\tB.rt2"},
        {L"\\Storage\\t.gpx", InputFormatGpx, L"\\Storage\\tF.rt2", L"\\Storage\\tB.rt2"},
        {L"\\Storage\\t.nmea", InputFormatGpx, L"\\Storage\\t.F.rt2", L"\\Storage\\t.B.rt2"},
        {L"\\Storage\\t.gpx", InputFormatNmea, L"\\Storage\\F.rt2", L"\\Storage\\B.rt2"},
        {L"walk", InputFormatPlt, L"F.rt2", L"B.rt2"},
        {L"abc", InputFormatPlt, L"F.rt2", L"B.rt2"},
        {L"walk.", InputFormatNmea, L"F.rt2", L"B.rt2"},
        {L"", InputFormatMps, L"F.rt2", L"B.rt2"},
    };
    for (const Case &c : cases) {
        CAPTURE(Utf8(c.input));
        wcscpy(InputPath, c.input);
        InputFormat = c.format;
        MakeOutputPaths();
        CHECK(std::wstring(ForwardPath) == c.forward);
        CHECK(std::wstring(BackwardPath) == c.backward);
    }
    // The longest input path still fits.
    std::wstring longest(InputPathMax, L'a');
    wcscpy(InputPath, longest.c_str());
    InputFormat = InputFormatPlt;
    MakeOutputPaths();
    CHECK(std::wstring(ForwardPath).size() == static_cast<size_t>(InputPathMax - 4 + 5));
}

TEST_CASE("A complete conversion: records, reversed copy, status lines")
{
    ResetSettings();
    // Three points on a line: the first and the last become waypoints.
    JobOutcome outcome = ConvertBytes(Track("55.75,37.6\r\n55.7509,37.6\r\n55.7518,37.6\r\n"), InputFormatPlt, "walk.plt");
    CHECK(outcome.result == JobDone);
    CHECK(outcome.forward == ForwardHeader +
                                 "W,RW000001, 55.750000,  37.600000,0\r\n"
                                 "W,RW000002, 55.751800,  37.600000,0\r\n");
    CHECK(outcome.backward == BackwardHeader +
                                  "W,RW000002, 55.751800,  37.600000,0\r\n"
                                  "W,RW000001, 55.750000,  37.600000,0\r\n");
    CHECK(Messages(outcome) == "Forward route file - OK\r\n2 points are saved.\r\nBackward route file - OK\r\n");
    CHECK(outcome.forward.size() == 74 + 2 * 37);
}

TEST_CASE("The backward file holds n records, last first; a second run numbers from 1 again")
{
    // 300 records: the copy crosses its block boundaries.
    SetSettings(5, -1, 5, 50);  // keep every point
    const int n = 300;
    std::vector<LatLon> track = BuildTrack({-33.9, 18.4}, Repeat(n - 1, {30, 100}));
    TempDir dir;
    WriteBytes(dir / "t.plt", PltTrack(track));
    for (int run = 0; run < 2; run++) {
        JobOutcome outcome = ConvertFile(dir / "t.plt", InputFormatPlt);
        REQUIRE(outcome.result == JobDone);
        CHECK(outcome.forward.size() == 74 + n * 37);
        CHECK(outcome.backward.size() == 75 + n * 37);
        CHECK(outcome.backward.compare(75, 10, "W,RW000300") == 0);
        CHECK(outcome.forward.compare(74, 10, "W,RW000001") == 0);
        for (int k = 1; k <= n; k++)
            REQUIRE(outcome.backward.compare(75 + (n - k) * 37, 37, outcome.forward, 37 * (k + 1), 37) == 0);
    }
    ResetSettings();
}

TEST_CASE("Failures: one message each, the result code, and what is left on disk")
{
    ResetSettings();
    struct Case {
        const char *name;
        std::string bytes;
        int format;
        int result;
        const char *message;
        bool forward, backward;
    };
    const std::string threePoints = "1,2\r\n1.001,2\r\n1.002,2\r\n";
    const Case cases[] = {
        {"header ends early", "OziExplorer Track Point File\r\n1\r\n", InputFormatPlt, JobInputFailed, "Input file read error!\r\n", false, false},
        {"not a PLT file", "<gpx>\r\n1\r\n2\r\n3\r\n4\r\n5\r\n", InputFormatPlt, JobInputFailed, "Incorrect file format!\r\n", false, false},
        {"too short", Track("1,2\r\n"), InputFormatPlt, JobThinningFailed, "Too short input file!\r\n", true, false},
        {"no points at all", Track(""), InputFormatPlt, JobThinningFailed, "Too short input file!\r\n", true, false},
        // %10.6f of -100 takes 11 characters: the record is 38 bytes and the copy finds it broken.
        {"a 38-byte record", Track("1,2\r\n-100,2\r\n1,2.5\r\n"), InputFormatPlt, JobBackwardCopyFailed,
         "Invalid data in forward route file!\r\n", true, true},
    };
    for (const Case &c : cases) {
        CAPTURE(c.name);
        JobOutcome outcome = ConvertBytes(c.bytes, c.format, "walk.plt");
        CHECK(outcome.result == c.result);
        CHECK(EndsWith(outcome.status, c.message));
        CHECK(outcome.status.find("Backward route file - OK") == std::string::npos);
        CHECK(outcome.forwardExists == c.forward);
        CHECK(outcome.backwardExists == c.backward);
    }
}

TEST_CASE("Input that cannot be opened: a missing file, a directory")
{
    TempDir dir;
    JobOutcome missing = ConvertFile(dir / "missing.plt", InputFormatPlt);
    CHECK(missing.result == JobInputFailed);
    CHECK(Messages(missing) == "Input file open error!\r\n");
    fs::create_directory(dir / "folder.plt");
    JobOutcome folder = ConvertFile(dir / "folder.plt", InputFormatPlt);
    CHECK(folder.result == JobInputFailed);
    CHECK(Messages(folder) == "Input file open error!\r\n");
    CHECK_FALSE(folder.forwardExists);
}

TEST_CASE("Output files that cannot be created")
{
    ResetSettings();
    const std::string track = Track("1,2\r\n1.001,2\r\n1.002,2\r\n");
    {
        TempDir dir;
        WriteBytes(dir / "walk.plt", track);
        fs::create_directory(dir / "walkF.rt2");
        JobOutcome outcome = ConvertFile(dir / "walk.plt", InputFormatPlt);
        CHECK(outcome.result == JobInputFailed);
        CHECK(Messages(outcome) == "Output file open error!\r\n");
        CHECK_FALSE(fs::exists(dir / "walkB.rt2"));
    }
    {
        TempDir dir;
        WriteBytes(dir / "walk.plt", track);
        fs::create_directory(dir / "walkB.rt2");
        JobOutcome outcome = ConvertFile(dir / "walk.plt", InputFormatPlt);
        CHECK(outcome.result == JobBackwardOpenFailed);
        CHECK(Messages(outcome) == "Forward route file - OK\r\n2 points are saved.\r\nBackward route file open error!\r\n");
        CHECK(outcome.forward.size() == 74 + 2 * 37);
    }
}

TEST_CASE("The input is never overwritten by its own route files")
{
    // With the NMEA cut of 5, walkF.rt2 and walkB.rt2 name themselves as outputs.
#if defined(_WIN32)
    // Windows file names ignore case: walkf.rt2 is walkF.rt2.
    const char *const names[] = {"walkF.rt2", "walkB.rt2", "walkf.rt2", "WALKb.RT2"};
#else
    const char *const names[] = {"walkF.rt2", "walkB.rt2"};
#endif
    for (const char *name : names) {
        CAPTURE(name);
        TempDir dir;
        const std::string content = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n";
        WriteBytes(dir / name, content);
        JobOutcome outcome = ConvertFile(dir / name, InputFormatNmea);
        CHECK(outcome.result == JobInputFailed);
        CHECK(Messages(outcome).find("Output file open error!\r\n") != std::string::npos);
        CHECK(ReadBytes(dir / name) == content);
        CHECK(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()) == 1);
    }
#if !defined(_WIN32)
    // A link that makes an output path name the input.
    TempDir dir;
    const std::string track = Track("1,2\r\n1.001,2\r\n1.002,2\r\n");
    WriteBytes(dir / "walk.plt", track);
    fs::create_symlink(dir / "walk.plt", dir / "walkB.rt2");
    JobOutcome outcome = ConvertFile(dir / "walk.plt", InputFormatPlt);
    CHECK(outcome.result == JobInputFailed);
    CHECK(ReadBytes(dir / "walk.plt") == track);
    CHECK_FALSE(fs::exists(dir / "walkF.rt2"));
#endif
}

#if !defined(_WIN32)
TEST_CASE("Write failures are never reported as success (outputs on a full device)")
{
    ResetSettings();
    struct Case {
        const char *name;
        const char *linked;  // the output that goes to /dev/full
        int points;
        int result;
        const char *messages;
    };
    const Case cases[] = {
        {"forward file fails on close", "walkF.rt2", 3, JobThinningFailed, "Forward file write error!\r\n"},
        {"forward file fails while writing", "walkF.rt2", 2000, JobThinningFailed, "Forward file write error!\r\n"},
        {"backward file fails on close", "walkB.rt2", 3, JobBackwardCopyFailed,
         "Forward route file - OK\r\n2 points are saved.\r\nBackward route file write error!\r\n"},
    };
    for (const Case &c : cases) {
        CAPTURE(c.name);
        SetSettings(5, c.points > 3 ? -1 : 1000, 5, 50);
        TempDir dir;
        std::vector<LatLon> track = BuildTrack({10, 10}, Repeat(c.points - 1, {0, 100}));
        WriteBytes(dir / "walk.plt", PltTrack(track));
        fs::create_symlink("/dev/full", dir / c.linked);
        JobOutcome outcome = ConvertFile(dir / "walk.plt", InputFormatPlt);
        CHECK(outcome.result == c.result);
        CHECK(Messages(outcome) == c.messages);
    }
    // The backward copy failing part way: more records than the stream buffers.
    SetSettings(5, -1, 5, 50);
    TempDir dir;
    WriteBytes(dir / "walk.plt", PltTrack(BuildTrack({10, 10}, Repeat(1999, {0, 100}))));
    fs::create_symlink("/dev/full", dir / "walkB.rt2");
    JobOutcome outcome = ConvertFile(dir / "walk.plt", InputFormatPlt);
    CHECK(outcome.result == JobBackwardCopyFailed);
    CHECK(EndsWith(outcome.status, "Backward route file write error!\r\n"));
    ResetSettings();
}
#endif
