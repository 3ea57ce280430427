#include <doctest/doctest.h>

#include <cmath>
#include <string>

#include "common/wayfold_limits.h"
#include "conversion/record_format.h"

// The bytes every platform must write: exact halves at the sixth decimal (odd multiples
// of 1/128) go to the even digit, the neighbours of 0.0000005 and 999.9999995 round from
// their exact binary values, a negative zero keeps its sign, wide values widen the field.
TEST_CASE("FormatWaypointRecord: exact rounding and the C library's layout")
{
    struct Case {
        int number;
        double lat, lon;
        const char *record;
    };
    const Case cases[] = {
        {1, 0.0, -0.0, "W,RW000001,  0.000000,  -0.000000,0\r\n"},
        {12, 1.0 / 128, -1.0 / 128, "W,RW000012,  0.007812,  -0.007812,0\r\n"},
        {123, 3.0 / 128, -3.0 / 128, "W,RW000123,  0.023438,  -0.023438,0\r\n"},
        {999999, 5e-7, -1.5e-6, "W,RW999999,  0.000000,  -0.000002,0\r\n"},
        {1000000, std::ldexp(1.0, -21), -5e-7, "W,RW1000000,  0.000000,  -0.000000,0\r\n"},
        {42, 999.9999995, -999.9999995, "W,RW000042,999.999999,-999.999999,0\r\n"},
        {7, -370.0, 370.0, "W,RW000007,-370.000000, 370.000000,0\r\n"},
        {8, 89.9999996875, -179.99999921875, "W,RW000008, 90.000000,-179.999999,0\r\n"},
        {9, std::ldexp(1.0, 33) - std::ldexp(1.0, -20), -12345678901.5,
         "W,RW000009,8589934591.999999,-12345678901.500000,0\r\n"},
    };
    for (const Case &c : cases) {
        char text[RecordTextSize];
        int length = FormatWaypointRecord(text, RecordTextSize, c.number, c.lat, c.lon);
        CHECK(std::string(text, length > 0 ? length : 0) == c.record);
    }
}
