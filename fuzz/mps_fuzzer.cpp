// MPS header check and reader: only 0 and -1, points within -180..180, the record walk
// always ends, and a damaged record is reported once.
#include <cwchar>

#include "fuzz/fuzz_input.h"
#include "readers/mps_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    MemoryInput input(data, size, InputFormatMps);
    int header = CheckTrackHeader();
    FUZZ_CHECK(header >= 0 && header <= 3);
    if (header != 0) return 0;
    TrackPoint point = {};
    int result;
    while ((result = NextTrackPoint(&point)) == 0) {
        CheckPoint(point);
        FUZZ_CHECK(point.Lat >= -180.0 && point.Lat < 180.0);
        FUZZ_CHECK(point.Lon >= -180.0 && point.Lon < 180.0);
        FUZZ_CHECK(StatusLength() == 0);
    }
    FUZZ_CHECK(result == -1);
    FUZZ_CHECK(StatusLength() == 0 || std::wcscmp(StatusText(), L"Track read error!\r\n") == 0);
    return 0;
}
