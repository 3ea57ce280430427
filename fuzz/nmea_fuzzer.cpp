// NMEA reader and checksum test: points in range, the end always reached.
#include <string>

#include "fuzz/fuzz_input.h"
#include "readers/nmea_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    CheckNmeaChecksum(std::string(reinterpret_cast<const char *>(data), size).c_str());
    ReadEveryPoint(data, size, InputFormatNmea);
    return 0;
}
