// The conversion job: its output paths, route files both ways, failures and what they
// leave on disk, and the status text.
#include <doctest/doctest.h>

#include <algorithm>
#include <cwchar>

#include "conversion/status_log.h"
#include "platform/file_io.h"
#include "platform/status_display.h"
#include "tests/test_support.h"

namespace {

const std::string Head = "H1,OziExplorer CE Route2 File Version 1.0\r\nH2,WGS 84\r\nH3,";
const std::string Saved = "Forward route file - OK\r\n3 points are saved.\r\n";
const std::string ThreePoints = PltHeader + "55.75,37.6\r\n55.7509,37.6\r\n55.7518,37.6\r\n";

std::vector<std::wstring> Repaints;

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
