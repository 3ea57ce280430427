// IGC reader (B records): points in range, the end always reached.
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ReadEveryPoint(data, size, InputFormatIgc);
    return 0;
}
