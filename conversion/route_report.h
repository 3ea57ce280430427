// The run report: how far the written route strays from the track it was made from.
// The conversion tells RecordKeptNumber of every waypoint it writes; afterwards
// MeasureRoute reads the track again beside the forward route file, as written, and
// measures every delivered point against the route leg it was passed over for.
#ifndef WAYFOLD_ROUTE_REPORT_H
#define WAYFOLD_ROUTE_REPORT_H

#include <stdio.h>

#include "readers/track_input.h"

// Results of MeasureRoute.
enum {
    RouteMeasured = 0,
    RouteTrackUnreadable = 1,   // the track could not be opened or its header failed
    RouteFileUnreadable = 2,    // the forward route file could not be opened or read
    RouteMismatch = 3           // the route does not fit the track as read again
};

// Where RecordKeptNumber appends the Number of each waypoint written (4 bytes each,
// little-endian). The host opens it (a temporary file) before the job and closes it.
extern FILE *KeptNumbersFile;

// A WaypointListener: appends point->Number to KeptNumbersFile.
void RecordKeptNumber(const TrackPoint *point);

// One delivered point as MeasureRoute saw it.
struct MeasuredPoint {
    TrackPoint Point;     // exact, as delivered, with its Number
    double Deviation;     // metres from the route
    bool Kept;            // a waypoint: WrittenLat and WrittenLon hold it as written
    double WrittenLat;
    double WrittenLon;
};

// Told of every point MeasureRoute measured, in order, after Report took it in; 0 tells
// no one.
typedef void (*MeasuredPointListener)(const MeasuredPoint *point);
extern MeasuredPointListener OnPointMeasured;

// The figures of the last MeasureRoute (metres and degrees).
struct RouteReport {
    int Points;             // delivered points measured
    int Waypoints;          // waypoints read back from the forward route file
    double TrackMeters;     // along consecutive delivered points
    double RouteMeters;     // along consecutive written waypoints
    double MaxDeviation;
    int MaxPoint;           // Number of the first point with MaxDeviation (0: none)
    double MaxLat;
    double MaxLon;
    double MaxLegLat[2];    // the leg MaxPoint was measured against, as written (for a
    double MaxLegLon[2];    // kept point both ends are its written position)
    double DeviationSum;
    int OverTolerance;      // points farther than MaxOrtError from the route
};
extern RouteReport Report;

// Reads InputPath (InputFormat) and ForwardPath again with the numbers in
// KeptNumbersFile and fills Report. Uses InputFile and the readers; closes every file it
// opened. Returns one of the results above.
int MeasureRoute();

#endif
