"""A second implementation of Wayfold's conversion rules, written plainly in Python from
the rules alone, to compare wayfold-convert against byte for byte.

convert(data, fmt, path, settings) -> (result, status_text, forward_bytes, backward_bytes):
the window's text (CR LF), and the route files or None when they were not created.
The readers are generators of (lat, lon); what a reader passes over never leaves it.
"""
import io
import math
import re
import struct

GPX, MPS, PLT, NMEA = 1, 2, 3, 4
RAD = 0.017453292519943295
DEG = 57.29577951308232
EARTH = 6371032.0
MINUTE = 0.016666666666666666
NUMBER = re.compile(rb'[ \t\n\v\f\r]*([+-]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][+-]?[0-9]+)?)')
HEX = re.compile(rb'[ \t\n\v\f\r]*([+-]?)(?:0[xX])?([0-9a-fA-F]*)')
HEAD = b'H1,OziExplorer CE Route2 File Version 1.0\r\nH2,WGS 84\r\nH3,%sRoute,,0\r\n'


def atof(text):
    m = NUMBER.match(text)
    return float(m.group(1)) if m else 0.0


def in_range(lat, lon):
    return not (lat > 100.0 or lat < -100.0 or lon > 370.0 or lon < -370.0)


def byte(s):
    b = s.read(1)
    return b[0] if b else None


def read_line(s, limit=150):
    """The next non-empty line, cut at limit; None at the end (a last line without its end too)."""
    b = byte(s)
    while b in (0, 10, 13):
        b = byte(s)
    line = bytearray()
    while b is not None and b not in (0, 10, 13):
        if len(line) < limit:
            line.append(b)
        b = byte(s)
    return None if b is None else bytes(line)


def plt_header(s):
    line = read_line(s)
    if line is None:
        return 1
    if line[:28] != b'OziExplorer Track Point File'[:len(line)]:
        return 2
    return 1 if any(read_line(s) is None for _ in range(5)) else 0


def plt_points(s, job):
    while (line := read_line(s)) is not None:
        comma = line.find(b',')
        lat, lon = atof(line), atof(line[comma + 1:])
        if comma >= 0 and in_range(lat, lon):
            yield lat, lon


def read_tag(s):
    """The text of the next tag (at most 998 characters, up to a NUL), or None at the end."""
    b = byte(s)
    while b is not None and b != ord('<'):
        b = byte(s)
    text = bytearray()
    while b is not None and len(text) < 998:
        b = byte(s)
        if b == ord('>'):
            break
        if b is not None:
            text.append(b)
    return None if b is None else bytes(text).split(b'\0')[0]


def number_after(text, name):
    m = re.compile(rb'[-0-9]').search(text, text.find(name)) if name in text else None
    return atof(text[m.start():]) if m else None


def gpx_points(s, job):
    while (tag := read_tag(s)) is not None:
        if b'trkpt' not in tag or b'/trkpt' in tag:
            continue
        lat = number_after(tag, b'lat')
        if lat is None or not in_range(lat, 0):
            continue
        lon = number_after(tag, b'lon')
        if lon is not None and in_range(lat, lon):
            yield lat, lon


def checksum_ok(line):
    star = line.find(b'*')
    if not line.startswith(b'$') or star < 0:
        return False
    x = 0
    for b in line[1:star]:
        x ^= b
    sign, digits = HEX.match(line, star + 1).groups()
    value = (-1 if sign == b'-' else 1) * int(digits or b'0', 16)
    return value == x and (value != 0 or line[star + 1:star + 2] == b'0')


def scan_int(text, width):
    m = re.match(rb'[+-]?[0-9]+', text.lstrip(b' \t\n\v\f\r')[:width])
    return int(m.group(0)) if m else 0


def comma_after(line, i):
    """The next comma at or after i, or None when a control character or the end comes first."""
    for j in range(min(i, len(line)), len(line)):
        if line[j] == ord(','):
            return j
        if line[j] < 32 or line[j] > 127:
            return None
    return None


def nmea_coordinate(line, c, width, positive, negative):
    """The value of the field two after the comma at c, signed by its hemisphere, and the comma before that."""
    f = c + 3
    value = atof(line[f + width:]) * MINUTE + scan_int(line[f:], width)
    c = comma_after(line, f + width)
    if c is None or line[c + 1:c + 2] not in (positive, negative) or line[c + 2:c + 3] != b',':
        return None, None
    return (-value if line[c + 1:c + 2] == negative else value), c


def nmea_points(s, job):
    while (line := read_line(s)) is not None:
        if not line.startswith(b'$GPRMC,') or not checksum_ok(line):
            continue
        c = comma_after(line, 11)
        if c is None or line[c + 1:c + 3] != b'A,':
            continue
        lat, c = nmea_coordinate(line, c, 2, b'N', b'S')
        if lat is None:
            continue
        lon, c = nmea_coordinate(line, c, 3, b'E', b'W')
        if lon is not None and in_range(lat, lon):
            yield lat, lon


def int32(b):
    return struct.unpack('<i', b)[0]


def mps_header(s):
    sig = s.read(6)
    return 1 if len(sig) < 6 else 0 if sig == b'MsRcd\0' else 2


def mps_points(s, job):
    offset = 6
    while True:
        s.seek(offset)
        raw = s.read(4)
        length = int32(raw) if len(raw) == 4 else -1
        if length < 0 or offset + length + 5 > 0x7FFFFFFF:
            return
        offset += length + 5
        if length == 0:
            continue
        kind = s.read(1)
        if kind != b'T':
            if kind:
                continue
            return
        end = s.getvalue().find(b'\0', s.tell(), s.tell() + 151)  # a name of at most 150 characters
        s.seek(end + 1)
        head = s.read(9) if end >= 0 else b''  # 5 unused bytes, then the count
        if len(head) < 9 or int32(head[5:]) < 0:
            job.append('Track read error!\r\n')
            return
        for _ in range(int32(head[5:])):
            point = s.read(8)
            if len(point) < 8:
                job.append('Track read error!\r\n')
                return
            yield int32(point[:4]) * 8.381903171539307e-08, int32(point[4:]) * 8.381903171539307e-08
            s.seek(23, io.SEEK_CUR)


def measure(a, b):
    """Distance (m) and bearing (degrees, clockwise from north) from a to b."""
    la, lo_a, lb, lo_b = a[0] * RAD, a[1] * RAD, b[0] * RAD, b[1] * RAD
    x = math.cos(lo_a - lo_b) * math.cos(lb) * math.cos(la) + math.sin(lb) * math.sin(la)
    meters = abs((0.0 if x > 1.0 else math.pi if x < -1.0 else math.acos(x)) * EARTH)
    if abs(lo_b - lo_a) < 0.000001:
        return meters, 180.0 if la > lb else 0.0
    den = math.sqrt(max(0.0, 1.0 - x * x)) * math.cos(la)
    num = math.sin(lb) - math.sin(la) * x
    if den == 0.0:
        c = math.nan if num == 0.0 else math.copysign(math.inf, num) * math.copysign(1.0, den)
    else:
        c = num / den
    if c != c:
        return meters, 0.0
    bearing = math.acos(max(-1.0, min(1.0, c))) * DEG
    return meters, -bearing if math.sin(lo_b - lo_a) < 0 else bearing


def turn(a, b):
    t = abs(a - b)
    return 360.0 - t if t > 180.0 else t


def keep(settings, cm, cb, nm, nb, ref):
    least, most, degrees, error = settings
    if cm < least and nm < least:
        return False
    return cm > most or turn(nb, ref) > degrees or math.tan(turn(cb, ref) * RAD) * cm > error


class Job:
    def __init__(self, path):
        self.status = ''.join(ch + ('\r\n' if ch == '\\' and i > 0 else '') for i, ch in enumerate(path)) + '\r\n'

    def append(self, message):
        if len(self.status) > 1000:
            self.status = ''
        self.status += message


def convert(data, fmt, path, settings=(5, 1000, 5, 50), waypoints=None):
    """waypoints, when given, receives every point written as a waypoint, in order."""
    job, s = Job(path), io.BytesIO(data)
    h = plt_header(s) if fmt == PLT else mps_header(s) if fmt == MPS else 0
    if h:
        job.append(['', 'Input file read error!\r\n', 'Incorrect file format!\r\n'][h])
        return 2, job.status, None, None
    points = {PLT: plt_points, GPX: gpx_points, NMEA: nmea_points, MPS: mps_points}[fmt](s, job)
    forward, count = bytearray(HEAD % b'Forward'), 0

    def write(p):
        nonlocal count
        count += 1
        if waypoints is not None:
            waypoints.append(p)
        forward.extend(b'W,RW%06d,%10.6f,%11.6f,0\r\n' % (count, p[0], p[1]))

    # The window: the last waypoint w with its reference bearing, the candidate c, the next n.
    w = next(points, None)
    c = next(points, None) if w else None
    n = next(points, None) if c else None
    if n is None:
        job.append('Too short input file!\r\n')
        return 10, job.status, bytes(forward), None
    cm, cb = measure(w, c)
    ref = cb
    nm, nb = measure(c, n)
    write(w)
    while True:
        kept = keep(settings, cm, cb, nm, nb, ref)
        if kept:
            write(c)
            w, ref, cm, cb = c, nb, nm, nb
        c, n = n, next(points, None)
        if n is None:
            break
        if not kept:
            cm, cb = measure(w, c)
        nm, nb = measure(c, n)
    write(c)
    job.append('Forward route file - OK\r\n')
    job.status += '%d ' % count
    job.append('points are saved.\r\n')

    # The backward copy reads the forward file by fixed record positions, last first.
    backward = bytearray(HEAD % b'Backward')
    for position in range(37 * (count + 1), 37, -37):
        chunk = bytes(forward[position:position + 37])
        if len(chunk) < 37 or chunk[0:1] != b'W' or chunk[36:37] != b'\n':
            job.append('Forward route file read error!\r\n' if len(chunk) < 37 else 'Invalid data in forward route file!\r\n')
            return 4, job.status, bytes(forward), bytes(backward)
        backward.extend(chunk)
    job.append('Backward route file - OK\r\n')
    return 0, job.status, bytes(forward), bytes(backward)
