// KML reader (LineString coordinates read in pieces, gx:coord elements): points in range, the end always reached.
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ReadEveryPoint(data, size, InputFormatKml);
    return 0;
}
