// What the fuzz targets share: a check that stops the run with a message (a finding),
// the fuzz data as the open input file, and a read of every point with its checks.
#ifndef WAYFOLD_FUZZ_INPUT_H
#define WAYFOLD_FUZZ_INPUT_H

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <vector>

#include "conversion/status_log.h"
#include "readers/line_reader.h"
#include "readers/track_source.h"

#define FUZZ_CHECK(condition) \
    ((condition) ? (void)0 : (std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition), std::abort()))

// InputFile reads the bytes from memory for as long as the object lives.
struct MemoryInput {
    std::vector<uint8_t> bytes;
    MemoryInput(const uint8_t *data, size_t size, int format) : bytes(data, data + size)
    {
        bytes.push_back(0);  // fmemopen wants a buffer even for no bytes
        FUZZ_CHECK((InputFile = fmemopen(bytes.data(), size, "rb")) != nullptr);
        // A new FILE may reuse a closed one's address: nothing read ahead of it counts.
        ResetLineReader();
        InputFormat = format;
        StatusSetText(L"");
    }
    ~MemoryInput() { std::fclose(InputFile), InputFile = nullptr; }
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
    TrackPoint p = {};
    while (header == HeaderAccepted && (result = NextTrackPoint(&p)) == PointDelivered) {
        FUZZ_CHECK(std::isfinite(p.Lat) && std::isfinite(p.Lon) && StatusLength() == 0);
        FUZZ_CHECK(p.LatRad == p.Lat * RadiansPerDegree && p.LonRad == p.Lon * RadiansPerDegree);
        FUZZ_CHECK(mps ? p.Lat >= -180.0 && p.Lat < 180.0 && p.Lon >= -180.0 && p.Lon < 180.0
                       : LatitudeInRange(p.Lat) && LongitudeInRange(p.Lon));
    }
    FUZZ_CHECK(result == PointEndOfInput);
    FUZZ_CHECK(StatusLength() == 0 || (mps && std::wcscmp(StatusText(), L"Track read error!\r\n") == 0));
}

#endif
