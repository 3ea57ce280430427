#!/usr/bin/env python3
"""The readers of FIT, TCX, KML, GeoJSON and IGC against other programs' reading of the same
tracks, point by point:
    tests/modern_readers.py TRACK_POINTS
TRACK_POINTS (tests/track_points.cpp) prints what a reader delivers. The samples in
$WAYFOLD_SAMPLES/modern must give their twins' positions (GPSBabel's reading, as GPX or KML)
or, without a twin, what Python's own XML and JSON parsers find; the GPX samples written by
gpsbabel as KML, TCX, GeoJSON and IGC must give back their track points within the precision
gpsbabel writes. Skips (77) when the samples are absent."""
import json, os, pathlib, shutil, subprocess, sys, tempfile
import xml.etree.ElementTree as ET

samples = pathlib.Path(os.environ.get('WAYFOLD_SAMPLES', ''))
if not (samples / 'modern').is_dir():
    print('no samples: skipped')
    sys.exit(77)


def local(element):
    return element.tag.rsplit('}', 1)[-1]


def gpx_points(path, tag='trkpt'):
    return [(float(e.get('lat')), float(e.get('lon'))) for e in ET.parse(path).iter() if local(e) == tag]


def kml_points(path, tracks=None):
    """LineString coordinates and gx:Track coords in document order (only the first `tracks` gx:Tracks)."""
    points, seen = [], 0
    for e in ET.parse(path).iter():
        if local(e) == 'LineString' and tracks is None:
            for c in e.iter():
                if local(c) == 'coordinates':
                    points += [(float(t.split(',')[1]), float(t.split(',')[0])) for t in c.text.split()]
        elif local(e) == 'Track' and (tracks is None or seen < tracks):
            seen += 1
            points += [(float(c.text.split()[1]), float(c.text.split()[0])) for c in e if local(c) == 'coord' and c.text]
    return points


def geojson_points(path):
    points = []
    def walk(value):
        if isinstance(value, dict):
            depth = {'LineString': 1, 'MultiLineString': 2}.get(value.get('type'))
            if depth:
                lines = value['coordinates'] if depth == 2 else [value['coordinates']]
                points.extend((p[1], p[0]) for line in lines for p in line)
            for k, v in value.items():
                if k != 'properties':
                    walk(v)
        elif isinstance(value, list):
            for v in value:
                walk(v)
    walk(json.loads(pathlib.Path(path).read_text()))
    return points


def delivered(fmt, path):
    route = fmt == 'gpx-route'
    out = subprocess.run([sys.argv[1], 'gpx' if route else fmt, str(path)] + ['route'] * route, stdout=subprocess.PIPE, check=True, text=True).stdout.split('\n')
    assert out[0] == 'header 0', (path, out[0])
    points = [tuple(map(float, l.split())) for l in out[1:] if l and (l[0].isdigit() or l[0] == '-')]
    passed = {l.split()[0]: int(l.split()[1]) for l in out[1:] if l and l[0].isalpha()}
    return points, passed


failed = 0
def check(name, fmt, path, expected, tolerance, passed_over=None):
    global failed
    points, passed = delivered(fmt, path)
    far = [i for i, (a, b) in enumerate(zip(points, expected)) if abs(a[0] - b[0]) > tolerance or abs(a[1] - b[1]) > tolerance]
    wrong = len(points) != len(expected) or far or (passed_over is not None and passed != passed_over)
    print('%-45s %5d points %s' % (name, len(points), 'DIFFER' if wrong else 'same'))
    if wrong:
        failed += 1
        print('   expected %d points, first far at %s; passed over %s' % (len(expected), far[:1], passed))
    if not expected:
        failed += 1


m = samples / 'modern'
for fmt, track, expected, passed_over, *tolerance in [
        ('fit', 'fit-sample.fit', gpx_points(m / 'fit-sample.points.gpx'), None),
        ('fit', 'forerunner-10.fit', gpx_points(m / 'forerunner-10.points.gpx'), None),
        ('fit', 'wahoo-element-bolt.fit', gpx_points(m / 'wahoo-element-bolt.points.gpx'), None),
        ('tcx', 'history.tcx', gpx_points(m / 'history.points.gpx'), {'trackpoint_without_position': 3}),
        # The IGC twin is gpsbabel's KML, with 6 decimals.
        ('igc', 'glider.igc', kml_points(m / 'glider.igc.kml', tracks=1), {'other_record': 38}, 5.1e-7),
        ('kml', 'opentracks.kml', kml_points(m / 'opentracks.kml'), {'empty_coord': 2}),
        ('kml', 'segmented-tracks.kml', kml_points(m / 'segmented-tracks.kml'), None),
        ('geojson', 'track.geojson', geojson_points(m / 'track.geojson'), {'other_geometry': 4})]:
    check(track, fmt, m / track, expected, (tolerance or [5e-8])[0], passed_over)

# gpsbabel's writers: KML and TCX keep 6 decimals, GeoJSON 9, IGC thousandths of a minute;
# a GPX route from the track (--gpx-points route) keeps the track's numbers.
if shutil.which('gpsbabel'):
    with tempfile.TemporaryDirectory() as folder:
        for gpx in sorted(samples.glob('*.gpx')):
            for fmt, writer, tolerance in [('kml', 'kml', 5.1e-7), ('tcx', 'gtrnctr', 5.1e-7), ('geojson', 'geojson', 5.1e-9),
                                           ('igc', 'igc', 0.51 / 60000)]:
                out = pathlib.Path(folder) / (gpx.stem + '.' + fmt)
                subprocess.run(['gpsbabel', '-i', 'gpx', '-f', str(gpx), '-o', writer, '-F', str(out)], check=True)
                check('%s by gpsbabel -o %s' % (gpx.name, writer), fmt, out, gpx_points(gpx), tolerance)
            out = pathlib.Path(folder) / (gpx.stem + '-route.gpx')
            subprocess.run(['gpsbabel', '-i', 'gpx', '-f', str(gpx), '-x', 'transform,rte=trk,del', '-o', 'gpx', '-F', str(out)], check=True)
            check('%s as a route by gpsbabel' % gpx.name, 'gpx-route', out, gpx_points(out, 'rtept'), 0)
else:
    print('no gpsbabel: its files untried')
sys.exit(1 if failed else 0)
