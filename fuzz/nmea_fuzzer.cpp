// NMEA reader and checksum test, with GP or any talkers: every result code, points in range.
#include <string>

#include "fuzz/fuzz_input.h"
#include "readers/nmea_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The checksum test on the data as one text.
    std::string text(reinterpret_cast<const char *>(data), size);
    int checksum = CheckNmeaChecksum(text.c_str());
    FUZZ_CHECK(checksum >= 0 && checksum <= 4);

    // The low bit of the first byte picks the talkers (the byte is still read as text).
    NmeaTalkers = size > 0 && (data[0] & 1) ? NmeaTalkersAny : NmeaTalkersGp;
    ResetNmeaReader();
    MemoryInput input(data, size, InputFormatNmea);
    for (;;) {
        TrackPoint point = {};
        int result = ReadNmeaPoint(&point);
        FUZZ_CHECK(result == -1 || result == 0 || result == 1 || result == 2 || result == 3 || result == 4 ||
                   result == 10 || result == 11 || result == 12);
        if (result == 0) CheckTextPoint(point);
        if (result < 0) break;
    }
    return 0;
}
