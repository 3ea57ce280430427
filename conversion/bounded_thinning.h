// The bounded thinning rule: every point of the track lies within MaxOrtError metres of
// the route, by the deviation measure, and no leg is longer than MaxMeters unless two
// consecutive points are themselves farther apart. MinMeters and MaxDegrees do not apply.
#ifndef WAYFOLD_BOUNDED_THINNING_H
#define WAYFOLD_BOUNDED_THINNING_H

// Streams the track from NextTrackPoint into WriteWaypoint, in one pass with fixed memory,
// reading each point once into a window of up to BoundedPassCapacity points that starts at
// the last waypoint. A leg from a point a to a later point j is good when it is no longer
// than MaxMeters (a leg between neighbours always is) and passes within the tolerance of
// every point between. A search from a tries j = a + 1, a + 2, ... inside the window and
// keeps the last BoundedEndRanks good ends; it stops when no later end can be good, after
// BoundedGiveUp points in a row that end no good leg, or at the window's or track's end.
// It looks one leg ahead: of the good ends of legs from the waypoint, those at ranks 0, 1,
// 3 and 8 from the farthest are candidates, each searched in turn, and the one whose own
// farthest good end lies farthest becomes the next waypoint (the farther of two that tie);
// its search serves the next round unless the window cut it short. The tolerance is
// MaxOrtError less 8 cm, so the route as written to six decimals keeps the promise too.
// The first and last points are always kept. The results and their reports are those of
// RunThinningPass.
int RunBoundedThinningPass();

#endif
