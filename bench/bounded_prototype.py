#!/usr/bin/env python3
"""A prototype of the bounded thinning with a look-ahead of one leg, for quality.py.

thin(inner, ends, tolerance, ...) -> (kept indices, cost): inner are the track's points as
unit vectors, ends the same points as legs start and end from them (as written to six
decimals, or the same list), cost counts the work a port would do.

From the waypoint w one search (quality.scan: the legs from w that keep every point between
within the tolerance, until the cone of allowed directions is empty or the window ends)
finds the good ends. The farthest is what the greedy rule keeps; here the good ends at
ranks 0, 1, 3 and 8 from the farthest (RANKS) are candidates, and those at 2 and 4 to 7
where an end behind the farthest wins; one search from each finds how far the leg after it
reaches, and the candidate whose next leg reaches farthest becomes
the waypoint (the farther candidate of two that tie). Its search is the next round's first
one, so a waypoint costs one search per candidate. Every search stays inside the window of
`window` points that starts at w: the port's buffer, with the points read past w."""
import math

from quality import scan

# Ranks 0, 1, 2, 4, ... 64 keep about 0.5% fewer waypoints on the real tracks at about twice
# the searching; rank 0 alone is the greedy rule with the cone's look-ahead.
RANKS = (0, 1, 3, 8, 2, 4, 5, 6, 7)
# The first ALWAYS ends found are always tried; the rest only where an end behind the
# farthest has won.
ALWAYS = 4


def thin(inner, ends, tolerance, max_meters=math.inf, window=4096, ranks=RANKS, give_up=None):
    n = len(inner)
    kept, w, known = [0], 0, None
    cost = {'scanned': 0, 'checked': 0, 'searches': 0}
    if tolerance < 0:
        return list(range(n)), cost     # no point may be passed over

    def search(i, stop):
        found, last, checks = scan(ends, inner, i, tolerance, stop, max_meters, give_up)
        cost['scanned'] += last - i
        cost['checked'] += checks
        cost['searches'] += 1
        # The port keeps only the last max(ranks) + 1 good ends, in a ring.
        return found[-(max(ranks) + 1):], last

    while w < n - 1:
        stop = min(n, w + window)
        found, last = known if known else search(w, stop)
        known = None
        if found[-1] == n - 1:
            kept.append(n - 1)
            break
        best, best_key, best_result = None, None, None
        tried = 0
        for r in ranks:
            if tried >= ALWAYS and best == found[-1]:
                break
            if r >= len(found):
                continue
            tried += 1
            c = found[-1 - r]
            if c + 1 >= stop:
                result, key = None, (c, c)
            else:
                result = search(c, stop)
                key = (n if result[0][-1] == n - 1 else result[0][-1], c)
            if best_key is None or key > best_key:
                best, best_key, best_result = c, key, result
        kept.append(best)
        # The kept point's search is the next round's first unless the window cut it short.
        if best_result and best_result[1] < stop - 1:
            known = best_result
        w = best
    return kept, cost
