// The bounded thinning rule: every point of the track lies within MaxOrtError metres of
// the route, by the deviation measure, and no leg is longer than MaxMeters unless two
// consecutive points are themselves farther apart. MinMeters and MaxDegrees do not apply.
#ifndef WAYFOLD_BOUNDED_THINNING_H
#define WAYFOLD_BOUNDED_THINNING_H

// Streams the track from NextTrackPoint into WriteWaypoint, in one pass. Each new point is
// a candidate end of the leg from the last waypoint: it is taken when that leg is no longer
// than MaxMeters and passes within MaxOrtError of every point passed over since the
// waypoint; otherwise, or when BoundedPassCapacity points are passed over already, the
// point before it becomes the waypoint and the next leg starts there. The first and last
// points are always kept. The results and their reports are those of RunThinningPass.
int RunBoundedThinningPass();

#endif
