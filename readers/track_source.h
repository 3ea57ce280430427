// The track source: the one place the thinning pass draws points from, and the header
// checks run before the first point. It picks the format reader by InputFormat, counts
// what the readers pass over, and holds the one list of the formats.
#ifndef WAYFOLD_TRACK_SOURCE_H
#define WAYFOLD_TRACK_SOURCE_H

#include "readers/track_input.h"

// Which reader runs: the 1-based number of the open-file dialog's filter for the first
// HandheldFormatCount; the converter alone reads the formats after them.
enum {
    InputFormatGpx = 1,
    InputFormatMps = 2,
    InputFormatPlt = 3,
    InputFormatNmea = 4,
    InputFormatFit = 5,
    InputFormatTcx = 6,
    InputFormatKml = 7,
    InputFormatGeoJson = 8,
    InputFormatIgc = 9
};

// One format: its InputFormat, its name (the dialog's filter name, the converter's -f, the
// report's "format"; the ending is "." and the name) and the characters its route names
// cut from the track's path (the ending's length).
struct TrackFormatEntry {
    int Id;
    const char *Name;
    int PathCut;
};
// In InputFormat order, so TrackFormats[format - 1] is format's entry.
const int TrackFormatCount = 9;
// The handheld program's open-file dialog offers the first this many, its four filters.
const int HandheldFormatCount = 4;
extern const TrackFormatEntry TrackFormats[TrackFormatCount];
// The entry of an InputFormat, or 0 for none.
const TrackFormatEntry *FindTrackFormat(int format);

// NextTrackPoint's result when InputFormat names no reader.
const int PointNoReader = -100;

// Program-wide. Starts at InputFormatGpx, as the dialog's first filter.
extern int InputFormat;
// Points delivered since the conversion job reset it; it stops at INT_MAX.
extern int PointsDelivered;

// What the readers passed over since CheckTrackHeader, by their own positive results (a
// reader's result below PassedOverKinds; what a code means depends on InputFormat), and
// damaged records that ended the track at PassedOver[0]. Each count stops at INT_MAX.
extern int PassedOver[PassedOverKinds];

// Told when a reader finds the track damaged (a broken MPS track record) and ends it
// there; 0 tells no one. The conversion job sets it to report the damage.
typedef void (*TrackDamageListener)();
extern TrackDamageListener OnTrackDamaged;

// The tracks of the file since CheckTrackHeader: a track begins with its first delivered
// point (the first point of a file always begins one; a reader's TrackBoundary, the next
// after it), so a track without a point is none. After a point is delivered, TracksBegun is
// the number of the track it belongs to. Stops at INT_MAX.
extern int TracksBegun;
// The one track NextTrackPoint delivers (1 for the first), or 0 for all of them, as the
// handheld program reads. Points and passed-over items of other tracks are not delivered
// nor counted, and the input ends where the track after the wanted one begins. Set by the
// host; CheckTrackHeader leaves it.
extern int TrackWanted;

// Fills point with the next valid point of InputFile for InputFormat, passing over what
// the reader could not use. Returns PointDelivered, PointEndOfInput or PointNoReader.
int NextTrackPoint(TrackPoint *point);

// Checks and skips the header of InputFile for formats that have one (PLT, MPS, FIT), and
// makes the readers forget the previous track. Returns one of the Header results.
int CheckTrackHeader();

#endif
