#include <doctest/doctest.h>

#include <string>

#include "tests/test_support.h"
#include "tests/track_builder.h"

namespace {
const std::string Header = PltHeader();
}

TEST_CASE("PLT header check")
{
    struct Case {
        const char *name;
        std::string bytes;
        int result;
    };
    const Case cases[] = {
        {"signature and version", Header, HeaderAccepted},
        {"signature alone, LF ends", "OziExplorer Track Point File\n1\n2\n3\n4\n5\n", HeaderAccepted},
        {"a first line shorter than the signature but equal so far", "OziExplorer\n1\n2\n3\n4\n5\n", HeaderAccepted},
        {"empty lines before and between are not counted", "\r\n\r\nOziExplorer Track Point File\r\n\r\n1\r\n2\r\n\r\n3\r\n4\r\n5\r\n", HeaderAccepted},
        {"another program's header", "OziExplorer Track File\n1\n2\n3\n4\n5\n", HeaderWrongFormat},
        {"a byte order mark", "\xEF\xBB\xBFOziExplorer Track Point File\n1\n2\n3\n4\n5\n", HeaderWrongFormat},
        {"lower case", "oziexplorer Track Point File\n1\n2\n3\n4\n5\n", HeaderWrongFormat},
        {"empty file", "", HeaderReadError},
        {"ends after five lines", "OziExplorer Track Point File\n1\n2\n3\n4\n", HeaderReadError},
        {"sixth line without its line end", "OziExplorer Track Point File\n1\n2\n3\n4\n5", HeaderReadError},
    };
    for (const Case &c : cases) {
        CAPTURE(c.name);
        CHECK(ReadAllPoints(c.bytes, InputFormatPlt).headerResult == c.result);
    }
}

TEST_CASE("PLT point lines")
{
    struct Case {
        const char *name;
        std::string lines;
        std::vector<LatLon> points;
    };
    const Case cases[] = {
        {"blanks, further fields", "  -27.350436, 153.055540,0,-777,36942.0,,\r\n", {{-27.350436, 153.05554}}},
        {"bounds are valid", "100,370\r\n-100,-370\r\n", {{100, 370}, {-100, -370}}},
        {"out of range passed over", "100.000001,0\r\n0,-370.5\r\n1,2\r\n", {{1, 2}}},
        {"no comma passed over", "12.5 13.5\r\n1,2\r\n", {{1, 2}}},
        {"letters read as zero", "abc,def\r\n", {{0, 0}}},
        {"LF and CR line ends", "1,2\n3,4\r5,6\n", {{1, 2}, {3, 4}, {5, 6}}},
        {"a last line without its line end", "1,2\r\n3,4", {{1, 2}}},
        {"a long line is cut to 150 characters", "1.5,2.5," + std::string(300, '9') + "\r\n3,4\r\n", {{1.5, 2.5}, {3, 4}}},
    };
    for (const Case &c : cases) {
        CAPTURE(c.name);
        ReadOutcome outcome = ReadAllPoints(Header + c.lines, InputFormatPlt);
        REQUIRE(outcome.headerResult == HeaderAccepted);
        CHECK(outcome.lastResult == PointEndOfInput);
        REQUIRE(outcome.points.size() == c.points.size());
        for (size_t i = 0; i < c.points.size(); i++) {
            CHECK(outcome.points[i].Lat == c.points[i].lat);
            CHECK(outcome.points[i].Lon == c.points[i].lon);
            CHECK(outcome.points[i].LatRad == c.points[i].lat * RadiansPerDegree);
        }
    }
}
