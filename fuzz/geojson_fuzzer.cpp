// GeoJSON reader: points in range, the end always reached; and no position read twice,
// though coordinates before their "type" are read again: never more points than '['.
#include <algorithm>

#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ReadEveryPoint(data, size, InputFormatGeoJson);
    MemoryInput input(data, size, InputFormatGeoJson);
    CheckTrackHeader();
    TrackPoint point = {};
    long points = 0;
    while (NextTrackPoint(&point) == PointDelivered) points++;
    FUZZ_CHECK(points <= std::count(data, data + size, '['));
    return 0;
}
