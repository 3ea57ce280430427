// MPS header check and reader: points within -180..180, the record walk always ends, and
// a damaged record is reported once.
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ReadEveryPoint(data, size, InputFormatMps);
    return 0;
}
