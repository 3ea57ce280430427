"""Runs wayfold-convert as a new user would, on folders of tracks and traps, and checks what
a batch tool owes them: every file that was there keeps its bytes unless it is a route the
run replaced after a whole success, no header-only or scratch file remains, a refused run
(64) touches nothing, and every track that fails has its line on standard error, with the
reason a person can act on.

usage: batch_safety.py WAYFOLD_CONVERT
"""
import hashlib, json, os, re, resource, signal, subprocess, sys, tempfile

CONVERT = sys.argv[1]
PLT = 'OziExplorer Track Point File\r\nWGS 84\r\nx\r\n0\r\n0\r\n0\r\n' + ''.join(
    '%.5f,%.5f,0\r\n' % (55.75 + i * 0.001, 37.61 + (i % 7) * 0.0004) for i in range(40))


def nmea(body):
    sum = 0
    for c in body:
        sum ^= ord(c)
    return '$%s*%02X\r\n' % (body, sum)


def rmc(talker, i):
    return nmea('%sRMC,1200%02d,A,5545.%03d,N,03736.000,E,,,070524,,,A' % (talker, i, i * 9))


# The files every case starts from, by name.
TRACKS = {
    'walk.plt': PLT,
    'log.txt': ''.join(rmc('GP', i) for i in range(30)),
    'gps': ''.join(rmc('GP', i) for i in range(30)),
    'sub/gps': ''.join(rmc('GP', i) for i in range(30)),
    'a/trip.gpx': '<gpx><trk><trkseg>' + ''.join('<trkpt lat="52.%03d" lon="4.%03d"/>' % (i, i * i % 97) for i in range(50)) + '</trkseg></trk></gpx>',
    'a/trip.plt': PLT,
    'b/trip.gpx': '<gpx><trk><trkseg><trkpt lat="1" lon="2"/><trkpt lat="1.1" lon="2"/><trkpt lat="1.2" lon="2.3"/></trkseg></trk></gpx>',
    'route.gpx': '<?xml version="1.0"?><gpx><rte>' + ''.join('<rtept lat="52.%02d" lon="4.1"></rtept>' % i for i in range(58)) + '</rte></gpx>',
    'gga.nmea': ''.join(nmea('GPGGA,1200%02d,5545.000,N,03736.000,E,1,08,0.9,545.4,M,46.9,M,,' % i) for i in range(20)),
    'gn.nmea': ''.join(rmc('GN', i) for i in range(300)),
    'wide.nmea': ''.join(rmc('GP', i) for i in range(30)).encode('utf-16').decode('latin-1'),
    'plt.gpx': PLT,
    'noise.plt': ''.join(chr(b) for b in hashlib.sha256(b'x').digest() * 64),
    'short.plt': PLT[:PLT.index('55.752')],
    'walkF.rt2': 'H1,OziExplorer CE Route2 File Version 1.0\r\nH2,WGS 84\r\nH3,ForwardRoute,,0\r\n',
}

# (arguments, exit status, lines standard error must hold (regular expressions, in order),
#  route files that must be new or replaced); files named in the arguments live in the case's folder.
CASES = [
    (['-q', '-f', 'nmea', 'log.txt', 'gps', 'sub/gps'], 0, [], ['logF.rt2', 'logB.rt2', 'gpsF.rt2', 'gpsB.rt2', 'sub/gpsF.rt2', 'sub/gpsB.rt2']),
    (['-q', '-f', 'plt', 'walk.plt'], 0, [], ['walkF.rt2', 'walkB.rt2']),
    (['-o', 'out', 'a', 'b'], 64, [r"'a/trip.gpx' and 'a/trip.plt' would both write 'out/tripF.rt2'",
                                   r"'a/trip.gpx' and 'b/trip.gpx' would both write 'out/tripF.rt2'"], []),
    (['-f', 'plt', 'walkF.rt2', 'walk.plt'], 64, [r"'walk.plt' would write 'walkF.rt2', which is the track 'walkF.rt2'"], []),
    (['-q', 'walk.plt', './walk.plt'], 64, [r"both write"], []),
    (['-q', 'link.plt', 'walk.plt'], 64, [r"'link.plt' would write 'linkF.rt2', which is the track 'walk.plt'"], []),
    (['-q', 'fifo.plt', 'walk.plt'], 2, [r'^wayfold-convert: fifo.plt: not a regular file or folder$'], ['walkF.rt2', 'walkB.rt2']),
    (['-q', 'route.gpx'], 10, [r'route.gpx: Too short input file! \(0 track points; 58 route points <rtept> passed over\)$'], []),
    (['-q', 'gga.nmea'], 10, [r'gga.nmea: Too short input file! \(0 track points; 20 lines that are not RMC'], []),
    (['-q', 'gn.nmea'], 10, [r'300 RMC sentences of other talkers passed over; --nmea-talkers any reads them\)$'], []),
    (['-q', '--nmea-talkers', 'any', 'gn.nmea'], 0, [], ['gnF.rt2', 'gnB.rt2']),
    (['-q', 'wide.nmea'], 10, [r'wide.nmea: Too short input file! \(the file is UTF-16 text\)$'], []),
    (['-q', 'plt.gpx'], 10, [r'\(the file looks like plt, not gpx; -f plt reads it\)$'], []),
    (['-q', 'noise.plt'], 2, [r'noise.plt: Input file read error! \(the file is not text\)$'], []),
    (['-q', 'short.plt', 'missing.plt', 'dangling.plt'], 10, [r'short.plt: Too short input file! \(2 track points, at least 3 needed\)$',
                                                             r'missing.plt: Input file open error! \(no such file\)$',
                                                             r'dangling.plt: Input file open error!'], []),
    (['-q', '--svg', 'taken.plt'], 2, [r"taken.plt: cannot write 'takenB.rt2', which is not a regular file"], []),
    (['b', 'short.plt'], 10, [r'short.plt: Too short', r'^wayfold-convert: 2 tracks: 1 converted, 1 failed \(the first: short.plt\); '
                                                      r'0 other files in folders passed over$'], ['b/tripF.rt2', 'b/tripB.rt2']),
    (['--full', '--svg', 'walk.plt'], 10, [r'walk.plt: Forward file write error! \(File too large\)$'], []),
    (['--fit', '3', '--max-meters', '100', '--report=json', '--svg', 'walk.plt'], 11,
     [r'walk.plt: no tolerance gives at most 3 waypoints \(--max-meters 100 forces \d+; a larger --max-meters, or none'],
     ['walkF.rt2', 'walkB.rt2', 'walk.svg']),
    (['--fit', '3', '--report=json', '--status-text', 'walk.plt', 'b'], 0, [], ['walkF.rt2', 'walkB.rt2', 'b/tripB.rt2', 'b/tripF.rt2']),
]


def snapshot(folder):
    files = {}
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            if os.path.isfile(path):
                files[os.path.relpath(path, folder)] = hashlib.sha256(open(path, 'rb').read()).hexdigest()
    return files


def full_device():
    # Writes past the route's header fail as on a full device (EFBIG, the signal ignored).
    signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
    resource.setrlimit(resource.RLIMIT_FSIZE, (200, 200))


def run_case(arguments, status, errors, made):
    with tempfile.TemporaryDirectory(prefix='wayfold-batch-') as folder:
        for name, text in TRACKS.items():
            os.makedirs(os.path.dirname(os.path.join(folder, name)), exist_ok=True)
            open(os.path.join(folder, name), 'wb').write(text.encode('latin-1'))
        os.makedirs(os.path.join(folder, 'out'))
        os.mkfifo(os.path.join(folder, 'fifo.plt'))
        os.symlink('walk.plt', os.path.join(folder, 'linkF.rt2'))
        open(os.path.join(folder, 'link.plt'), 'w').write(PLT)
        os.symlink('nowhere.plt', os.path.join(folder, 'dangling.plt'))
        open(os.path.join(folder, 'taken.plt'), 'w').write(PLT)
        os.makedirs(os.path.join(folder, 'takenB.rt2'))
        for route in ('walkB.rt2', 'walk.svg', 'a/tripF.rt2'):  # earlier routes that a failure must keep
            open(os.path.join(folder, route), 'w').write('an earlier route\n')
        before = snapshot(folder)
        full = '--full' in arguments
        run = subprocess.run([CONVERT] + [a for a in arguments if a != '--full'], cwd=folder, capture_output=True,
                             preexec_fn=full_device if full else None, stdin=subprocess.DEVNULL)
        after = snapshot(folder)
        problems = []
        if run.returncode != status:
            problems.append('exit status %d, not %d' % (run.returncode, status))
        lines = run.stderr.decode('utf-8', 'replace').splitlines()
        at = 0
        for pattern in errors:
            while at < len(lines) and not re.search(pattern, lines[at]):
                at += 1
            if at == len(lines):
                problems.append('no line on standard error matches %r' % pattern)
        if status != 0 and status != 64 and len([l for l in lines if re.match(r'wayfold-convert: \S+: .', l)]) == 0:
            problems.append('a failure without its line')
        if '--report=json' in arguments:
            for line in run.stdout.decode().splitlines():
                report = json.loads(line)  # nothing but JSON on standard output
                if report['waypoints'] is None or 'passed_over' not in report:
                    problems.append('report without its figures: %s' % line)
        changed = sorted(name for name in set(before) | set(after) if before.get(name) != after.get(name))
        if sorted(made) != changed:
            problems.append('files changed %s, expected %s' % (changed, sorted(made)))
        for name in changed:
            if name in after and (name.endswith('.tmp') or (name.endswith('.rt2') and b'\nW,' not in open(os.path.join(folder, name), 'rb').read())):
                problems.append('left behind: %s' % name)
        return problems, run


def main():
    failures = 0
    for case in CASES:
        problems, run = run_case(*case)
        if problems:
            failures += 1
            print('FAIL %s\n  %s\n  stderr: %s' % (' '.join(case[0]), '\n  '.join(problems), run.stderr.decode('utf-8', 'replace')))
    print('%d passed, %d failed' % (len(CASES) - failures, failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
