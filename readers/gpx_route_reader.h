// GPX routes: the route point tags <rtept lat=".." lon=".."> read in place of the track
// points when the converter is told so; the handheld program reads track points only.
#ifndef WAYFOLD_GPX_ROUTE_READER_H
#define WAYFOLD_GPX_ROUTE_READER_H

#include "readers/track_input.h"

// Which points of a GPX file are read.
enum {
    GpxPointsTrack = 0,  // <trkpt>, the handheld program's only reading
    GpxPointsRoute = 1   // <rtept>
};

// Program-wide; starts at GpxPointsTrack.
extern int GpxPoints;

// Route point tags ReadGpxRoutePoint passes over; above the track point reader's reasons,
// as both are counted under GPX.
enum {
    GpxRouteSkipNoName = 5,     // no "lat" or no "lon"
    GpxRouteSkipNoNumber = 6,   // no number after one of them
    GpxRouteSkipOutOfRange = 7  // a coordinate outside the range tests
};

// Returns PointDelivered, a GpxRouteSkip reason, or PointEndOfInput.
int ReadGpxRoutePoint(TrackPoint *point);

#endif
