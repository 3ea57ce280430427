// Route thinning: which track points become route waypoints. Distances are metres on a
// sphere, bearings degrees clockwise from north (-180..180).
#ifndef WAYFOLD_THINNING_H
#define WAYFOLD_THINNING_H

#include "conversion/deviation.h"
#include "readers/track_input.h"

// Results of RunThinningPass.
enum {
    PassDone = 0,
    PassTooShort = 5,
    PassWriteFailed = 10
};

// The rule that thins the route, program-wide: the classic keep rule below (the default,
// and the handheld program's), or the bounded rule of bounded_thinning.h. The job reads it.
enum {
    ThinningClassic = 0,
    ThinningBounded = 1
};
extern int ThinningMethod;

// Radians to degrees (the double nearest 180/pi).
const double DegreesPerRadian = 57.29577951308232;

// The window of three points, program-wide.
extern TrackPoint LastWaypoint;
extern TrackPoint Candidate;
extern TrackPoint NextPoint;

// Streams the track from NextTrackPoint into WriteWaypoint. Returns 0 (the caller closes
// the files), 5 (fewer than three points; reported, files closed) or 10 (a waypoint
// write failed; reported, files closed).
int RunThinningPass();

// Ends a pass over fewer than three points: "Too short input file!", both files closed.
// Returns PassTooShort.
int EndTooShort();

// 1 when the candidate becomes a waypoint, 0 when it is dropped, by the ThinningSettings.
// Metres and degrees as named.
int KeepCandidate(double candidateMeters, double candidateBearing, double nextMeters,
                  double nextBearing, double referenceBearing);

// Great-circle distance (metres, >= 0) and initial bearing (degrees, -180..180) from one
// point to another, from their LatRad and LonRad. Never yields a NaN.
void MeasureLeg(const TrackPoint *from, const TrackPoint *to, double *meters, double *bearing);

#endif
