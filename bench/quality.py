#!/usr/bin/env python3
"""The bounded thinning against its promise and against Douglas-Peucker.
  bench/quality.py [WAYFOLD_CONVERT] [SAMPLES_FOLDER]
For every sample track (default ../shared/samples) and six generated tracks, at tolerances
10, 50 and 150 m, runs `wayfold-convert --method bounded` with --max-meters too large to
bind and prints a Markdown table: points, waypoints, the largest deviation of a track point
from the route (computed here), Douglas-Peucker's waypoints at the same tolerance and the
ratio. Exits 1 when a deviation exceeds the tolerance or, on a track of at least 100 points,
the waypoints exceed 1.05 times Douglas-Peucker's.

Deviation: the distance from a point to the great-circle arc between the two waypoints it
lies between, or to the nearer end when its foot falls outside the arc, on a sphere of
6,371,032 m. Generated tracks are written with 10 decimals and measured at full precision
against the kept points; a sample's points are known here only as the converter prints
them (6 decimals, obtained with a tolerance of -1, which keeps every point), so their
deviations may be off by up to 0.08 m either way and are checked against the tolerance plus
that much. Either way a micrometre is allowed for the rounding of two computations."""
import math, os, random, subprocess, sys, tempfile

R = 6371032.0
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CONVERT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, 'build/native/wayfold-convert')
SAMPLES = sys.argv[2] if len(sys.argv) > 2 else os.path.join(ROOT, '..', 'shared', 'samples')
TOLERANCES = (10, 50, 150)
SAMPLE_SLACK = 0.08
# Two computations of the same deviation in doubles differ by nanometres.
ROUNDING = 1e-6


def unit(lat, lon):
    la, lo = math.radians(lat), math.radians(lon)
    return (math.cos(la) * math.cos(lo), math.cos(la) * math.sin(lo), math.sin(la))


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def dist(a, b):
    return math.atan2(math.sqrt(dot(*[cross(a, b)] * 2)), dot(a, b)) * R


def arc_deviation(a, b, p):
    n = cross(a, b)
    s = math.sqrt(dot(n, n))
    if s > 1e-12:
        n = (n[0] / s, n[1] / s, n[2] / s)
        if dot(p, cross(n, a)) >= 0 and dot(p, cross(b, n)) >= 0:
            return math.asin(min(1.0, abs(dot(p, n)))) * R
    return min(dist(a, p), dist(b, p))


def douglas_peucker(points, tolerance):
    """Count of points kept by the recursive algorithm (an explicit stack of index ranges)."""
    kept, stack = 2, [(0, len(points) - 1)]
    while stack:
        first, last = stack.pop()
        worst, at = -1.0, -1
        for i in range(first + 1, last):
            d = arc_deviation(points[first], points[last], points[i])
            if d > worst:
                worst, at = d, i
        if worst > tolerance:
            kept += 1
            stack += [(first, at), (at, last)]
    return kept


def destination(lat, lon, bearing, metres):
    la, lo, th, d = math.radians(lat), math.radians(lon), math.radians(bearing), metres / R
    la2 = math.asin(math.sin(la) * math.cos(d) + math.cos(la) * math.sin(d) * math.cos(th))
    lo2 = lo + math.atan2(math.sin(th) * math.sin(d) * math.cos(la), math.cos(d) - math.sin(la) * math.sin(la2))
    return math.degrees(la2), math.degrees(lo2)


def walk(steps, start=(47.3, 8.5)):
    """A track from (bearing, metres) steps."""
    track = [start]
    for bearing, metres in steps:
        track.append(destination(*track[-1], bearing, metres))
    return track


def generated():
    rnd = random.Random(20240501)
    tracks = {}
    heading, steps = 30.0, []
    for i in range(3000):   # dense: a bicycle logged once a second
        heading += rnd.gauss(0, 3) + (rnd.gauss(0, 50) if rnd.random() < 1 / 60 else 0)
        steps.append((heading, 4 + 2 * math.sin(i / 50)))
    tracks['dense (bicycle, 1 Hz)'] = walk(steps)
    heading, steps = 0.0, []
    for i in range(3000):   # slow: a walk with a jittery receiver
        heading += rnd.gauss(0, 8)
        steps.append((heading, 0.8))
    tracks['slow (walk, jitter)'] = [destination(lat, lon, rnd.uniform(0, 360), abs(rnd.gauss(0, 2)))
                                     for lat, lon in walk(steps)]
    tracks['noisy (8 m scatter)'] = [destination(lat, lon, rnd.uniform(0, 360), abs(rnd.gauss(0, 8)))
                                     for lat, lon in walk([(60.0, 4.0)] * 2000)]
    tracks['zigzag (switchbacks)'] = walk([(20.0 if (i // 40) % 2 else 160.0, 5.0) for i in range(2000)])
    tracks['loop (500 m circle)'] = walk([(i * 360.0 / 1571, 2.0) for i in range(1600)])
    before = walk([(90 + 20 * math.sin(i / 30), 5.0) for i in range(1000)] + [(0.0, 15.0)] * 5)
    after = walk([(200 + 15 * math.sin(i / 40), 5.0) for i in range(1000)], destination(*before[-1], 45, 50000))
    tracks['long jump (50 km gap)'] = before + after
    return tracks


def parse_route(path):
    with open(path, encoding='ascii') as f:
        return [(float(r[2]), float(r[3])) for r in (line.split(',') for line in f) if r[0] == 'W']


def convert(track_path, *options):
    subprocess.run([CONVERT, '-q', '--method', 'bounded', '--max-meters', '2147483647', *options, track_path],
                   check=False)
    base = track_path[:-5] if track_path.endswith('.nmea') else track_path[:-4]
    return parse_route(base + 'F.rt2')


def kept_indices(points, route):
    """The track indices of the route's records, matched in order by their printed values."""
    indices, at = [], 0
    for w in route:
        key = '%10.6f,%11.6f' % w
        while '%10.6f,%11.6f' % points[at] != key:
            at += 1
        indices.append(at)
        at += 1
    # The last record is the last point, though an earlier point may print the same.
    indices[-1] = len(points) - 1
    return indices


def max_deviation(units, kept):
    """Largest deviation of the points from the route through the kept ones (by index)."""
    worst = 0.0
    for first, last in zip(kept, kept[1:]):
        for i in range(first + 1, last):
            worst = max(worst, arc_deviation(units[first], units[last], units[i]))
    return worst


def main():
    work = tempfile.mkdtemp(prefix='wayfold-quality-')
    tracks = []   # (name, points, path, slack)
    for name, points in generated().items():
        path = os.path.join(work, 'gen%d.plt' % len(tracks))
        with open(path, 'w', newline='') as f:
            f.write('OziExplorer Track Point File Version 2.1\r\nWGS 84\r\nAltitude is in Feet\r\n'
                    'Reserved 3\r\n0,2,255,track,0,0,2,8421376\r\n0\r\n')
            for lat, lon in points:
                f.write('%.10f,%.10f,0,-777,40000.0,01-Jan-24,00:00:00\r\n' % (lat, lon))
        tracks.append((name, points, path, 0.0))
    if os.path.isdir(SAMPLES):
        for name in sorted(os.listdir(SAMPLES)):
            if name.rsplit('.', 1)[-1] not in ('gpx', 'mps', 'plt', 'nmea'):
                continue
            path = os.path.join(work, name)
            with open(os.path.join(SAMPLES, name), 'rb') as src, open(path, 'wb') as dst:
                dst.write(src.read())
            points = convert(path, '--max-ort-error', '-1')
            if len(points) >= 3:
                tracks.append((name, points, path, SAMPLE_SLACK))

    print('| track | points | tolerance m | waypoints | largest deviation m | DP waypoints | ratio |')
    print('|---|---|---|---|---|---|---|')
    failures = []
    for name, points, path, slack in tracks:
        units = [unit(*p) for p in points]
        for tolerance in TOLERANCES:
            route = convert(path, '--max-ort-error', str(tolerance))
            kept = kept_indices(points, route)
            worst = max_deviation(units, kept)
            dp = douglas_peucker(units, tolerance)
            ratio = len(route) / dp
            print('| %s | %d | %d | %d | %.2f | %d | %.2f |' % (name, len(points), tolerance, len(route), worst, dp, ratio))
            if worst > tolerance + slack + ROUNDING:
                failures.append('%s at %d m: deviation %.3f m' % (name, tolerance, worst))
            if len(points) >= 100 and ratio > 1.05:
                failures.append('%s at %d m: %d waypoints, %.2f x DP' % (name, tolerance, len(route), ratio))
    print()
    print('\n'.join(failures) if failures else 'All targets met.')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
