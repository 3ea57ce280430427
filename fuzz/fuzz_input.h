// What the fuzz targets share: the fuzz data as the open input file, and a check that
// stops the run with a message (a finding) when a property fails.
#ifndef WAYFOLD_FUZZ_INPUT_H
#define WAYFOLD_FUZZ_INPUT_H

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "conversion/status_log.h"
#include "readers/line_reader.h"
#include "readers/track_source.h"

#define FUZZ_CHECK(condition)                                                              \
    do {                                                                                   \
        if (!(condition)) {                                                                \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                  \
        }                                                                                  \
    } while (0)

// InputFile reads the bytes from memory for as long as the object lives.
struct MemoryInput {
    std::vector<uint8_t> bytes;
    MemoryInput(const uint8_t *data, size_t size, int format) : bytes(data, data + size)
    {
        // fmemopen wants a buffer even for no bytes.
        if (bytes.empty()) bytes.push_back(0);
        InputFile = fmemopen(bytes.data(), size, "rb");
        FUZZ_CHECK(InputFile != nullptr);
        // A new FILE may reuse a closed one's address: nothing read ahead of it counts.
        ResetLineReader();
        InputFormat = format;
        StatusSetText(L"");
    }
    ~MemoryInput()
    {
        std::fclose(InputFile);
        InputFile = nullptr;
    }
    MemoryInput(const MemoryInput &) = delete;
    MemoryInput &operator=(const MemoryInput &) = delete;
};

// A delivered point: finite values, radians set from degrees.
inline void CheckPoint(const TrackPoint &point)
{
    FUZZ_CHECK(std::isfinite(point.Lat) && std::isfinite(point.Lon));
    FUZZ_CHECK(point.LatRad == point.Lat * RadiansPerDegree);
    FUZZ_CHECK(point.LonRad == point.Lon * RadiansPerDegree);
}

// A text reader's point: within the +-100 / +-370 ranges.
inline void CheckTextPoint(const TrackPoint &point)
{
    CheckPoint(point);
    FUZZ_CHECK(LatitudeInRange(point.Lat) && LongitudeInRange(point.Lon));
}

#endif
