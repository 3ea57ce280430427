#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "conversion/conversion_job.h"
#include "conversion/status_log.h"
#include "platform/status_display.h"
#include "tests/test_support.h"

namespace {

struct Repaint {
    std::wstring text;
    int changedFrom;
};
std::vector<Repaint> Repaints;

void Record(const wchar_t *text, int length, int changedFrom)
{
    Repaints.push_back({std::wstring(text, length), changedFrom});
}

}  // namespace

TEST_CASE("The path display breaks after every backslash but a leading one")
{
    struct Case {
        const wchar_t *path;
        const char *shown;
    };
    const Case cases[] = {
        {L"\\My Documents\\walk.gpx", "\\My Documents\\\r\nwalk.gpx\r\n"},
        {L"walk.gpx", "walk.gpx\r\n"},
        {L"\\\\server\\share\\t.plt", "\\\\\r\nserver\\\r\nshare\\\r\nt.plt\r\n"},
        {L"C:\\tracks\\", "C:\\\r\ntracks\\\r\n\r\n"},
        {L"", "\r\n"},
    };
    for (const Case &c : cases) {
        CAPTURE(c.shown);
        StatusShowPath(c.path);
        CHECK(StatusUtf8() == c.shown);
    }
}

TEST_CASE("Appends empty a text longer than 1000 characters first; the count does not")
{
    StatusSetText(L"");
    std::wstring line(98, L'x');
    line += L"\r\n";  // 100 characters
    for (int i = 0; i < 10; i++) StatusAppend(line.c_str());
    CHECK(StatusLength() == 1000);
    StatusAppend(L"a\r\n");  // 1000 is not more than 1000: kept
    CHECK(StatusLength() == 1003);
    StatusAppend(L"b\r\n");  // now emptied first
    CHECK(StatusUtf8() == "b\r\n");

    // The count goes in without the rule; the append after it may empty the text.
    StatusSetText(std::wstring(1001, L'y').c_str());
    StatusAppendCount(12);
    CHECK(StatusLength() == 1004);
    StatusAppend(L"points are saved.\r\n");
    CHECK(StatusUtf8() == "points are saved.\r\n");

    StatusSetText(L"Forward route file - OK\r\n");
    StatusAppendCount(-7);
    StatusAppend(L"points are saved.\r\n");
    CHECK(StatusUtf8() == "Forward route file - OK\r\n-7 points are saved.\r\n");
}

TEST_CASE("Every append and the path display ask for a repaint; what changed is told")
{
    Repaints.clear();
    SetStatusRepaintHandler(Record);
    StatusShowPath(L"\\a\\b.plt");
    StatusAppend(L"Forward route file - OK\r\n");
    StatusAppendCount(3);
    StatusAppend(L"points are saved.\r\n");
    StatusSetText(L"File not selected");
    SetStatusRepaintHandler(nullptr);
    StatusAppend(L"unseen\r\n");

    REQUIRE(Repaints.size() == 3);
    CHECK(Repaints[0].changedFrom == 0);
    CHECK(Repaints[0].text == L"\\a\\\r\nb.plt\r\n");
    CHECK(Repaints[1].text.substr(Repaints[1].changedFrom) == L"Forward route file - OK\r\n");
    CHECK(Repaints[2].text.substr(Repaints[2].changedFrom) == L"3 points are saved.\r\n");
}

TEST_CASE("The status text never overflows its buffer")
{
    std::wstring path(InputPathMax, L'\\');
    StatusShowPath(path.c_str());
    CHECK(StatusLength() == 1 + (InputPathMax - 1) * 3 + 2);
    std::wstring huge(StatusTextCapacity * 2, L'z');
    StatusSetText(L"");
    StatusAppend(huge.c_str());
    CHECK(StatusLength() == StatusTextCapacity - 1);
    StatusAppendCount(2147483647);
    CHECK(StatusLength() == StatusTextCapacity - 1);
}
