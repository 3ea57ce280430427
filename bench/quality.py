#!/usr/bin/env python3
"""The bounded thinning against its promise, against the fewest waypoints that keep it, and
against Douglas-Peucker; beside it a prototype of a better rule (bounded_prototype.py).
  bench/quality.py [WAYFOLD_CONVERT] [SAMPLES_FOLDER]
  bench/quality.py --selfcheck     the fewest waypoints against brute force, small tracks
  bench/quality.py --monotone [WAYFOLD_CONVERT] [SAMPLES_FOLDER]
                                   where waypoints rise as the whole-metre tolerance grows,
                                   and the --fit budgets halving then misses
For every sample track (default ../shared/samples) and six generated tracks, at tolerances
5, 10, 25, 50 and 150 m, runs `wayfold-convert --method bounded` with --max-meters too large
to bind and prints a Markdown table: points, the fewest waypoints possible, the bounded
method's, Douglas-Peucker's and the prototype's, each over the fewest, and the largest
deviation of a track point from the bounded method's and the prototype's route, then the
median and worst ratios. Exits 1 when a deviation exceeds the tolerance, when on a track of
at least 100 points the bounded method keeps more than 1.05 times Douglas-Peucker's
waypoints, or when the prototype misses its targets: at most 1.03 times the fewest at the
median and 1.15 at worst over the real tracks of at least 1000 points.

Deviation: the distance from a point to the great-circle arc between the two waypoints it
lies between, or to the nearer end when its foot falls outside the arc, on a sphere of
6,371,032 m; the waypoints as the route file writes them (six decimals), the track's points
as read: a sample's by the reference readers (tests/differential/reference.py), a generated
one's as written here (10 decimals). "The fewest" is for that same promise: the shortest
path over the legs between written waypoints that keep every point within the tolerance
(the bounded method and the prototype keep 8 cm inside it instead, measuring from the kept
points at full precision: on sbn-v13.gpx and garmin-edge-800-output.gpx that alone needs up
to 2.3% more waypoints at 5 m, 1% at 10 m and none from 25 m on). A micrometre is allowed for the
rounding of two computations."""
import io, math, multiprocessing, os, random, re, statistics, subprocess, sys, tempfile

R = 6371032.0
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ARGS = [a for a in sys.argv[1:] if not a.startswith('--')]
CONVERT = ARGS[0] if ARGS else os.path.join(ROOT, 'build/native/wayfold-convert')
SAMPLES = ARGS[1] if len(ARGS) > 1 else os.path.join(ROOT, '..', 'shared', 'samples')
TOLERANCES = (5, 10, 25, 50, 150)
# The prototype's targets, over the real tracks of at least TARGET_POINTS points.
TARGET_MEDIAN, TARGET_WORST, TARGET_POINTS = 1.03, 1.15, 1000
# The method keeps this much inside the tolerance for the six written decimals.
WRITTEN_SLACK = 0.08
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


def written(lat, lon):
    """The unit vector of a point as the route file writes it, to six decimals."""
    return unit(float('%.6f' % lat), float('%.6f' % lon))


# The azimuth tests below are kept this far on the safe side (metres): a cone widened by it
# rejects a leg or ends a search, one narrowed by it accepts a leg, so the rounding of either
# never decides a leg the exact measure would decide otherwise; in between it decides.
CONE_SLACK = 0.001
# Legs from this long on are always checked point by point (the cone's reasoning wants legs
# far below a quarter of the earth's circumference).
CONE_LEG_LIMIT = 1000000.0


def scan(ends, inner, i, tolerance, stop, max_meters=math.inf, give_up=None):
    """The ends j (i < j < stop) of the legs from ends[i] that keep every inner[k], i < k < j,
    within tolerance and are at most max_meters long (a leg between neighbours always counts),
    the last j tried, and the number of points checked one by one. With give_up, the search
    also ends after that many points in a row that end no good leg.

    The search ends when no later end can work, by the cone of allowed directions. Seen from
    the start a on the sphere, a point k at distance s > tolerance lies within tolerance of
    the great circle leaving a at azimuth t exactly when sin(s) sin|t - t_k| <= sin(tolerance)
    (a right spherical triangle; angles in earth radii), so, for the foot to lie ahead of a,
    |t - t_k| <= h_k = asin(sin(tolerance) / sin(s)) < 90 degrees. A leg's deviation is never
    below the distance to its great circle, and a point whose foot falls behind a is farther
    than s from the leg's far end too, so every good leg points into the intersection of the
    passed points' intervals; once that is empty no leg from a past this point can be good.
    The azimuth t_k is exact on the sphere: the angle of k's component along the east and
    north unit vectors at a (the direction of the great circle from a to k). Each interval
    is under 180 degrees wide and the first lies within 90 degrees of the first constrained
    point's azimuth, so the intersection stays one interval relative to that reference.
    (Wide: the points beyond tolerance + 2 mm, half-angles for tolerance + 1 mm; narrow:
    every point beyond tolerance, half-angles for tolerance - 1 mm.)
    A leg into the narrowed intersection that is at least as long as the point is far has
    that point's foot on the leg and accepts it; other points are measured exactly."""
    a = ends[i]
    ax, ay, az = a
    found = [i + 1] if i + 1 < stop else []
    checks = 0
    cos_lat = math.hypot(ax, ay)
    cone = cos_lat > 1e-9 and tolerance > 10 * CONE_SLACK
    if cone:
        ex, ey = -ay / cos_lat, ax / cos_lat
        nx, ny, nz = -az * ax / cos_lat, -az * ay / cos_lat, cos_lat
        sin_wide = math.sin((tolerance + CONE_SLACK) / R)
        sin_narrow = math.sin((tolerance - CONE_SLACK) / R)
    reference = None            # the first constrained point's azimuth
    # Relative to the reference: a good leg's foot for that point lies ahead, so within
    # 90 degrees of it; every later interval, under 180 degrees wide, meets that half
    # circle in one piece.
    wide_lo = narrow_lo = -math.pi / 2
    wide_hi = narrow_hi = math.pi / 2
    constrained = []            # (k, distance from a) of the points beyond tolerance
    farthest = 0.0
    for j in range(i + 1, stop):
        if j > i + 1:
            b = ends[j]
            bx, by, bz = b
            cx, cy, cz = ay * bz - az * by, az * bx - ax * bz, ax * by - ay * bx
            length = math.atan2(math.sqrt(cx * cx + cy * cy + cz * cz), ax * bx + ay * by + az * bz) * R
            if length <= max_meters:
                good, inside = None, False
                if not constrained:
                    good = True
                elif cone:
                    t = math.atan2(bx * ex + by * ey, bx * nx + by * ny + bz * nz) - reference
                    t = t - 2 * math.pi if t > math.pi else t + 2 * math.pi if t < -math.pi else t
                    if not wide_lo <= t <= wide_hi:
                        good = False
                    else:
                        inside = narrow_lo <= t <= narrow_hi and length < CONE_LEG_LIMIT
                        if inside and length >= farthest:
                            good = True
                if good is None:
                    good = True
                    for k, s in reversed(constrained):
                        if not (inside and s <= length):
                            checks += 1
                            if arc_deviation(a, b, inner[k]) > tolerance:
                                good = False
                                break
                if good:
                    found.append(j)
        if give_up is not None and j - found[-1] >= give_up:
            return found, j, checks
        # j lies between a and every later end.
        px, py, pz = inner[j]
        cx, cy, cz = ay * pz - az * py, az * px - ax * pz, ax * py - ay * px
        sin_s = math.sqrt(cx * cx + cy * cy + cz * cz)
        s = math.atan2(sin_s, ax * px + ay * py + az * pz) * R
        if s <= tolerance:
            continue
        constrained.append((j, s))
        farthest = max(farthest, s)
        if not cone:
            continue
        t = math.atan2(px * ex + py * ey, px * nx + py * ny + pz * nz)
        if reference is None:
            reference = t
        t -= reference
        t = t - 2 * math.pi if t > math.pi else t + 2 * math.pi if t < -math.pi else t
        half = math.asin(min(1.0, sin_narrow / sin_s))
        narrow_lo, narrow_hi = max(narrow_lo, t - half), min(narrow_hi, t + half)
        if s > tolerance + 2 * CONE_SLACK:
            half = math.asin(min(1.0, sin_wide / sin_s))
            wide_lo, wide_hi = max(wide_lo, t - half), min(wide_hi, t + half)
            if wide_lo > wide_hi:
                return found, j, checks
    return found, stop - 1, checks


def minimum(ends, inner, tolerance, max_meters=math.inf):
    """The fewest waypoints (first and last kept) that keep every inner point within tolerance
    of the legs between the ends of the waypoints: shortest path from the first point to the
    last over the good legs, each start's legs found by scan. Returns (count, indices)."""
    n = len(inner)
    count, before = [n + 1] * n, [-1] * n
    count[0] = 1
    for i in range(n - 1):
        for j in scan(ends, inner, i, tolerance, n, max_meters)[0]:
            if count[i] + 1 < count[j]:
                count[j], before[j] = count[i] + 1, i
    path = [n - 1]
    while path[-1]:
        path.append(before[path[-1]])
    return count[n - 1], path[::-1]


def brute_minimum(ends, inner, tolerance):
    """The same by trying every subset of the inner points as waypoints, each leg measured
    point by point."""
    n = len(inner)
    good = [[all(arc_deviation(ends[i], ends[j], inner[k]) <= tolerance for k in range(i + 1, j))
             for j in range(n)] for i in range(n)]
    best = n
    for mask in range(1 << (n - 2)):
        kept = [0] + [k + 1 for k in range(n - 2) if mask >> k & 1] + [n - 1]
        if len(kept) < best and all(good[i][j] for i, j in zip(kept, kept[1:])):
            best = len(kept)
    return best


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


def selfcheck(trials=400):
    """minimum against brute_minimum on small random tracks (3 to 12 points) whose steps are
    near the tolerance, with turns, reversals and repeated points; exact and written ends."""
    rnd = random.Random(7)
    for trial in range(trials):
        tolerance = rnd.choice((5.0, 10.0, 25.0))
        heading, steps = rnd.uniform(0, 360), []
        for _ in range(rnd.randint(2, 11)):
            heading += rnd.choice((rnd.gauss(0, 30), rnd.gauss(0, 90), 180.0))
            steps.append((heading, 0.0 if rnd.random() < 0.1 else rnd.uniform(0.3, 2.5) * tolerance))
        points = walk(steps, (rnd.uniform(-70, 70), rnd.uniform(-180, 180)))
        inner = [unit(*p) for p in points]
        for ends in (inner, [written(*p) for p in points]):
            fast, brute = minimum(ends, inner, tolerance)[0], brute_minimum(ends, inner, tolerance)
            if fast != brute:
                print('selfcheck: track %d (%r, %g m): %d waypoints, brute force %d' % (trial, points, tolerance, fast, brute))
                return 1
    print('selfcheck: minimum agrees with brute force on %d tracks' % trials)
    return 0


def parse_route(path):
    with open(path, encoding='ascii') as f:
        return [(float(r[2]), float(r[3])) for r in (line.split(',') for line in f) if r[0] == 'W']


def convert(track_path, *options):
    """The route's records, written into a folder of its own (runs may go side by side)."""
    out = tempfile.mkdtemp(prefix='wayfold-quality-route-')
    subprocess.run([CONVERT, '-q', '-o', out, '--method', 'bounded', '--max-meters', '2147483647', *options,
                    track_path], check=False)
    name = os.path.basename(track_path)
    return parse_route(os.path.join(out, os.path.splitext(name)[0] + 'F.rt2'))


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


def max_deviation_ends(ends, inner, kept):
    """Largest deviation of the inner points from the legs between the ends of the kept ones."""
    return max([arc_deviation(ends[i], ends[j], inner[k]) for i, j in zip(kept, kept[1:]) for k in range(i + 1, j)] + [0.0])


def read_sample(path):
    """The points the converter delivers from a sample file, at full precision, by the
    reference readers; None for a format they do not read."""
    sys.path.insert(0, os.path.join(ROOT, 'tests', 'differential'))
    import reference as ref
    stem, ending = os.path.splitext(path)
    ending = ending.lower()
    # FIT and TCX by the points GPSBabel wrote beside them (nine decimals, well inside the
    # 8 cm the method keeps), IGC's B records, KML's coordinates and GeoJSON's lines by hand;
    # the converter reads the files themselves.
    if ending in ('.fit', '.tcx') and os.path.exists(stem + '.points.gpx'):
        with open(stem + '.points.gpx', 'rb') as f:
            return list(ref.gpx_points(io.BytesIO(f.read()), []))
    if ending == '.igc':
        points = []
        with open(path, 'rb') as f:
            for line in f:
                if line.startswith(b'B') and len(line) >= 24:
                    lat = int(line[7:9]) + int(line[9:14]) / 60000.0
                    lon = int(line[15:18]) + int(line[18:23]) / 60000.0
                    points.append((-lat if line[14:15] == b'S' else lat, -lon if line[23:24] == b'W' else lon))
        return points
    if ending == '.kml':
        # Every line's <coordinates> (lon,lat[,alt] apart by spaces) and <gx:coord> (lon lat alt),
        # in order; points (<Point>) are places, not a track.
        with open(path, encoding='utf-8') as f:
            text = f.read()
        points = []
        for m in re.finditer(r'<LineString>.*?<coordinates>(.*?)</coordinates>|<gx:coord>(.*?)</gx:coord>', text, re.S):
            if m.group(1) is not None:
                points += [(float(c.split(',')[1]), float(c.split(',')[0])) for c in m.group(1).split()]
            elif m.group(2).split():
                points.append((float(m.group(2).split()[1]), float(m.group(2).split()[0])))
        return points
    if ending == '.geojson':
        import json
        with open(path, encoding='utf-8') as f:
            features = json.load(f).get('features', [])
        points = []
        for feature in features:
            geometry = feature.get('geometry') or {}
            lines = {'LineString': [geometry.get('coordinates')], 'MultiLineString': geometry.get('coordinates')}.get(geometry.get('type'), [])
            points += [(c[1], c[0]) for line in lines for c in line]
        return points
    fmt = {'.gpx': ref.GPX, '.mps': ref.MPS, '.plt': ref.PLT, '.nmea': ref.NMEA}.get(ending)
    if fmt is None:
        return None
    with open(path, 'rb') as f:
        s = io.BytesIO(f.read())
    if (fmt == ref.PLT and ref.plt_header(s)) or (fmt == ref.MPS and ref.mps_header(s)):
        return []
    readers = {ref.PLT: ref.plt_points, ref.GPX: ref.gpx_points, ref.NMEA: ref.nmea_points, ref.MPS: ref.mps_points}
    return list(readers[fmt](s, []))


def tracks_to_measure():
    """(name, points, path of a copy the converter reads, real) for every track."""
    work = tempfile.mkdtemp(prefix='wayfold-quality-')
    tracks = []
    for name, points in generated().items():
        path = os.path.join(work, 'gen%d.plt' % len(tracks))
        with open(path, 'w', newline='') as f:
            f.write('OziExplorer Track Point File Version 2.1\r\nWGS 84\r\nAltitude is in Feet\r\n'
                    'Reserved 3\r\n0,2,255,track,0,0,2,8421376\r\n0\r\n')
            for lat, lon in points:
                f.write('%.10f,%.10f,0,-777,40000.0,01-Jan-24,00:00:00\r\n' % (lat, lon))
        tracks.append((name, [(float('%.10f' % lat), float('%.10f' % lon)) for lat, lon in points], path, False))
    if os.path.isdir(SAMPLES):
        modern = os.path.join(SAMPLES, 'modern')
        names = sorted(os.listdir(SAMPLES))
        if os.path.isdir(modern):
            names += [os.path.join('modern', n) for n in sorted(os.listdir(modern))]
        for name in names:
            if name.endswith(('.points.gpx', '.igc.kml')):
                continue    # a twin of another sample
            points = read_sample(os.path.join(SAMPLES, name))
            if points is None or len(points) < 3:
                continue
            path = os.path.join(work, os.path.basename(name))
            with open(os.path.join(SAMPLES, name), 'rb') as src, open(path, 'wb') as dst:
                dst.write(src.read())
            tracks.append((name, points, path, True))
    return tracks


def measure(job):
    """One track at one tolerance: the row's figures."""
    name, points, path, real, tolerance = job
    import bounded_prototype
    inner = [unit(*p) for p in points]
    ends = [written(*p) for p in points]
    fewest = minimum(ends, inner, tolerance)[0]
    bounded = kept_indices(points, convert(path, '--max-ort-error', str(tolerance)))
    prototype, cost = bounded_prototype.thin(inner, ends, tolerance - WRITTEN_SLACK)
    return {'name': name, 'points': len(points), 'real': real, 'tolerance': tolerance, 'fewest': fewest,
            'bounded': len(bounded), 'bounded_dev': max_deviation_ends(ends, inner, bounded),
            'dp': douglas_peucker(inner, tolerance), 'prototype': len(prototype),
            'prototype_dev': max_deviation_ends(ends, inner, prototype),
            'scanned': cost['scanned'] / len(points), 'checked': cost['checked'] / len(points),
            'searches': cost['searches']}


def summary(rows, label):
    """Median and worst of each method's waypoints over the fewest."""
    if not rows:
        return {}
    out = {}
    for key in ('bounded', 'dp', 'prototype'):
        r = [row[key] / row['fewest'] for row in rows]
        out[key] = (statistics.median(r), max(r))
    print('| %s | %.3f / %.3f | %.3f / %.3f | %.3f / %.3f |' % ((label,) + out['bounded'] + out['dp'] + out['prototype']))
    return out


MONOTONE_UP_TO = 150


def sweep(job):
    """The converter's waypoints at every whole metre 0..MONOTONE_UP_TO, and the --fit N for
    which halving (as the converter searches: -1..20,100,000 on whole metres, taking the
    smaller half when N waypoints suffice) does not find the smallest whole metre."""
    name, points, path, real = job
    counts = {}

    def count(tolerance):
        if tolerance not in counts:
            counts[tolerance] = len(convert(path, '--max-ort-error', str(tolerance)))
        return counts[tolerance]
    ours = [count(t) for t in range(0, MONOTONE_UP_TO + 1)]
    misses = []
    for fit in range(max(2, ours[-1]), ours[0] + 1):
        too_small, fits = -1, 20100000
        while fits - too_small > 1:
            middle = too_small + (fits - too_small) // 2
            if count(middle) <= fit:
                fits = middle
            else:
                too_small = middle
        smallest = next(t for t in range(0, fits + 1) if count(t) <= fit)
        if smallest != fits:
            misses.append((fit, fits, smallest))
    return name, ours, misses, ours[0] - max(2, ours[-1]) + 1


def monotone():
    """On the sample tracks, where the converter's count rises as the whole-metre tolerance
    grows, and the budgets for which --fit's halving misses the smallest whole metre."""
    jobs = sorted((t for t in tracks_to_measure() if t[3]), key=lambda t: -len(t[1]))
    with multiprocessing.Pool(2) as pool:
        results = pool.map(sweep, jobs, chunksize=1)
    rises = misses = budgets = 0
    for name, ours, missed, tried in results:
        up = ['%d m %d -> %d m %d' % (t, a, t + 1, b) for t, (a, b) in enumerate(zip(ours, ours[1:])) if b > a]
        rises += len(up)
        misses += len(missed)
        budgets += tried
        print('%s: %d rises%s; --fit N missing the smallest whole metre: %s' % (
            name, len(up), (' (' + ', '.join(up) + ')') if up else '',
            ', '.join('N %d: %d m, not %d m' % m for m in missed) if missed else 'none'))
    print('%d rises; halving misses the smallest whole metre for %d of %d budgets' % (rises, misses, budgets))
    return 0


def main():
    jobs = [t + (tolerance,) for t in tracks_to_measure() for tolerance in TOLERANCES]
    with multiprocessing.Pool(2) as pool:
        rows = pool.map(measure, jobs, chunksize=1)
    print('| track | points | tolerance m | fewest | bounded | ÷ fewest | DP | ÷ fewest | prototype | ÷ fewest |'
          ' largest deviation m, bounded / prototype | prototype searched, checked a point |')
    print('|---|---|---|---|---|---|---|---|---|---|---|---|')
    failures = []
    for r in rows:
        print('| %s | %d | %d | %d | %d | %.3f | %d | %.3f | %d | %.3f | %.2f / %.2f | %.1f, %.1f |' % (
            r['name'], r['points'], r['tolerance'], r['fewest'], r['bounded'], r['bounded'] / r['fewest'], r['dp'],
            r['dp'] / r['fewest'], r['prototype'], r['prototype'] / r['fewest'], r['bounded_dev'], r['prototype_dev'],
            r['scanned'], r['checked']))
        for key in ('bounded_dev', 'prototype_dev'):
            if r[key] > r['tolerance'] + ROUNDING:
                failures.append('%s at %d m: %s %.3f m' % (r['name'], r['tolerance'], key, r[key]))
        if r['points'] >= 100 and r['bounded'] > 1.05 * r['dp']:
            failures.append('%s at %d m: %d waypoints, %.2f x DP' % (r['name'], r['tolerance'], r['bounded'], r['bounded'] / r['dp']))
    print()
    print('| tracks | bounded ÷ fewest, median / worst | DP ÷ fewest | prototype ÷ fewest |')
    print('|---|---|---|---|')
    big = summary([r for r in rows if r['real'] and r['points'] >= TARGET_POINTS], 'real, at least %d points' % TARGET_POINTS)
    summary([r for r in rows if r['real']], 'real, all')
    summary([r for r in rows if not r['real']], 'generated')
    if big and (big['prototype'][0] > TARGET_MEDIAN or big['prototype'][1] > TARGET_WORST):
        failures.append('prototype: median %.3f, worst %.3f times the fewest' % big['prototype'])
    print()
    print('\n'.join(failures) if failures else 'All targets met.')
    return 1 if failures else 0


if __name__ == '__main__':
    if '--selfcheck' in sys.argv:
        sys.exit(selfcheck())
    if '--monotone' in sys.argv:
        sys.exit(monotone())
    sys.exit(main())
