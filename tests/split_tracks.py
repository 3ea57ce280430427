"""Files of several tracks in every format that marks tracks: without --split one route, its
track count, longest leg and note; with --split one route pair a track, each holding that
track's points alone, in order. The points lie 2 km apart, so that every one is a waypoint
and a route's W records are its track's points; legs are measured here on the thinning's
sphere from the W records as written.

usage: split_tracks.py WAYFOLD_CONVERT
"""
import json, math, os, re, struct, subprocess, sys, tempfile

CONVERT = sys.argv[1]
RADIUS = 6371032.0


def points(track, count):
    return [(40 + track + i * 0.02, 10 + track * 0.5 + i * 0.005) for i in range(count)]


def gpx(tracks, tag='trk', point='trkpt'):
    inner = lambda ps: ''.join('<%s lat="%.6f" lon="%.6f"><ele>1</ele></%s>' % (point, a, o, point) for a, o in ps)
    segs = lambda n: ''.join('<trkseg>%s</trkseg>' % inner(ps) for ps in n) if tag == 'trk' else inner(n[0])
    # Each track begins with a point without latitude, passed over as part of it.
    body = ''.join('<%s><name>k</name><%s lon="1"/>%s</%s>' % (tag, point, segs(n), tag) for n in tracks)
    return '<?xml version="1.0"?><gpx><trk><trkseg></trkseg></trk>' + body + '</gpx>'


def plt(counts):
    lines = ['%.6f,%.6f,%d,-777,0,,' % (a, o, 1 if i == 0 else 0)
             for t, n in enumerate(counts) for i, (a, o) in enumerate(points(t, n))]
    return 'OziExplorer Track Point File Version 2.1\r\nWGS 84\r\nx\r\n0\r\n0\r\n0\r\n' + '\r\n'.join(lines) + '\r\n'


def kml(counts):
    marks = ''.join('<Placemark><name>t</name><LineString><coordinates>%s</coordinates></LineString></Placemark>'
                    % ' '.join('%.6f,%.6f,0' % (o, a) for a, o in points(t, n)) for t, n in enumerate(counts))
    return ('<kml><Document>%s'
            '</Document></kml>' % marks)


def geojson(lines):
    feats = []
    for t, n in enumerate(lines):
        ps = [[o, a] for a, o in points(t, sum(n))]
        parts = [ps[sum(n[:k]):sum(n[:k + 1])] for k in range(len(n))]
        g = {'type': 'LineString', 'coordinates': ps} if len(n) == 1 else {'type': 'MultiLineString', 'coordinates': parts}
        feats.append({'type': 'Feature', 'properties': {'type': 'LineString'}, 'geometry': g})
    return json.dumps({'type': 'FeatureCollection', 'features': feats})


def tcx(activities, courses):
    tp = lambda ps: '<Track>%s</Track>' % ''.join(
        '<Trackpoint><Position><LatitudeDegrees>%.6f</LatitudeDegrees><LongitudeDegrees>%.6f</LongitudeDegrees>'
        '</Position></Trackpoint>' % p for p in ps)
    out, t = '', 0
    for laps in activities:
        ps = points(t, sum(laps))
        out += '<Activity Sport="Biking">%s</Activity>' % ''.join(
            '<Lap>%s</Lap>' % tp(ps[sum(laps[:k]):sum(laps[:k + 1])]) for k in range(len(laps)))
        t += 1
    courses_text = ''
    for n in courses:
        courses_text += '<Course><Name>c</Name><Lap></Lap>%s</Course>' % tp(points(t, n))
        t += 1
    return ('<TrainingCenterDatabase><Activities>%s</Activities><Courses>%s</Courses></TrainingCenterDatabase>'
            % (out, courses_text)).encode()


def mps(counts):
    data = bytearray(b'MsRcd\0' + struct.pack('<i', 3) + b'Dabc')
    for k, n in enumerate(counts):
        body = bytearray(b'track\0' + bytes(5) + struct.pack('<i', n))
        for p in points(k - counts[:k].count(0), n):
            body += struct.pack('<ii', *[round(v / 180 * 2**31) for v in p]) + bytes(23)
        data += struct.pack('<i', len(body)) + b'T' + body
    return bytes(data)


# (file, content, options, points of each track as written; a track of 2 fails)
CASES = [
    ('days.gpx', gpx([[points(0, 4), points(0, 7)[4:]], [points(1, 5)]]), [], [7, 5]),
    ('routes.gpx', gpx([[points(0, 3)], [points(1, 4)]], 'rte', 'rtept'), ['--gpx-points', 'route'], [3, 4]),
    ('log.plt', plt([4, 3, 5]), [], [4, 3, 5]),
    ('short.plt', plt([4, 2, 5]), [], [4, 2, 5]),
    ('marks.kml', kml([4, 6]), [], [4, 6]),
    ('lines.geojson', geojson([[3], [2, 3]]), [], [3, 5]),
    ('rides.tcx', tcx([[3, 2], [4]], [3]), [], [5, 4, 3]),
    ('days.mps', mps([3, 0, 4]), [], [3, 4]),
    ('one.plt', plt([5]), [], [5]),
]


def waypoints(path):
    if not os.path.exists(path):
        return []
    with open(path) as f:
        return [(float(r[2]), float(r[3])) for r in (line.split(',') for line in f) if r[0] == 'W']


def distance(a, b):
    p1, p2, dl = math.radians(a[0]), math.radians(b[0]), math.radians(b[1] - a[1])
    h = math.sin((p2 - p1) / 2) ** 2 + math.cos(p1) * math.cos(p2) * math.sin(dl / 2) ** 2
    return 2 * RADIUS * math.asin(math.sqrt(h))


def run(folder, *args):
    return subprocess.run([CONVERT, *args], cwd=folder, capture_output=True, text=True)


def check(name, content, options, counts, folder):
    faults = []
    mode = 'wb' if isinstance(content, bytes) else 'w'
    with open(os.path.join(folder, name), mode) as f:
        f.write(content)
    stem = name.rsplit('.', 1)[0]
    fails = [t + 1 for t, n in enumerate(counts) if n < 3]
    expected = [p for t, n in enumerate(counts) for p in points(t, n)]
    # Joined: every point once, in order; the count, the longest leg and the note.
    done = run(folder, *options, '--report=json', name)
    report = json.loads(done.stdout)
    route = waypoints(os.path.join(folder, stem + 'F.rt2'))
    longest = max(distance(a, b) for a, b in zip(route, route[1:]))
    keys = list(report)
    if route != [(round(a, 6), round(o, 6)) for a, o in expected]: faults.append('joined route is not every point')
    if report['tracks'] != len(counts): faults.append('tracks %s' % report['tracks'])
    if abs(report['longest_leg_m'] - longest) > 0.5: faults.append('longest leg %s, measured %.3f' % (report['longest_leg_m'], longest))
    if keys[keys.index('passed_over') + 1:keys.index('waypoints')] != ['tracks', 'longest_leg_m']: faults.append('key order')
    note = r'%s: %d tracks joined into one route \(longest leg %.1f km\); --split' % (re.escape(name), len(counts), longest / 1000)
    if bool(re.search(note, done.stderr)) != (len(counts) > 1): faults.append('note: ' + done.stderr)
    if 'joined' in run(folder, *options, '-q', name).stderr: faults.append('note under -q')
    # Split: one pair a track, each its own points; a short track fails alone, named.
    done = run(folder, *options, '-q', '--split', '--report=json', name)
    reports = [json.loads(line) for line in done.stdout.splitlines()]
    if done.returncode != (10 if fails else 0): faults.append('split exit %d' % done.returncode)
    if [r['track_number'] for r in reports] != list(range(1, len(counts) + 1)): faults.append('track numbers')
    if [r['points'] for r in reports] != counts: faults.append('points %s' % [r['points'] for r in reports])
    skips = [sum(r['passed_over'].values()) for r in reports]
    if skips != [sum(report['passed_over'].values()) // len(counts)] * len(counts): faults.append('passed over %s' % skips)
    for t, n in enumerate(counts):
        forward, backward = (os.path.join(folder, '%s-%d%s.rt2' % (stem, t + 1, d)) for d in 'FB')
        if t + 1 in fails:
            if os.path.exists(forward): faults.append('failed track %d written' % (t + 1))
            if not re.search(r'%s: track %d: Too short input file! \(2 track points' % (re.escape(name), t + 1), done.stderr):
                faults.append('no failure line: ' + done.stderr)
            continue
        mine = [(round(a, 6), round(o, 6)) for a, o in points(t, n)]
        if waypoints(forward) != mine or waypoints(backward) != mine[::-1]: faults.append('track %d route' % (t + 1))
    return faults


def main():
    failed = 0
    with tempfile.TemporaryDirectory() as top:
        for name, content, options, counts in CASES:
            folder = os.path.join(top, name)
            os.mkdir(folder)
            faults = check(name, content, options, counts, folder)
            print('%-14s %s' % (name, '; '.join(faults) or 'ok'))
            failed += bool(faults)
        # The split names are planned with the rest: two tracks of one name clash before anything is written.
        folder = os.path.join(top, 'days.gpx')
        with open(os.path.join(folder, 'days.plt'), 'w') as f:
            f.write(plt([3, 3]))
        before = sorted(os.listdir(folder))
        done = run(folder, '-q', '--split', 'days.gpx', 'days.plt')
        if done.returncode != 64 or "would both write 'days-2F.rt2'" not in done.stderr or sorted(os.listdir(folder)) != before:
            print('clash of split names not refused: %d %s' % (done.returncode, done.stderr))
            failed += 1
        # FIT files one after another, each a track: two samples' points, as many as each gives alone.
        fits = [os.path.join(os.environ.get('WAYFOLD_SAMPLES', ''), 'modern', n) for n in ('forerunner-10.fit', 'wahoo-element-bolt.fit')]
        if all(map(os.path.exists, fits)):
            alone = [json.loads(run(top, '-q', '--report=json', '-o', top, f).stdout)['points'] for f in fits]
            with open(os.path.join(top, 'chain.fit'), 'wb') as f:
                f.write(b''.join(open(fit, 'rb').read() for fit in fits))
            reports = [json.loads(line) for line in run(top, '-q', '--split', '--report=json', 'chain.fit').stdout.splitlines()]
            if [(r['points'], r['tracks']) for r in reports] != [(n, 2) for n in alone]:
                print('FIT chain: %s, alone %s' % ([(r['points'], r['tracks']) for r in reports], alone))
                failed += 1
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
