"""Converts the same tracks with two builds of wayfold-convert, one of them made with
WAYFOLD_PLAIN (the plain form of every speed-up): random tracks of all four formats, long
and short, damaged at random, under random thresholds, both methods and both NMEA talker
modes. Exit status, everything printed and both route files must match byte for byte.

usage: plain_vs_fast.py WAYFOLD_CONVERT WAYFOLD_CONVERT_PLAIN [CASES_PER_FORMAT] [SEED]
"""
import os
import random
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), 'differential'))
import run as generate  # noqa: E402  (the differential test's track makers)

TALKERS = [b'GP', b'GN', b'GL', b'GA', b'BD', b'Gn', b'G1']
MODES = [b'', b',A', b',N', b',D', b',N,V', b',A,V']
SENTENCE = re.compile(rb'^\$GPRMC,(.*)\*([0-9A-Fa-f]{2})$')


def xor(data):
    value = 0
    for b in data:
        value ^= b
    return value


def other_talkers(rng, data):
    """Some RMC sentences under other talkers and with a mode letter, their checksums as
    right or as wrong as before."""
    lines = data.split(b'\r\n')
    for i, line in enumerate(lines):
        m = SENTENCE.match(line)
        if not m or rng.random() < 0.3:
            continue
        old = b'GPRMC,' + m.group(1)
        new = rng.choice(TALKERS) + b'RMC,' + m.group(1) + rng.choice(MODES)
        lines[i] = b'$' + new + b'*%02X' % (int(m.group(2), 16) ^ xor(old) ^ xor(new))
    return b'\r\n'.join(lines)


def threshold(rng):
    return [rng.choice([rng.randint(-5, 3000), rng.choice([0, 1, -1, 2147483647, -2147483648])])
            if rng.random() < 0.5 else value for value in rng.choice(generate.THRESHOLDS)]


def convert(converter, path, options):
    """Exit status, standard output and error, and both route files (None when absent)."""
    run = subprocess.run([converter] + options + [path], capture_output=True)
    got = [run.returncode, run.stdout, run.stderr]
    for suffix in ('F.rt2', 'B.rt2', '.svg'):
        output = os.path.splitext(path)[0] + suffix
        got.append(open(output, 'rb').read() if os.path.exists(output) else None)
        if os.path.exists(output):
            os.remove(output)
    return got


def main():
    fast, plain = sys.argv[1], sys.argv[2]
    cases = int(sys.argv[3]) if len(sys.argv) > 3 else 60
    rng = random.Random(int(sys.argv[4]) if len(sys.argv) > 4 else 2026)
    makers = {'gpx': generate.make_gpx, 'mps': generate.make_mps, 'plt': generate.make_plt, 'nmea': generate.make_nmea}
    failures = 0
    with tempfile.TemporaryDirectory(prefix='wayfold-plain-') as folder:
        for extension, maker in makers.items():
            for case in range(cases):
                # Long tracks span several of the line reader's blocks.
                size = rng.choice([0, 1, 2, 3, 10, 50, 300, 300, 3000])
                data = maker(rng, generate.walk(rng, size))
                if extension == 'nmea':
                    data = other_talkers(rng, data)
                data = generate.damage(rng, data)
                path = os.path.join(folder, 'c%d.%s' % (case, extension))
                with open(path, 'wb') as f:
                    f.write(data)
                options = ['--%s=%d' % pair for pair in zip(('min-meters', 'max-meters', 'max-degrees', 'max-ort-error'),
                                                            threshold(rng))]
                options += ['--method', rng.choice(['classic', 'bounded']), '--nmea-talkers', rng.choice(['gp', 'any'])]
                options += rng.choice([['--status-text'], ['--status-text', '--report=json'], ['--report', '--svg']])
                got, want = convert(plain, path, options), convert(fast, path, options)
                if got != want:
                    failures += 1
                    differ = [name for name, g, w in zip(('exit status', 'stdout', 'stderr', 'forward', 'backward', 'svg'),
                                                         got, want) if g != w]
                    print('MISMATCH %s %s: %s\n  input %r' % (path, ' '.join(options), ', '.join(differ), data[:300]))
                os.remove(path)
    print('%d cases, %d differ' % (len(makers) * cases, failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
