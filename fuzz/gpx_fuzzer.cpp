// GPX reader, of track points and of route points: points in range and the end always
// reached; tags always fit their buffer.
#include "fuzz/fuzz_input.h"
#include "readers/gpx_reader.h"
#include "readers/gpx_route_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ReadEveryPoint(data, size, InputFormatGpx);
    GpxPoints = GpxPointsRoute;
    ReadEveryPoint(data, size, InputFormatGpx);
    GpxPoints = GpxPointsTrack;
    MemoryInput input(data, size, InputFormatGpx);
    char buffer[8];
    int result;
    while ((result = ReadTag(buffer, sizeof buffer)) == TagRead) FUZZ_CHECK(buffer[7] == 0);
    FUZZ_CHECK(result == TagNoneLeft || result == TagCutByEnd);
    return 0;
}
