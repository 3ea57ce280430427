"""Checks wayfold-convert --report=json and --svg against a second computation: the
delivered and kept points come from the plain reference readers and thinning
(differential/reference.py), the waypoints from the route file as written, distances by
haversine and deviations by cross- and along-track angles from bearings. Runs the real
samples (WAYFOLD_SAMPLES, skipped when absent) and generated tracks, checks that the
options leave the route files byte for byte as they were, and renders each picture with
rsvg-convert (when installed): at the first and last waypoint the track must show above the
route and the route beside it, and the inset's frame must be drawn.

usage: report_check.py WAYFOLD_CONVERT
"""
import json, math, os, re, shutil, subprocess, sys, tempfile, zlib

sys.path.insert(0, os.path.join(os.path.dirname(__file__), 'differential'))
import reference as ref

R = ref.EARTH
FORMATS = {'.gpx': ref.GPX, '.mps': ref.MPS, '.plt': ref.PLT, '.nmea': ref.NMEA}


def haversine(a, b):
    (p1, l1), (p2, l2) = [(math.radians(x), math.radians(y)) for x, y in (a, b)]
    h = math.sin((p2 - p1) / 2) ** 2 + math.cos(p1) * math.cos(p2) * math.sin((l2 - l1) / 2) ** 2
    return 2 * math.asin(min(1.0, math.sqrt(h)))


def bearing(a, b):
    (p1, l1), (p2, l2) = [(math.radians(x), math.radians(y)) for x, y in (a, b)]
    return math.atan2(math.sin(l2 - l1) * math.cos(p2), math.cos(p1) * math.sin(p2) - math.sin(p1) * math.cos(p2) * math.cos(l2 - l1))


def deviation(p, a, b):
    ap, bp, ab = haversine(a, p), haversine(b, p), haversine(a, b)
    if ab < 1e-10 or ap < 1e-12 or bp < 1e-12:
        return min(ap, bp) * R
    at_a, at_b = bearing(a, p) - bearing(a, b), bearing(b, p) - bearing(b, a)
    if math.cos(at_a) < 0 or math.cos(at_b) < 0:  # the foot falls beyond an end
        return min(ap, bp) * R
    return abs(math.asin(math.sin(ap) * math.sin(at_a))) * R


def expected(data, fmt, written):
    """Delivered points, kept indexes (reference thinning), and the figures."""
    delivered, kept = [], []

    class Point(tuple):
        pass

    def wrap(f):
        def read(s, job):
            for p in f(s, job):
                q = Point(p)
                q.number = len(delivered) + 1
                delivered.append(q)
                yield q
        return read
    names = ('plt_points', 'gpx_points', 'nmea_points', 'mps_points')
    readers = {n: getattr(ref, n) for n in names}
    for n, f in readers.items():
        setattr(ref, n, wrap(f))
    try:
        ref.convert(data, fmt, 'x', settings=(5, 1000, 5, ORT), waypoints=kept)
    finally:
        for n, f in readers.items():
            setattr(ref, n, f)
    index = [None] * len(delivered)
    for waypoint, p in enumerate(kept, 1):
        index[p.number - 1] = waypoint
    devs, j = [], 0
    for i, p in enumerate(delivered):
        if index[i]:
            j = index[i]
            devs.append(haversine(p, written[j - 1]) * R)
        else:
            devs.append(deviation(p, written[j - 1], written[j]))
    top = max(range(len(devs)), key=lambda i: (devs[i], -i))
    return {'points': len(delivered), 'waypoints': len(written),
            'track_m': sum(haversine(a, b) for a, b in zip(delivered, delivered[1:])) * R,
            'route_m': sum(haversine(a, b) for a, b in zip(written, written[1:])) * R,
            'max_deviation_m': devs[top], 'max_deviation_point': top + 1, 'mean_deviation_m': sum(devs) / len(devs),
            'over_tolerance': sum(d > ORT for d in devs)}, devs


def png_pixels(path):
    """The pixels of an 8-bit PNG as a function of (x, y) giving (r, g, b)."""
    data = open(path, 'rb').read()
    chunks, pos = {}, 8
    while pos < len(data):
        n = int.from_bytes(data[pos:pos + 4], 'big')
        chunks[data[pos + 4:pos + 8]] = chunks.get(data[pos + 4:pos + 8], b'') + data[pos + 8:pos + 8 + n]
        pos += 12 + n
    w, h, kind = int.from_bytes(chunks[b'IHDR'][:4], 'big'), int.from_bytes(chunks[b'IHDR'][4:8], 'big'), chunks[b'IHDR'][9]
    bpp, raw, prev, rows = {2: 3, 6: 4}[kind], zlib.decompress(chunks[b'IDAT']), bytearray(w * 4), []
    for row in range(h):
        f, line = raw[row * (w * bpp + 1)], bytearray(raw[row * (w * bpp + 1) + 1:(row + 1) * (w * bpp + 1)])
        for i in range(len(line)):
            a, b, c = line[i - bpp] if i >= bpp else 0, prev[i], prev[i - bpp] if i >= bpp else 0
            pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
            line[i] = (line[i] + [0, a, b, (a + b) // 2, a if pa <= pb and pa <= pc else b if pb <= pc else c][f]) & 255
        rows.append(line)
        prev = line
    return lambda x, y: tuple(rows[y][x * bpp:x * bpp + 3])


def walk(n, lat, lon, step, seed):
    out, rnd = [], seed
    for i in range(n):
        rnd = (rnd * 1103515245 + 12345) % 2 ** 31
        lat += step * math.cos(i / 40 + rnd / 2 ** 31)
        lon = (lon + step * (1.2 + math.sin(i / 25)) * 3 + 180) % 360 - 180
        out.append(b'%.7f,%.7f,0' % (lat, lon))
    return b'OziExplorer Track Point File Version 2.1\r\nWGS 84\r\nA\r\nR\r\n0,2,255,t,0\r\n%d\r\n' % n + b'\r\n'.join(out) + b'\r\n'


# A tolerance the classic rule overruns, so that points beyond it are counted too.
ORT = 10
ORT_OPTION = '--max-ort-error=%d' % ORT


def main():
    convert, failures = sys.argv[1], []
    cases = {'walk & <co>.plt': walk(3000, 47.1, 8.5, 2e-5, 1), 'date line.plt': walk(800, -16.5, 179.995, 1e-5, 2),
             'pole\'s "cap".plt': walk(500, 89.995, 30, 3e-6, 3), 'one place.plt': walk(50, 10, 20, 0, 4)}
    samples = os.environ.get('WAYFOLD_SAMPLES', '')
    if os.path.isdir(samples):
        for name in sorted(os.listdir(samples)):
            if os.path.splitext(name)[1] in FORMATS:
                cases[name] = open(os.path.join(samples, name), 'rb').read()
    with tempfile.TemporaryDirectory() as work:
        for name, data in cases.items():
            plain, track = os.path.join(work, 'plain'), os.path.join(work, name)
            os.makedirs(plain, exist_ok=True)
            for path in (track, os.path.join(plain, name)):
                open(path, 'wb').write(data)
            subprocess.run([convert, '-q', ORT_OPTION, os.path.join(plain, name)])
            run = subprocess.run([convert, '-q', ORT_OPTION, '--report=json', '--svg', track], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            got = json.loads(run.stdout)
            base = os.path.splitext(track)[0]
            for suffix in ('F.rt2', 'B.rt2'):
                mine, theirs = base + suffix, os.path.join(plain, os.path.basename(base) + suffix)
                if os.path.exists(mine) != os.path.exists(theirs) or (os.path.exists(mine) and open(mine, 'rb').read() != open(theirs, 'rb').read()):
                    failures.append('%s: %s differs with --report --svg' % (name, suffix))
            if got['result'] not in (0, 3, 4):
                if got['max_deviation_m'] is not None:
                    failures.append('%s: figures without a route' % name)
                continue
            written = [(float(f[2]), float(f[3])) for f in (l.split(',') for l in open(base + 'F.rt2', newline='').read().split('\r\n')[3:] if l)]
            want, devs = expected(data, FORMATS[os.path.splitext(name)[1]], written)
            for key, value in want.items():
                tolerance = 0.01 if key.endswith('_m') else 0
                if key == 'max_deviation_point' and abs(devs[got[key] - 1] - want['max_deviation_m']) <= 0.01:
                    continue
                if abs(got[key] - value) > tolerance:
                    failures.append('%s: %s is %s, the check gives %s' % (name, key, got[key], value))
            if shutil.which('rsvg-convert'):
                svg, png = base + '.svg', base + '.png'
                if subprocess.run(['rsvg-convert', '-o', png, svg]).returncode != 0:
                    failures.append('%s: picture not rendered' % name)
                    continue
                text = open(svg, encoding='utf-8').read()
                # At the route's ends the track is drawn above the route (dark), the wide light
                # route and its waypoint dot around it; the inset has its frame.
                pixel = png_pixels(png)
                rings = re.findall(r'<circle cx="([\d.-]+)" cy="([\d.-]+)" r="(?:9|12)"', text)
                for x, y in rings:
                    x, y = round(float(x)), round(float(y))
                    near = [pixel(x + dx, y + dy) for dx in range(-3, 4) for dy in range(-3, 4)]
                    centre = [pixel(x + dx, y + dy) for dx in (-1, 0, 1) for dy in (-1, 0, 1)]
                    # (on a plot of a few metres the six decimals of the route move its ends off the track)
                    if got['track_m'] > 1000 and min(max(p) for p in centre) > 0x80:
                        failures.append('%s: the track is not seen above the route at (%s, %s)' % (name, x, y))
                    if not any(max(abs(a - b) for a, b in zip(p, colour)) <= 12 for p in near for colour in ((0xf5, 0xa3, 0xa3), (0xd6, 0x27, 0x28))):
                        failures.append('%s: no route colour near its end (%s, %s)' % (name, x, y))
                frame = re.search(r'<rect id="inset-frame" x="([\d.]+)" y="([\d.]+)"', text)
                if not frame or max(pixel(int(float(frame.group(1))), int(float(frame.group(2))) + 40)) > 0x60:
                    failures.append('%s: no inset frame in the picture' % name)
                km = re.search(r'text-anchor="middle">([\d.e+]+) (k?m)</text>', text)
                if float(km.group(1)) * (1000 if km.group(2) == 'km' else 1) > max(10.0, want['track_m']):
                    failures.append('%s: scale bar of %s for a track of %.0f m' % (name, km.group(0), want['track_m']))
            print('%-32s %6d points  max %8.3f m  mean %7.3f m' % (name, got['points'], got['max_deviation_m'], got['mean_deviation_m']))
        # All tracks in one run: the same reports, one line each.
        together = subprocess.run([convert, '-q', '--report=json'] + [os.path.join(work, n) for n in cases], stdout=subprocess.PIPE)
        alone = [subprocess.run([convert, '-q', '--report=json', os.path.join(work, n)], stdout=subprocess.PIPE).stdout for n in cases]
        if together.stdout != b''.join(alone):
            failures.append('several tracks in one run report otherwise than one at a time')
    print('\n'.join(failures) or 'all figures agree within 0.01 m; route files unchanged; pictures rendered')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
