// The FIT, TCX, KML, GeoJSON and IGC readers: inputs, damaged ones most, as a table of the
// points they give and what they pass over, by the reasons' report names.
#include <doctest/doctest.h>

#include <cstdint>

#include "readers/gpx_route_reader.h"
#include "readers/track_survey.h"
#include "tests/test_support.h"

namespace {

// CRC-16 (polynomial 0xA001, reflected), bit by bit: FIT's CRC, written apart from the reader's table.
unsigned Crc(const std::string &bytes)
{
    unsigned crc = 0;
    for (unsigned char c : bytes)
        for (int bit = 0; bit < 8; bit++, c >>= 1) crc = ((crc ^ c) & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    return crc;
}
template <size_t N> std::string B(const char (&bytes)[N]) { return std::string(bytes, N - 1); }  // NULs kept
std::string Le16(unsigned v) { return {char(v), char(v >> 8)}; }
std::string Le32(uint32_t v) { return Le16(v) + Le16(v >> 16); }
std::string Be32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }
// A FIT file: a 14-byte header (its CRC right, or crc), the records, the file CRC (or crc).
std::string Fit(const std::string &records, int headerCrc = -1, int fileCrc = -1, int dataSize = -1)
{
    std::string header = std::string("\x0e\x10\x08\x34", 4) + Le32(dataSize < 0 ? records.size() : dataSize) + ".FIT";
    header += Le16(headerCrc < 0 ? Crc(header) : headerCrc);
    return header + records + Le16(fileCrc < 0 ? Crc(header + records) : fileCrc);
}
// A definition of local type 0 (or header's) of message 20: fields as (number, size) pairs.
std::string Def(std::vector<int> fields, char header = 0x40, bool big = false, unsigned message = 20)
{
    std::string d = {header, 0, char(big), char(big ? message >> 8 : message), char(big ? message : message >> 8), char(fields.size() / 2)};
    for (size_t i = 0; i + 1 < fields.size(); i += 2) d += {char(fields[i]), char(fields[i + 1]), char(0x85)};
    return d;
}
const std::string LatLonDef = Def({0, 4, 1, 4});
std::string Rec(uint32_t lat, uint32_t lon, char header = 0) { return header + Le32(lat) + Le32(lon); }
const uint32_t D45 = 1u << 29, D90 = 1u << 30, Invalid = 0x7FFFFFFF;  // semicircles: 45 and 90 degrees
const int F = InputFormatFit, T = InputFormatTcx, K = InputFormatKml, J = InputFormatGeoJson, I = InputFormatIgc;

std::string Tp(const std::string &lat, const std::string &lon)
{
    return "<Trackpoint><Position><LatitudeDegrees>" + lat + "</LatitudeDegrees><LongitudeDegrees>" + lon +
           "</LongitudeDegrees></Position></Trackpoint>\n";
}
std::string Nest(int depth, const std::string &inner) { return std::string(depth, '[') + inner + std::string(depth, ']'); }

const int R = 100;  // GPX, read with --gpx-points route

struct Case { int format; std::string bytes; std::vector<double> latLon; std::string passed; int header = HeaderAccepted; };

}  // namespace

TEST_CASE("FIT, TCX, KML, GeoJSON and IGC: inputs, damaged ones, the points they give and what they pass over")
{
    const std::string longText(5000, '7'), far(40000, ' ');
    const Case cases[] = {
        {F, Fit(LatLonDef + Rec(D45, -D90) + Rec(Invalid, D45) + Rec(D90, 0x80000000u)), {45, -90, 90, -180}, "record_without_position=1"},
        // Big-endian, other fields around, developer fields, a compressed timestamp header (local type 1).
        {F, Fit(Def({253, 4, 1, 4, 5, 2, 0, 4}, 0x41, true) + "\x01" "tttt" + Be32(D45) + "ss" + Be32(D90) +
                Def({0, 4, 1, 4}, 0x61) + B("\x01\x07\x02\x00") + "\xA1" + Le32(D90) + Le32(D45) + "dv"),
         {90, 45, 90, 45}, ""},
        {F, Fit(Def({0, 4, 1, 4}, 0x61) + B("\x01\x07\x07\x00") + "\xA0" + Le32(D90) + Le32(D45) + "1234567"), {90, 45}, ""},
        // A local type redefined mid-file: another message, then a record again with its fields swapped.
        {F, Fit(LatLonDef + Rec(D45, D45) + Def({0, 4, 1, 4}, 0x40, false, 21) + Rec(D90, D90) + Def({1, 4, 0, 4}) + Rec(D45, D90)),
         {45, 45, 90, 45}, ""},
        {F, Fit(Def({0, 4}) + Rec(D45, D45).substr(0, 5) + Def({0, 2, 1, 4}) + B("\0\1\2") + Le32(D45)), {}, "record_without_position=2"},
        {F, Fit(LatLonDef + Rec(D90 + D45 / 2, D45) + Rec(-D90 - D45 / 2, D45)), {}, "record_out_of_range=2"},
        {F, Fit(LatLonDef + Rec(D45, D45), 0, 0x1234), {45, 45}, "file_crc_differs=1"},
        {F, Fit(LatLonDef + Rec(D45, D45)) + Fit(Def({1, 4, 0, 4}, 0x45) + Rec(D90, D45, 5), 0), {45, 45, 45, 90}, ""},
        {F, Fit(LatLonDef + Rec(D45, D45)) + "garbage after", {45, 45}, "not_fit_after_file=1"},
        {F, Fit(LatLonDef + Rec(D45, D45)) + Fit(LatLonDef, 0x4321), {45, 45}, "not_fit_after_file=1"},
        {F, Fit(LatLonDef + Rec(D45, D45) + Rec(D90, D90)).substr(0, 14 + 12 + 9 + 5), {45, 45}, "cut_record=1"},
        {F, Fit(LatLonDef + Rec(D45, D45)).substr(0, 14 + 12 + 9 + 1), {45, 45}, "cut_record=1"},
        {F, Fit(LatLonDef + Rec(D45, D45) + Rec(D90, D90), -1, -1, 6 + 6 + 9 + 4), {45, 45}, "cut_record=1"},
        {F, Fit(LatLonDef + Rec(D45, D45) + Rec(D45, D45, 3)), {45, 45}, "undefined_message=1"},
        {F, Fit(LatLonDef + B("\x40\0\x02\x14\0\0") + Rec(D45, D45)), {}, "undefined_message=1"},
        {F, Fit(LatLonDef).substr(0, 13) + B("\0\0") + LatLonDef, {}, "", HeaderWrongFormat},
        {F, Fit(LatLonDef, 0x1111), {}, "", HeaderWrongFormat},
        {F, B("\x0e\x10\x08\x34\0\0\0\0.FIX\0\0\0\0"), {}, "", HeaderWrongFormat},
        {F, B("\x0e\x10\x08\x34\0\0\0\0.FIT\0"), {}, "", HeaderReadError},
        {F, B("\x0b\x10\x08\x34\0\0\0\0.FIT\0\0\0"), {}, "", HeaderWrongFormat},
        {F, "", {}, "", HeaderReadError},
        {T, "<TrainingCenterDatabase>" + Tp("47.5", "-122.25") + Tp("", "2") + Tp("100.5", "1") + Tp("1", "-370.5") +
                "<Trackpoint><Time/></Trackpoint><Trackpoint/><CoursePoint><Position><LatitudeDegrees>9</LatitudeDegrees>"
                "<LongitudeDegrees>9</LongitudeDegrees></Position></CoursePoint>" + Tp(" 1e1 ", "\n2\n") +
                "<tcx:Trackpoint><tcx:LatitudeDegrees>3</tcx:LatitudeDegrees><tcx:LongitudeDegrees>4</tcx:LongitudeDegrees></tcx:Trackpoint>"
                "<Trackpoint><LatitudeDegrees>5</LatitudeDegrees><Trackpoint><LatitudeDegrees>6</LatitudeDegrees>"
                "<LongitudeDegrees>7</LongitudeDegrees></Trackpoint><Trackpoint><LatitudeDegrees>8</LatitudeDegrees>",
         {47.5, -122.25, 10, 2, 3, 4, 6, 7}, "trackpoint_without_position=3,trackpoint_out_of_range=2,trackpoint_unclosed=2"},
        {K, "<kml><Placemark><Point><coordinates>1,1</coordinates></Point></Placemark><LineString><coordinates>\n 8.5,47.25,400\t8.6,47.3\r\n"
            "x,1 1 2;3 1,,2 371,1 1,101 " + longText + " 5,6 </coordinates></LineString><Polygon><LinearRing><coordinates>1,1 2,2"
            "</coordinates></LinearRing></Polygon><coordinates>9,9</coordinates><gx:Track><gx:coord>8.97 48.5 405</gx:coord>"
            "<gx:coord/><gx:coord>x 1</gx:coord><gx:coord>1,2</gx:coord></gx:Track><gx:coord>3 4</gx:coord><LineString><coordinates>1,2 3,4",
         {47.25, 8.5, 47.3, 8.6, 6, 5, 48.5, 8.97},  // the cut coordinates at the end: none
         "bad_coordinates=8,coordinates_out_of_range=2,empty_coord=1,point=1,polygon=1"},
        // Tuples across the reader's pieces of coordinates text.
        {K, "<LineString><coordinates>" + std::string(KmlTextLimit - 5, ' ') + "1.25,2.5 3,4" + std::string(KmlTextLimit, ' ') + "5,6</coordinates>",
         {2.5, 1.25, 4, 3, 6, 5}, ""},
        {J, R"({"type":"FeatureCollection","features":[{"type":"Feature","geometry":{"type":"Point","coordinates":[1,1]}},)"
            R"({"geometry":{"coordinates":[[6.5,46.25,300],[6.75,46.5]],"type":"LineString"},"properties":{"type":"LineString",)"
            R"("coordinates":[[0,0]]}},{"type":"GeometryCollection","geometries":[{"type":"MultiLineString","coordinates":)"
            R"([[[1,2],[3,4]],[[5,6],[7,"x"],[8],[9,[1,2]],[1e2,2],[1,371]]]},{"coordinates":[[1,2]],"type":"Polygon"}]}]})",
         {46.25, 6.5, 46.5, 6.75, 2, 1, 4, 3, 6, 5, 2, 100}, "bad_position=3,position_out_of_range=1,other_geometry=2"},
        // Coordinates before their type, farther back than the reader's block; nesting past the stack.
        {J, R"({"coordinates":[[1,2],[3,4)" + far + R"(]],"foo":[1],"type":"LineString","bbox":[0,0]} )", {2, 1, 4, 3}, ""},
        {J, Nest(GeoJsonDepthMax + 1, "1") + R"({"type":"LineString","coordinates":[[1,2]]})", {2, 1}, "too_deep=1"},
        {J, R"([{"type":"LineString","coordinates":)" + Nest(GeoJsonDepthMax, "") + R"(}, {"type":"LineString","coordinates":[[1,2]]}])",
         {2, 1}, "bad_position=1,too_deep=1"},
        {J, R"({"type":"LineString","coordinates":[[1,2],[3,4)", {2, 1}, "damaged_json=1"},
        {J, R"({"type":"LineString","coordinates":[[1,2]]}])", {2, 1}, "damaged_json=1"},
        {J, R"({"type":"LineString",[1,2],"coordinates":[[1,2]]})", {}, "damaged_json=1"},
        {J, R"({"type":"LineString","coordinates":[[1,2]]} {"type":"LineString","coordinates":[[3,4]]} @)", {2, 1, 4, 3},
         "damaged_json=1"},
        {I, "AXXX\r\nB1941314350420N08026585WA00438\r\nB1941314350420S08026585EA\r\nB194131435042N08026585WA\r\n"
            "B1941314360000N08026585WA\r\nB1941319000000N18000000WA\r\nB1941319100000N00000000WA\r\nB1941310000000N18100000EA\r\n"
            "B19413143504x0N08026585WA\r\nB1941314350420X08026585WA\r\nb1941314350420N08026585WA\r\nB1941314350420N08026585EA",
         {43 + 50.42 / 60, -(80 + 26.585 / 60), -(43 + 50.42 / 60), 80 + 26.585 / 60, 90, -180}, "other_record=2,bad_b_record=6"},
        {R, "<rte><rtept lat='1' lon='2'/><trkpt lat='3' lon='4'/><rtept lon='5'><rtept lat='x' lon='6'><rtept lat='101' lon='1'>"
            "<rtept lat='1' lon='370.5'><rtept lat='1' lon=''><gpx:rtept\n lon=\"8\" lat=\"-7\"></gpx:rtept><rtepts lat='1' lon='1'></rte>",
         {1, 2, 6, 6, -7, 8}, "rtept_without_lat_lon=1,rtept_without_number=1,rtept_out_of_range=2"},
    };
    for (const Case &c : cases) {
        CAPTURE(&c - cases);  // the case's place in the table
        GpxPoints = c.format == R ? GpxPointsRoute : GpxPointsTrack;
        const int format = c.format == R ? InputFormatGpx : c.format;
        ReadOutcome read = ReadAllPoints(c.bytes, format);
        GpxPoints = GpxPointsTrack;
        CHECK(read.headerResult == c.header);
        std::vector<double> latLon;
        for (const TrackPoint &p : read.points) latLon.insert(latLon.end(), {p.Lat, p.Lon});
        CHECK(latLon.size() == c.latLon.size());
        for (size_t i = 0; i < latLon.size() && i < c.latLon.size(); i++) CHECK(latLon[i] == doctest::Approx(c.latLon[i]).epsilon(1e-15));
        std::string passed;
        for (int kind = 0; kind < PassedOverKinds; kind++)
            if (PassedOver[kind]) passed += (passed.empty() ? "" : ",") + std::string(FindPassedOverReason(format, kind)->Name) + "=" + std::to_string(PassedOver[kind]);
        CHECK(passed == c.passed);
        CHECK(read.status.empty());
    }
}
