// Route files in the OziExplorer CE Route2 text format: the three header lines, one
// waypoint record a line, and the backward copy of a forward file's records.
#ifndef WAYFOLD_ROUTE_WRITER_H
#define WAYFOLD_ROUTE_WRITER_H

#include <stdio.h>

#include "readers/track_input.h"

// Which route a header introduces.
enum {
    ForwardRoute = 0,
    BackwardRoute = 1
};

// Results of WriteWaypoint.
enum {
    WaypointWritten = 0,
    WaypointWriteFailed = 2
};

// Results of CopyRecordsBackward.
enum {
    BackwardCopyDone = 0,
    BackwardCopyFailed = 4
};

// Told of every waypoint that reached the forward route file, in order; 0 tells no one.
// Hosts that measure the route listen here; the conversion itself never does.
typedef void (*WaypointListener)(const TrackPoint *point);
extern WaypointListener OnWaypointWritten;

// The route file being written, and the waypoints written to the forward one so far.
extern FILE *OutputFile;
extern int WaypointsWritten;

// Writes the three header lines of route to OutputFile, just opened; 0 on success. The
// file is written through a buffer of the writer's own from here until it is closed.
int WriteRouteHeader(int route);

// Appends point's record to OutputFile as the next waypoint. On failure reports
// "Forward file write error!" and closes InputFile and OutputFile.
int WriteWaypoint(const TrackPoint *point);

// Copies the WaypointsWritten records of the forward file open as InputFile, last first,
// to OutputFile. On failure reports why and closes both files.
int CopyRecordsBackward();

// Closes InputFile and OutputFile, whichever is open.
void CloseInputAndOutput();

// Closes OutputFile; 0 when everything written reached the file.
int CloseOutputFile();

#endif
