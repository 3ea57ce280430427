// PLT header check and reader: every result code, points in range.
#include "fuzz/fuzz_input.h"
#include "readers/plt_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    {
        MemoryInput input(data, size, InputFormatPlt);
        int header = CheckTrackHeader();
        FUZZ_CHECK(header == 0 || header == 1 || header == 2);
        if (header == 0) {
            TrackPoint point = {};
            int result;
            while ((result = NextTrackPoint(&point)) == 0) CheckTextPoint(point);
            FUZZ_CHECK(result == -1);
        }
    }
    {
        // The point reader alone, from the first line, positive results included.
        MemoryInput input(data, size, InputFormatPlt);
        for (;;) {
            TrackPoint point = {};
            int result = ReadPltPoint(&point);
            FUZZ_CHECK(result == -1 || result == 0 || result == 1 || result == 3);
            if (result == 0) CheckTextPoint(point);
            if (result < 0) break;
        }
    }
    return 0;
}
