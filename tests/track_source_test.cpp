#include <doctest/doctest.h>

#include <clocale>
#include <cstring>
#include <initializer_list>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "tests/test_support.h"

namespace {

// Every line ReadLine delivers from the bytes, as count and text; -1 ends the list.
std::vector<std::string> Lines(const std::string &bytes, int limit = LineLimit)
{
    TempDir dir;
    WriteBytes(dir / "lines.txt", bytes);
    FILE *file = OpenFileByPath(WidePath(dir / "lines.txt").c_str(), "rb");
    REQUIRE(file);
    std::vector<std::string> lines;
    char buffer[LineBufferSize];
    for (;;) {
        int count = ReadLine(file, buffer, limit);
        if (count < 0) break;
        REQUIRE(static_cast<size_t>(count) == std::strlen(buffer));
        lines.push_back(buffer);
    }
    std::fclose(file);
    return lines;
}

using L = std::vector<std::string>;

}  // namespace

TEST_CASE("ReadLine: line ends, empty lines, NUL, limits, a last line without its end")
{
    std::string s150(150, 'x'), s151(151, 'y'), s200(200, 'z');
    struct Case {
        const char *name;
        std::string bytes;
        L lines;
    };
    const Case cases[] = {
        {"LF", "a\nbc\n", {"a", "bc"}},
        {"CR LF", "a\r\nbc\r\n", {"a", "bc"}},
        {"CR", "a\rbc\r", {"a", "bc"}},
        {"empty lines never reach the caller", "\n\r\n\r\na\n\n\nb\n", {"a", "b"}},
        {"NUL breaks a line", std::string("a\0b\n", 4), {"a", "b"}},
        {"a last line without a line end is dropped", "a\nbc", {"a"}},
        {"nothing but line ends", "\r\n\r\n", {}},
        {"empty file", "", {}},
        {"150 characters", s150 + "\n" + "next\n", {s150, "next"}},
        {"151 characters are cut to 150", s151 + "\r\nnext\r\n", {s151.substr(0, 150), "next"}},
        {"200 characters are cut, the rest dropped", s200 + "\nnext\n", {s200.substr(0, 150), "next"}},
        {"a long last line without a line end", "a\n" + s200, {"a"}},
        {"high bytes are text", "\xC3\xA9t\xE9\n", {"\xC3\xA9t\xE9"}},
        // The reader's blocks: a line, a CR LF and a cut line across a block's end.
        {"a line across blocks", std::string(LineBlockSize - 2, '\n') + "abcd\nef\n", {"abcd", "ef"}},
        {"CR LF across blocks", std::string(LineBlockSize - 5, '\n') + "abcd\r\nx\n", {"abcd", "x"}},
        {"a cut line across blocks", std::string(LineBlockSize - 100, '\n') + s200 + "\nnext\n",
         {s200.substr(0, 150), "next"}},
    };
    for (const Case &c : cases) {
        CAPTURE(c.name);
        CHECK(Lines(c.bytes) == c.lines);
    }
}

TEST_CASE("ParseDecimal reads decimal numbers only, as atof does in the C locale")
{
    struct Case {
        const char *text;
        double value;
    };
    const Case cases[] = {
        {"47.644548", 47.644548},
        {"  -27.350436, 153.0", -27.350436},
        {"\t\n\v\f\r 12", 12.0},
        {"+3.5", 3.5},
        {".5", 0.5},
        {"-.5", -0.5},
        {"5.", 5.0},
        {"1e5", 1e5},
        {"1E-3", 1e-3},
        {"2.5e+2x", 250.0},
        {"1e", 1.0},
        {"1e+", 1.0},
        {"7.038", 7.038},
        {"9959.999", 9959.999},
        {"", 0.0},
        {"abc", 0.0},
        {".", 0.0},
        {"-", 0.0},
        {"+-1", 0.0},
        {"nan", 0.0},
        {"inf", 0.0},
        {"-infinity", 0.0},
        {"0x1A", 0.0},
        {"1,5", 1.0},
        {"000123.4500", 123.45},
        {"0.000000000000000000000000001", 1e-27},
        {"123456789012345678901234567890", 123456789012345678901234567890.0},
        {"1.00000000000000011102230246251565404236316680908203125", 1.0},  // a tie: to even
        {"1.00000000000000011102230246251565404236316680908203126", 1.0000000000000002},
        {"4.9e-324", 4.9e-324},
        {"1e-400", 0.0},
    };
    for (const Case &c : cases) {
        CAPTURE(c.text);
        CHECK(ParseDecimal(c.text) == c.value);
    }
    CHECK(std::signbit(ParseDecimal("-0.0")));
    CHECK(std::isinf(ParseDecimal("1e400")));
    CHECK(std::isinf(ParseDecimal("1e99999999999")));
    std::string many = "0." + std::string(900, '0') + "1";
    CHECK(ParseDecimal(many.c_str()) == 0.0);
    std::string longDigits = "1" + std::string(990, '0') + "e-990";
    CHECK(ParseDecimal(longDigits.c_str()) == 1.0);
}

TEST_CASE("ParseDecimal rounds like strtod on random decimal text")
{
    std::mt19937 random(12345);
    auto digits = [&](int count) {
        std::string text;
        for (int i = 0; i < count; i++) text += static_cast<char>('0' + random() % 10);
        return text;
    };
    for (int i = 0; i < 20000; i++) {
        std::string text = (random() % 2 ? "-" : "") + digits(1 + random() % 4) + "." + digits(random() % 25);
        if (random() % 4 == 0) text += "e" + std::to_string(static_cast<int>(random() % 80) - 40);
        CAPTURE(text);
        REQUIRE(ParseDecimal(text.c_str()) == std::strtod(text.c_str(), nullptr));
    }
}

TEST_CASE("ParseDecimal ignores the locale")
{
    const char *previous = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = previous ? previous : "C";
    for (const char *name : {"de_DE.UTF-8", "ru_RU.UTF-8", "fr_FR.UTF-8"}) {
        if (!std::setlocale(LC_NUMERIC, name)) continue;
        CAPTURE(name);
        CHECK(ParseDecimal("12.5") == 12.5);
        CHECK(ParseDecimal("1.2345678901234567890") == 1.2345678901234568);
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST_CASE("Coordinate ranges are +-100 and +-370, bounds included")
{
    CHECK(LatitudeInRange(100.0));
    CHECK(LatitudeInRange(-100.0));
    CHECK_FALSE(LatitudeInRange(100.000001));
    CHECK_FALSE(LatitudeInRange(-100.000001));
    CHECK(LongitudeInRange(370.0));
    CHECK(LongitudeInRange(-370.0));
    CHECK_FALSE(LongitudeInRange(370.5));
    CHECK_FALSE(LongitudeInRange(-370.5));
    CHECK_FALSE(LatitudeInRange(INFINITY));
}

TEST_CASE("SetRadians multiplies by the double nearest pi/180")
{
    TrackPoint p = {};
    p.Lat = 48.1173;
    p.Lon = -122.326897;
    SetRadians(&p);
    CHECK(p.LatRad == 48.1173 * 0.017453292519943295);
    CHECK(p.LonRad == -122.326897 * 0.017453292519943295);
}

TEST_CASE("An InputFormat outside 1..4 reads nothing and gives -100")
{
    for (int format : {0, 5, -1}) {
        CAPTURE(format);
        ReadOutcome outcome = ReadAllPoints("OziExplorer Track Point File\n", format);
        CHECK(outcome.headerResult == HeaderAccepted);
        CHECK(outcome.lastResult == PointNoReader);
        CHECK(outcome.points.empty());
    }
}
