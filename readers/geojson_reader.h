// GeoJSON files: the positions of LineString and MultiLineString geometries wherever they
// stand (a Feature, a FeatureCollection, a GeometryCollection), in document order, read by
// a streaming tokenizer: the nesting is a fixed stack, no document tree is built.
#ifndef WAYFOLD_GEOJSON_READER_H
#define WAYFOLD_GEOJSON_READER_H

#include "readers/track_input.h"

// What ReadGeoJsonPoint passes over.
enum {
    GeoJsonSkipBadPosition = 1,   // a position without two numbers first
    GeoJsonSkipOutOfRange = 2,    // a coordinate outside the range tests
    GeoJsonSkipOtherGeometry = 3, // a Point, MultiPoint, Polygon or MultiPolygon
    GeoJsonSkipDamaged = 4,       // no JSON, or JSON cut short: the reading ends there
    GeoJsonSkipTooDeep = 5        // a value nested deeper than GeoJsonDepthMax, passed over whole
};

// Forgets an earlier file: its nesting and the bytes read ahead of it.
void ResetGeoJsonReader();

// Returns PointDelivered, a GeoJsonSkip reason, or PointEndOfInput.
int ReadGeoJsonPoint(TrackPoint *point);

#endif
