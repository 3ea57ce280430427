"""A second, independent implementation of Wayfold's conversion rules, written plainly in
Python from the rules alone, to compare wayfold-convert against byte for byte.

convert(data, fmt, path, settings) -> (result, status_text, forward_bytes, backward_bytes)
where status_text is the window's text (str, CR LF), and the route files are None when the
conversion did not create them.
"""
import math
import re
import struct

GPX, MPS, PLT, NMEA = 1, 2, 3, 4
RAD = 0.017453292519943295
DEG = 57.29577951308232
EARTH = 6371032.0
NUMBER = re.compile(rb'[ \t\n\v\f\r]*([+-]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][+-]?[0-9]+)?)')


def atof(text):
    m = NUMBER.match(text)
    if not m:
        return 0.0
    try:
        return float(m.group(1))
    except OverflowError:
        return math.inf


class Stream:
    def __init__(self, data):
        self.data = data
        self.pos = 0

    def byte(self):
        if self.pos >= len(self.data):
            return None
        b = self.data[self.pos]
        self.pos += 1
        return b

    def read(self, n):
        chunk = self.data[self.pos:self.pos + n]
        self.pos += len(chunk)
        return chunk


class Job:
    def __init__(self, settings):
        self.status = ''
        self.min, self.max, self.deg, self.ort = settings

    def append(self, message):
        if len(self.status) > 1000:
            self.status = ''
        self.status += message


def read_line(stream, limit=150):
    b = stream.byte()
    while b is not None and b in (0, 10, 13):
        b = stream.byte()
    if b is None:
        return None
    line = bytearray([b])
    while len(line) < limit:
        b = stream.byte()
        if b is None:
            return None
        if b in (0, 10, 13):
            return bytes(line)
        line.append(b)
    while True:
        b = stream.byte()
        if b is None:
            return None
        if b in (0, 10, 13):
            return bytes(line)


def lat_ok(v):
    return not (v > 100.0 or v < -100.0)


def lon_ok(v):
    return not (v > 370.0 or v < -370.0)


# ---- PLT ----
def plt_header(stream):
    line = read_line(stream)
    if line is None:
        return 1
    sig = b'OziExplorer Track Point File'
    if line[:28] != sig[:min(28, len(line))]:
        return 2
    for _ in range(5):
        if read_line(stream) is None:
            return 1
    return 0


def plt_point(stream, job):
    line = read_line(stream)
    if line is None:
        return -1, None
    comma = line.find(b',')
    if comma < 0:
        return 1, None
    lat = atof(line)
    if not lat_ok(lat):
        return 3, None
    lon = atof(line[comma + 1:])
    if not lon_ok(lon):
        return 3, None
    return 0, (lat, lon)


# ---- GPX ----
def read_tag(stream, limit=1000):
    while True:
        b = stream.byte()
        if b is None:
            return -1, None
        if b == ord('<'):
            break
    text = bytearray()
    while len(text) < limit - 2:
        b = stream.byte()
        if b is None:
            return -2, None
        if b == ord('>'):
            break
        text.append(b)
    text = bytes(text)
    nul = text.find(b'\0')
    return 0, text if nul < 0 else text[:nul]


def number_after(text, name):
    at = text.find(name)
    if at < 0:
        return 1, None
    i = at
    while i < len(text) and not (48 <= text[i] <= 57 or text[i] == ord('-')):
        i += 1
    if i >= len(text):
        return 2, None
    return 0, atof(text[i:])


def gpx_point(stream, job):
    while True:
        r, tag = read_tag(stream)
        if r != 0:
            return -1, None
        if b'trkpt' in tag and b'/trkpt' not in tag:
            break
    r, lat = number_after(tag, b'lat')
    if r:
        return r, None
    if not lat_ok(lat):
        return 3, None
    r, lon = number_after(tag, b'lon')
    if r:
        return r, None
    if not lon_ok(lon):
        return 3, None
    return 0, (lat, lon)


# ---- NMEA ----
def is_space(b):
    return b in (32, 9, 10, 11, 12, 13)


def scan_hex(text):
    i = 0
    while i < len(text) and is_space(text[i]):
        i += 1
    negative = False
    if i < len(text) and text[i] in b'+-':
        negative = text[i] == ord('-')
        i += 1
    if i + 1 < len(text) and text[i] == ord('0') and text[i + 1] in b'xX':
        i += 2
    digits = re.match(rb'[0-9a-fA-F]*', text[i:]).group(0)
    value = int(digits, 16) if digits else 0
    return -value if negative else value


def checksum(line):
    if not line.startswith(b'$'):
        return 1
    star = line.find(b'*')
    if star < 0:
        return 2
    x = 0
    for b in line[1:star]:
        x ^= b
    value = scan_hex(line[star + 1:])
    if value == 0 and line[star + 1:star + 2] != b'0':
        return 3
    return 0 if value == x else 4


def scan_int(text, width):
    i = 0
    while i < len(text) and is_space(text[i]):
        i += 1
    field = text[i:i + width]
    m = re.match(rb'[+-]?[0-9]+', field)
    return int(m.group(0)) if m else 0


def is_control(b):
    s = b - 256 if b > 127 else b
    return s < 32 or s > 127


def walk_to_comma(line, i):
    """Index of the next comma from i, or None when a control character or the end comes."""
    while i < len(line):
        if line[i] == ord(','):
            return i
        if is_control(line[i]):
            return None
        i += 1
    return None


def nmea_point(stream, job):
    line = read_line(stream)
    if line is None:
        return -1, None
    if not line.startswith(b'$GPRMC,'):
        return 1, None
    if checksum(line) != 0:
        return 2, None
    c = walk_to_comma(line, min(11, len(line)))
    if c is None:
        return 3, None
    if line[c + 1:c + 2] != b'A' or line[c + 2:c + 3] != b',':
        return 10, None
    f = c + 3
    deg = scan_int(line[f:], 2)
    lat = atof(line[min(f + 2, len(line)):]) * 0.016666666666666666 + deg
    c = walk_to_comma(line, min(f + 2, len(line)))
    if c is None:
        return 3, None
    h = line[c + 1:c + 2]
    if h == b'S':
        lat = -lat
    elif h != b'N':
        return 3, None
    if line[c + 2:c + 3] != b',':
        return 3, None
    g = c + 3
    deg = scan_int(line[g:], 3)
    lon = atof(line[min(g + 3, len(line)):]) * 0.016666666666666666 + deg
    c = walk_to_comma(line, min(g + 3, len(line)))
    if c is None:
        return 4, None
    h = line[c + 1:c + 2]
    if h == b'W':
        lon = -lon
    elif h != b'E':
        return 4, None
    if line[c + 2:c + 3] != b',':
        return 4, None
    if not lat_ok(lat) or not lon_ok(lon):
        return 3, None
    return 0, (lat, lon)


# ---- MPS ----
class Mps:
    def __init__(self):
        self.state = 0
        self.offset = 0
        self.left = 0


def mps_header(stream, mps):
    mps.state = 0
    sig = stream.read(6)
    if len(sig) < 6:
        return 1
    if sig[5] != 0 or sig.split(b'\0')[0] != b'MsRcd':
        return 2
    mps.offset = 6
    return 0


def int32(b):
    return struct.unpack('<i', b)[0]


def find_track(stream, mps):
    while True:
        stream.pos = mps.offset
        raw = stream.read(4)
        if len(raw) < 4:
            return False
        length = int32(raw)
        if length < 0 or mps.offset + length + 5 > 0x7FFFFFFF:
            return False
        mps.offset += length + 5
        if length == 0:
            continue
        t = stream.read(1)
        if not t:
            return False
        if t == b'T':
            return True


def mps_point(stream, job, mps):
    while True:
        if mps.state == 0:
            if not find_track(stream, mps):
                return -1, None
            mps.state = 1
        if mps.state == 1:
            name = 0
            while True:
                b = stream.byte()
                if b is None:
                    return damaged(job)
                if b == 0:
                    break
                name += 1
                if name > 150:
                    return damaged(job)
            if len(stream.read(5)) < 5:
                return damaged(job)
            raw = stream.read(4)
            if len(raw) < 4 or int32(raw) < 0:
                return damaged(job)
            mps.left = int32(raw)
            mps.state = 2
            if mps.left == 0:
                mps.state = 0
                continue
        mps.left -= 1
        a, b = stream.read(4), stream.read(4)
        if len(a) < 4 or len(b) < 4:
            return damaged(job)
        lat = int32(a) * 8.381903171539307e-08
        lon = int32(b) * 8.381903171539307e-08
        stream.pos += 23
        if mps.left <= 0:
            mps.state = 0
        return 0, (lat, lon)


def damaged(job):
    job.append('Track read error!\r\n')
    return -1, None


# ---- thinning ----
def measure(a, b):
    la, lo_a = a[0] * RAD, a[1] * RAD
    lb, lo_b = b[0] * RAD, b[1] * RAD
    dl = lo_b - lo_a
    x = math.cos(lo_a - lo_b) * math.cos(lb) * math.cos(la) + math.sin(lb) * math.sin(la)
    sigma = 0.0 if x > 1.0 else (math.pi if x < -1.0 else math.acos(x))
    meters = abs(sigma * EARTH)
    if abs(dl) < 0.000001:
        return meters, 180.0 if la > lb else 0.0
    s = 1.0 - x * x
    if s < 0.0:
        s = 0.0
    den = math.sqrt(s) * math.cos(la)
    num = math.sin(lb) - math.sin(la) * x
    if den == 0.0:
        c = math.nan if num == 0.0 else math.copysign(math.inf, num) * math.copysign(1.0, den)
    else:
        c = num / den
    if c != c:
        return meters, 0.0
    c = max(-1.0, min(1.0, c))
    bearing = math.acos(c) * DEG
    if math.sin(dl) < 0:
        bearing = -bearing
    return meters, bearing


def turn(a, b):
    t = abs(a - b)
    return 360.0 - t if t > 180.0 else t


def keep(job, cm, cb, nm, nb, ref):
    if cm < job.min and nm < job.min:
        return False
    if cm > job.max:
        return True
    if turn(nb, ref) > job.deg:
        return True
    return math.tan(turn(cb, ref) * RAD) * cm > job.ort


def record(n, p):
    return ('W,RW%06d,%10.6f,%11.6f,0\r\n' % (n, p[0], p[1])).encode()


def convert(data, fmt, path, settings=(5, 1000, 5, 50)):
    job = Job(settings)
    job.status = ''.join(ch + ('\r\n' if ch == '\\' and i > 0 else '') for i, ch in enumerate(path)) + '\r\n'
    stream = Stream(data)
    mps = Mps()
    if fmt == PLT:
        h = plt_header(stream)
    elif fmt == MPS:
        h = mps_header(stream, mps)
    else:
        h = 0
    if h:
        job.append({1: 'Input file read error!\r\n', 2: 'Incorrect file format!\r\n', 3: 'Input file tell error!\r\n'}[h])
        return 2, job.status, None, None
    reader = {PLT: plt_point, GPX: gpx_point, NMEA: nmea_point}.get(fmt)

    def next_point():
        if fmt == MPS:
            return mps_point(stream, job, mps)[1]
        while True:
            r, p = reader(stream, job)
            if r <= 0:
                return p

    forward = bytearray(b'H1,OziExplorer CE Route2 File Version 1.0\r\nH2,WGS 84\r\nH3,ForwardRoute,,0\r\n')
    count = 0

    def write(p):
        nonlocal count
        count += 1
        forward.extend(record(count, p))

    # The window: last waypoint with its reference bearing, candidate, next point.
    w = next_point()
    c = next_point() if w else None
    n = next_point() if c else None
    if n is None:
        job.append('Too short input file!\r\n')
        return 10, job.status, bytes(forward), None
    cm, cb = measure(w, c)
    ref = cb
    nm, nb = measure(c, n)
    c_bearing = nb
    write(w)
    while True:
        if keep(job, cm, cb, nm, nb, ref):
            write(c)
            w, ref = c, c_bearing
            c = n
            cm, cb = nm, nb
            n = next_point()
            if n is None:
                break
        else:
            c = n
            n = next_point()
            if n is None:
                break
            cm, cb = measure(w, c)
        nm, nb = measure(c, n)
        c_bearing = nb
    write(c)
    job.append('Forward route file - OK\r\n')
    job.status += '%d ' % count
    job.append('points are saved.\r\n')

    # The backward copy reads the forward file by fixed record positions.
    backward = bytearray(b'H1,OziExplorer CE Route2 File Version 1.0\r\nH2,WGS 84\r\nH3,BackwardRoute,,0\r\n')
    left = count
    position = 37 * (left + 1)
    while left > 0:
        chunk = bytes(forward[position:position + 37])
        if len(chunk) < 37:
            job.append('Forward route file read error!\r\n')
            return 4, job.status, bytes(forward), bytes(backward)
        if chunk[0:1] != b'W' or chunk[36:37] != b'\n':
            job.append('Invalid data in forward route file!\r\n')
            return 4, job.status, bytes(forward), bytes(backward)
        backward.extend(chunk)
        left -= 1
        position -= 37
    job.append('Backward route file - OK\r\n')
    return 0, job.status, bytes(forward), bytes(backward)
