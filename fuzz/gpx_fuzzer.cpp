// GPX reader: every result code, points in range, and the end always reached.
#include "fuzz/fuzz_input.h"
#include "readers/gpx_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    {
        // The reader alone, positive results included.
        MemoryInput input(data, size, InputFormatGpx);
        for (;;) {
            TrackPoint point = {};
            int result = ReadGpxPoint(&point);
            FUZZ_CHECK(result >= -1 && result <= 3);
            if (result == 0) CheckTextPoint(point);
            if (result < 0) break;
        }
    }
    {
        // The tag reader with a small limit: the text always fits and is terminated.
        MemoryInput input(data, size, InputFormatGpx);
        char buffer[8];
        int result;
        while ((result = ReadTag(buffer, sizeof buffer)) == 0) FUZZ_CHECK(buffer[7] == 0);
        FUZZ_CHECK(result == -1 || result == -2);
    }
    return 0;
}
