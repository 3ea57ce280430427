// The readers alone: every point of a track through NextTrackPoint, without thinning or
// route files, so the benchmark can tell reading from the rest of a conversion.
//   read_track FORMAT FILE      (FORMAT: a name of the formats' table: gpx, mps ... igc)
// Prints the number of points and the seconds the header check and reading took.
#include <chrono>
#include <cstdio>
#include <cstring>

#include "readers/track_source.h"

int main(int argc, char **argv)
{
    int format = 0;
    for (int i = 0; argc == 3 && i < TrackFormatCount; ++i)
        if (std::strcmp(argv[1], TrackFormats[i].Name) == 0) format = TrackFormats[i].Id;
    if (format == 0) {
        std::fprintf(stderr, "usage: read_track FORMAT FILE (FORMAT: gpx, mps, plt, nmea, fit, tcx, kml, geojson or igc)\n");
        return 64;
    }
    InputFile = std::fopen(argv[2], "rb");
    if (!InputFile) {
        std::perror(argv[2]);
        return 1;
    }
    InputFormat = format;
    const auto start = std::chrono::steady_clock::now();
    long points = 0;
    TrackPoint point = {};
    double sum = 0.0;
    if (CheckTrackHeader() == 0) {
        while (NextTrackPoint(&point) == 0) {
            ++points;
            sum += point.LatRad;
        }
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::fclose(InputFile);
    std::printf("%ld %.3f %g\n", points, took.count(), sum);
    return 0;
}
