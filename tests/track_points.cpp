// Prints what the readers deliver for a track file, for the tests that compare them with
// other programs: "header N", one "lat lon" line a point, then "name count" a reason passed over.
//   track_points FORMAT FILE [route]      (FORMAT: a name of the formats' table; route: GPX route points)
#include <cstdio>
#include <cstring>

#include "readers/gpx_route_reader.h"
#include "readers/track_source.h"
#include "readers/track_survey.h"

int main(int argc, char **argv)
{
    int format = 0;
    for (int i = 0; (argc == 3 || (argc == 4 && std::strcmp(argv[3], "route") == 0)) && i < TrackFormatCount; ++i)
        if (std::strcmp(argv[1], TrackFormats[i].Name) == 0) format = TrackFormats[i].Id;
    if (format == 0 || !(InputFile = std::fopen(argv[2], "rb"))) {
        std::fprintf(stderr, "usage: track_points FORMAT FILE [route] (a readable FILE)\n");
        return 64;
    }
    InputFormat = format;
    GpxPoints = argc == 4 ? GpxPointsRoute : GpxPointsTrack;
    int header = CheckTrackHeader();
    std::printf("header %d\n", header);
    TrackPoint point = {};
    while (header == HeaderAccepted && NextTrackPoint(&point) == PointDelivered) std::printf("%.9f %.9f\n", point.Lat, point.Lon);
    std::fclose(InputFile);
    for (int kind = 0; kind < PassedOverKinds; kind++)
        if (PassedOver[kind] > 0) std::printf("%s %d\n", FindPassedOverReason(format, kind)->Name, PassedOver[kind]);
    return 0;
}
