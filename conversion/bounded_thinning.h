// The bounded thinning rule: every point of the track lies within MaxOrtError metres of
// the route, by the deviation measure, and no leg is longer than MaxMeters unless two
// consecutive points are themselves farther apart. MinMeters and MaxDegrees do not apply.
#ifndef WAYFOLD_BOUNDED_THINNING_H
#define WAYFOLD_BOUNDED_THINNING_H

// Streams the track from NextTrackPoint into WriteWaypoint, in one pass with fixed memory.
// Each new point is a candidate end of the leg from the last waypoint: it is taken when
// that leg is no longer than MaxMeters and passes within the tolerance of every point
// since the waypoint (those passed over, the leg's end so far and the points waiting).
// A point not taken waits, and the points after it are tried in turn, up to
// BoundedLookahead of them; when none is taken, or the points passed over would overflow
// BoundedPassCapacity, the leg's end (the farthest point a leg reached) becomes the
// waypoint and the waiting points are tried again from there. The tolerance is MaxOrtError
// less 8 cm, so the route as written to six decimals keeps the promise too. The first and
// last points are always kept. The results and their reports are those of RunThinningPass.
int RunBoundedThinningPass();

#endif
