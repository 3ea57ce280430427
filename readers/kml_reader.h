// KML files: the coordinates of LineString elements ("lon,lat[,alt]" tuples between white
// space) and the gx:coord elements of gx:Track ("lon lat alt"), in document order.
#ifndef WAYFOLD_KML_READER_H
#define WAYFOLD_KML_READER_H

#include "readers/track_input.h"

// What ReadKmlPoint passes over.
enum {
    KmlSkipBadTuple = 1,     // a LineString tuple or gx:coord without two numbers
    KmlSkipOutOfRange = 2,   // a coordinate outside the range tests
    KmlSkipEmptyCoord = 3,   // a gx:coord without text: a time without a position
    KmlSkipPoint = 4,        // a Point: a place, no track
    KmlSkipPolygon = 5       // a Polygon: an area, no track
};

// Forgets the elements an earlier file was in.
void ResetKmlReader();

// Returns PointDelivered, a KmlSkip reason, or PointEndOfInput.
int ReadKmlPoint(TrackPoint *point);

#endif
