// NMEA reader and checksum test, with GP or any talkers: points in range, the end always reached.
#include <string>

#include "fuzz/fuzz_input.h"
#include "readers/nmea_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    CheckNmeaChecksum(std::string(reinterpret_cast<const char *>(data), size).c_str());
    // The low bit of the first byte picks the talkers (the byte is still read as text).
    NmeaTalkers = size > 0 && (data[0] & 1) ? NmeaTalkersAny : NmeaTalkersGp;
    ReadEveryPoint(data, size, InputFormatNmea);
    return 0;
}
