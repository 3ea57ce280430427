// What the fuzz targets share: the fuzz data as the open input file, a check that stops
// the run with a message (a finding), and a read of every point with the checks each
// point must pass.
#ifndef WAYFOLD_FUZZ_INPUT_H
#define WAYFOLD_FUZZ_INPUT_H

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <vector>

#include "conversion/status_log.h"
#include "readers/track_source.h"

#define FUZZ_CHECK(condition) \
    ((condition) ? (void)0 : (std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition), std::abort()))

// InputFile reads the bytes from memory for as long as the object lives.
struct MemoryInput {
    std::vector<uint8_t> bytes;
    MemoryInput(const uint8_t *data, size_t size, int format) : bytes(data, data + size)
    {
        bytes.push_back(0);  // fmemopen wants a buffer even for no bytes
        InputFile = fmemopen(bytes.data(), size, "rb");
        FUZZ_CHECK(InputFile != nullptr);
        InputFormat = format;
        StatusSetText(L"");
    }
    ~MemoryInput()
    {
        std::fclose(InputFile);
        InputFile = nullptr;
    }
};

// The header check (unless skipped), then every point: finite, radians from degrees, within
// the text readers' ranges or the MPS semicircle range; the end always reached. An MPS file
// reports a damaged record once, after its last point.
inline void ReadEveryPoint(const uint8_t *data, size_t size, int format, bool checkHeader = true)
{
    MemoryInput input(data, size, format);
    const bool mps = format == InputFormatMps;
    int header = checkHeader ? CheckTrackHeader() : HeaderAccepted, result = PointEndOfInput;
    FUZZ_CHECK(header >= HeaderAccepted && header <= HeaderTellError);
    TrackPoint point = {};
    while (header == HeaderAccepted && (result = NextTrackPoint(&point)) == PointDelivered) {
        FUZZ_CHECK(std::isfinite(point.Lat) && std::isfinite(point.Lon));
        FUZZ_CHECK(point.LatRad == point.Lat * RadiansPerDegree && point.LonRad == point.Lon * RadiansPerDegree);
        if (mps) FUZZ_CHECK(point.Lat >= -180.0 && point.Lat < 180.0 && point.Lon >= -180.0 && point.Lon < 180.0);
        else FUZZ_CHECK(LatitudeInRange(point.Lat) && LongitudeInRange(point.Lon));
        FUZZ_CHECK(StatusLength() == 0);
    }
    FUZZ_CHECK(result == PointEndOfInput);
    FUZZ_CHECK(StatusLength() == 0 || (mps && std::wcscmp(StatusText(), L"Track read error!\r\n") == 0));
}

#endif
