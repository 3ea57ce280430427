#!/usr/bin/env python3
"""A prototype of the bounded thinning with a look-ahead of one leg, for quality.py.

thin(inner, ends, tolerance, ...) -> (kept indices, cost), where inner are the track's
points as unit vectors, ends the same points as legs start and end from them (as written,
or the same list), and cost counts the work a port would do per point."""
import math

from quality import scan


def thin(inner, ends, tolerance, max_meters=math.inf, window=4096, candidates=8):
    """From the waypoint w, the legs that reach farthest are tried as the next waypoint, up
    to `candidates` of them; the one from which the following leg reaches farthest is kept
    (the farther of two that tie). Every search stays inside the window of points that
    starts at w. Returns (kept, cost) with cost = {'scanned': points passed by a search,
    'checked': points measured one by one, 'searches': searches}."""
    n = len(inner)
    kept, w, known = [0], 0, None
    cost = {'scanned': 0, 'checked': 0, 'searches': 0}

    def search(i, stop):
        found, last, checks = scan(ends, inner, i, tolerance, stop, max_meters)
        cost['scanned'] += last - i
        cost['checked'] += checks
        cost['searches'] += 1
        return found, last

    while w < n - 1:
        stop = min(n, w + window)
        found, last = known if known else search(w, stop)
        known = None
        if found[-1] == n - 1:
            kept.append(n - 1)
            break
        best, best_reach = None, -1
        for c in reversed(found[-candidates:]):
            if c + 1 >= stop:
                reach, result = c, None
            else:
                result = search(c, stop)
                reach = n if result[0][-1] == n - 1 else result[0][-1]
            if reach > best_reach:
                best, best_reach, best_result = c, reach, result
        kept.append(best)
        # The kept point's search is the next one's unless the window cut it short.
        if best_result and best_result[1] < stop - 1:
            known = best_result
        w = best
    return kept, cost
