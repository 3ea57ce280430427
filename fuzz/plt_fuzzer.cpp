// PLT header check and reader, and the point reader alone from the first line: points in
// range, the end always reached.
#include "fuzz/fuzz_input.h"
#include "readers/plt_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ReadEveryPoint(data, size, InputFormatPlt);
    ReadEveryPoint(data, size, InputFormatPlt, false);
    return 0;
}
