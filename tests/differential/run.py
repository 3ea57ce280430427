"""Compares wayfold-convert with the reference implementation on random tracks of all four
formats, damaged at random, under random thresholds: exit status, status text and both
route files must match byte for byte.

usage: run.py WAYFOLD_CONVERT [CASES_PER_FORMAT] [SEED]
"""
import os
import random
import struct
import subprocess
import sys
import tempfile

import reference as ref

THRESHOLDS = [(5, 1000, 5, 50), (0, 100, 2, 5), (20, 300, 45, 10), (2000, 1000, 5, 50),
              (5, -1, 5, 50), (-5, 2147483647, 180, -1), (1, 50, 1, 0), (-2147483648, 0, -7, 2147483647)]
NOISE = [b'\0', b'\r', b'\n', b',', b'*', b'<', b'>', b'-', b'.', b'e', b'\xff', b'\x80', b' ', b'9', b'$GPRMC,', b'trkpt',
         b'T', b'\xff\xff\xff\x7f', b'\x00\x00\x00\x80', b'lat', b'A,']


def walk(rng, n):
    lat, lon, bearing = rng.uniform(-80, 80), rng.uniform(-179, 179), rng.uniform(-180, 180)
    step = rng.choice([1e-5, 5e-5, 3e-4, 0.01, 0.0])
    points = []
    for _ in range(n):
        points.append((lat, lon))
        bearing += rng.gauss(0, rng.choice([1, 5, 40]))
        lat += step * rng.random() * ref.math.cos(bearing * ref.RAD)
        lon += step * rng.random() * ref.math.sin(bearing * ref.RAD)
        if rng.random() < 0.03:
            lat, lon = rng.choice([(90.0, lon), (-89.99999, lon), (lat, lon + 180), (0.0, 0.0)])
    return points


def make_plt(rng, points):
    out = [b'OziExplorer Track Point File Version 2.1', b'WGS 84', b'Altitude is in Feet', b'Reserved 3',
           b'0,2,255,track,0,0,2,8421376', b'%d' % len(points)]
    out += [rng.choice([b'%.6f,%.6f,0,-777,40000.0,,', b'  %.9f, %.4f,1', b'%.2e,%g']) % p for p in points]
    end = rng.choice([b'\r\n', b'\n', b'\r'])
    return end.join(out) + end


def make_gpx(rng, points):
    out = [b'<?xml version="1.0"?>', b'<gpx version="1.1"><trk><name>t</name><trkseg>']
    for lat, lon in points:
        q = rng.choice([b'"', b"'"])
        tag = b'<trkpt lat=%s%.7f%s lon=%s%.7f%s>' % (q, lat, q, q, lon, q) if rng.random() < 0.5 else \
            b'<trkpt lon=%s%.7f%s lat=%s%.7f%s>' % (q, lon, q, q, lat, q)
        out.append(tag + b'<ele>%d</ele><time>2024-01-01T00:00:00Z</time></trkpt>' % rng.randint(-50, 3000))
    return b'\n'.join(out + [b'</trkseg></trk></gpx>']) + b'\n'


def nmea_coord(value, width, pos, neg):
    degrees = int(abs(value))
    return b'%0*d%07.4f,%s' % (width, degrees, (abs(value) - degrees) * 60, pos if value >= 0 else neg)


def make_nmea(rng, points):
    out = []
    for lat, lon in points:
        status = b'A' if rng.random() > 0.05 else b'V'
        body = b'GPRMC,%s,%s,%s,%s,0.5,54.7,191194,020.3,E' % (rng.choice([b'123519', b'123519.00', b'1235', b'12']), status,
                                                              nmea_coord(lat, 2, b'N', b'S'), nmea_coord(((lon + 180) % 360) - 180, 3, b'E', b'W'))
        x = 0
        for b in body:
            x ^= b
        out.append(b'$' + body + rng.choice([b'*%02X' % x, b'*%02x' % x, b'*%02X' % (x ^ 1)] if rng.random() < 0.1 else [b'*%02X' % x]))
        if rng.random() < 0.2:
            out.append(b'$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47')
    return b'\r\n'.join(out) + b'\r\n'


def make_mps(rng, points):
    data = bytearray(b'MsRcd\0' + struct.pack('<i', 3) + b'Dabc')
    for chunk in (points[:len(points) // 2], points[len(points) // 2:]):
        body = bytearray(b'track\0' + bytes(5) + struct.pack('<i', len(chunk)))
        for p in chunk:
            body += struct.pack('<ii', *[max(-2**31, min(2**31 - 1, int(v / 180 * 2**31))) for v in p]) + bytes(23)
        data += struct.pack('<i', len(body)) + b'T' + body + struct.pack('<i', 0) + b'W'
    return bytes(data)


def damage(rng, data):
    data = bytearray(data)
    for _ in range(rng.choice([0, 0, 1, 2, 5, 20])):
        if not data:
            break
        at, kind = rng.randrange(len(data)), rng.random()
        if kind < 0.4:
            data[at] = rng.randrange(256)
        elif kind < 0.7:
            data[at:at] = rng.choice(NOISE)
        elif kind < 0.9:
            del data[at:at + rng.randint(1, 8)]
        else:
            data = data[:at]
    return bytes(data)


def main():
    converter, cases = sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 150
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 2026)
    makers = {ref.GPX: (make_gpx, '.gpx'), ref.MPS: (make_mps, '.mps'), ref.PLT: (make_plt, '.plt'), ref.NMEA: (make_nmea, '.nmea')}
    failures = 0
    with tempfile.TemporaryDirectory(prefix='wayfold-diff-') as folder:
        for fmt, (maker, extension) in makers.items():
            for case in range(cases):
                data = damage(rng, maker(rng, walk(rng, rng.choice([0, 1, 2, 3, 4, 10, 50, 300]))))
                settings = rng.choice(THRESHOLDS)
                path = os.path.join(folder, 'c%d%s' % (case, extension))
                with open(path, 'wb') as f:
                    f.write(data)
                options = ['--%s=%d' % pair for pair in zip(('min-meters', 'max-meters', 'max-degrees', 'max-ort-error'), settings)]
                run = subprocess.run([converter, '--status-text'] + options + [path], capture_output=True)
                got = [run.returncode, run.stdout.decode('utf-8')]
                for output in (path[:-len(extension)] + 'F.rt2', path[:-len(extension)] + 'B.rt2'):
                    got.append(open(output, 'rb').read() if os.path.exists(output) else None)
                want = list(ref.convert(data, fmt, path, settings))
                # A failed conversion leaves no route file behind.
                if want[0] != 0:
                    want[2:] = [None, None]
                if got != want:
                    failures += 1
                    differ = [name for name, g, w in zip(('exit status', 'status text', 'forward', 'backward'), got, want) if g != w]
                    print('MISMATCH %s, thresholds %s: %s\n  input %r\n  got  %r\n  want %r' % (
                        extension, settings, ', '.join(differ), data[:300], got[:2], want[:2]))
                for leftover in os.listdir(folder):
                    os.remove(os.path.join(folder, leftover))
    print('%d cases, %d failed' % (4 * cases, failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
