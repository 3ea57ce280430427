// FIT header check and reader: points in range, the end always reached; and the CRC, which
// any bytes followed by their own CRC (low byte first) bring to zero.
#include "fuzz/fuzz_input.h"
#include "readers/fit_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ReadEveryPoint(data, size, InputFormatFit);
    unsigned int crc = 0;
    for (size_t i = 0; i < size; i++) crc = FitCrcStep(crc, data[i]);
    FUZZ_CHECK(crc <= 0xFFFF);
    FUZZ_CHECK(FitCrcStep(FitCrcStep(crc, crc & 0xFF), crc >> 8) == 0);
    return 0;
}
