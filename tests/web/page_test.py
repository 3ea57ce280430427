#!/usr/bin/python3
"""Wayfold in the browser, in headless Chromium over the DevTools protocol, from file://:
the page's route files, picture, report and failure lines are those of the native
wayfold-convert for the same track and options (on ../shared/samples where present, the
repository's example and generated tracks), its downloads are those bytes, and it makes no
network request. Prints how long a 100,000-point GPX takes to convert and draw.
  page_test.py PAGE CONVERTER GEN_TRACK [--screenshots DIR]"""
import base64, re, json, os, shlex, shutil, subprocess, sys, tempfile, time
import websocket

PAGE, CONVERTER, GEN_TRACK = (os.path.abspath(a) for a in sys.argv[1:4])
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SAMPLES = os.path.realpath(os.path.join(ROOT, '..', 'shared', 'samples'))  # Chromium reads no file through a link
failures = []

def check(ok, what):
    if not ok:
        failures.append(what)
        print('FAIL:', what)

class Browser:
    def __init__(self, folder):
        self.process = subprocess.Popen(
            ['chromium', '--headless=new', '--no-sandbox', '--disable-gpu', '--remote-debugging-port=0',
             '--user-data-dir=' + os.path.join(folder, 'profile'), '--no-first-run', 'about:blank'],
            stderr=open(os.path.join(folder, 'chromium.log'), 'w'))
        end, address = time.time() + 60, None
        while not address and time.time() < end:  # its log names the address to connect to
            time.sleep(0.1)
            address = next((l.split(' on ')[1].strip() for l in open(os.path.join(folder, 'chromium.log'))
                            if l.startswith('DevTools listening on ')), None)
        browser = websocket.create_connection(address, timeout=120)
        self.socket, self.next, self.events, self.session = browser, 0, [], None
        target = self.call('Target.createTarget', url='about:blank')['targetId']
        self.session = self.call('Target.attachToTarget', targetId=target, flatten=True)['sessionId']

    def call(self, method, **params):
        self.next += 1
        message = {'id': self.next, 'method': method, 'params': params}
        if self.session and not method.startswith(('Target.', 'Browser.')):
            message['sessionId'] = self.session
        self.socket.send(json.dumps(message))
        while True:
            reply = json.loads(self.socket.recv())
            if reply.get('id') == self.next:
                if 'error' in reply:
                    raise RuntimeError(f'{method}: {reply["error"]}')
                return reply['result']
            self.events.append(reply)

    def js(self, expression):
        result = self.call('Runtime.evaluate', expression=expression, awaitPromise=True, returnByValue=True)
        if 'exceptionDetails' in result:
            raise RuntimeError(f'{expression}: {result["exceptionDetails"]}')
        return result['result'].get('value')

    def wait(self, expression, seconds=40):
        end = time.time() + seconds
        while not self.js(expression):
            if time.time() > end:
                raise RuntimeError('timed out waiting for ' + expression)
            time.sleep(0.05)

    def open_tracks(self, paths):
        runs = self.js('Number(document.body.dataset.runs || 0)')
        node = self.call('DOM.querySelector', nodeId=self.call('DOM.getDocument')['root']['nodeId'], selector='#files')
        self.call('DOM.setFileInputFiles', files=paths, nodeId=node['nodeId'])
        self.wait(f'Number(document.body.dataset.runs || 0) > {runs} && !running')

    def settle(self, change):
        """Makes a change in the settings and waits for the page to redraw by itself."""
        runs = self.js('Number(document.body.dataset.runs || 0)')
        self.js(change)
        self.wait(f'Number(document.body.dataset.runs || 0) > {runs} && !running')

    def type_into(self, selector, text):
        """Replaces a field's text as a user typing it would."""
        runs = self.js('Number(document.body.dataset.runs || 0)')
        self.js(f'(f => {{ f.focus(); f.select(); }})(document.querySelector({json.dumps(selector)}))')
        self.call('Input.insertText', text=text)
        self.wait(f'Number(document.body.dataset.runs || 0) > {runs} && !running')

    def press(self, focus, key):
        """Focuses an element and presses a key on it, as a keyboard user would."""
        runs = self.js('Number(document.body.dataset.runs || 0)')
        self.js(f'document.querySelector({json.dumps(focus)}).focus()')
        for kind in 'rawKeyDown', 'keyUp':
            self.call('Input.dispatchKeyEvent', type=kind, key=key, code=key, windowsVirtualKeyCode={'ArrowDown': 40, ' ': 32}[key])
        self.wait(f'Number(document.body.dataset.runs || 0) > {runs} && !running')

    def results(self):
        """What the page holds for each track: its files (bytes), report line, failure text."""
        shown = self.js('''tracks.map(t => ({name: t.name, err: t.result.err, report: t.result.report,
            files: Object.fromEntries(Object.entries(t.result.files).map(([n, b]) =>
                [n, btoa(Array.from(b, c => String.fromCharCode(c)).join(''))]))}))''')
        for track in shown:
            track['files'] = {n: base64.b64decode(b) for n, b in track['files'].items()}
        return shown

def native(track, args, folder):
    """wayfold-convert on a copy of track, in a folder of its own, as the page runs it."""
    work = tempfile.mkdtemp(dir=folder)
    name = os.path.basename(track)
    shutil.copy(track, work)
    run = subprocess.run([CONVERTER, '-q', '--report=json', '--svg', *args, '--', name], cwd=work, capture_output=True)
    files = {n: open(os.path.join(work, n), 'rb').read() for n in os.listdir(work) if n != name}
    lines = run.stdout.decode().splitlines()
    return {'name': name, 'err': run.stderr.decode().strip(), 'report': json.loads(lines[0]) if lines else None, 'files': files}

def same_picture(mine, theirs):
    """Pictures alike but for a tenth of a pixel here and there: the browser's cos, pow and log10
    may differ from the C library's in the last bit, which can turn a rounding. Route files
    and reports are compared to the byte."""
    number = re.compile(rb'-?\d+(?:\.\d+)?')
    if mine is None:
        return False
    a, b = number.split(mine), number.split(theirs)
    x, y = number.findall(mine), number.findall(theirs)
    return ([t.replace(b' ', b'') for t in a] == [t.replace(b' ', b'') for t in b] and len(x) == len(y) and
            all(abs(float(p) - float(q)) <= 0.1 + 1e-9 for p, q in zip(x, y)))

def compare(browser, tracks, args, folder, what):
    shown = browser.results()
    check(browser.js('document.querySelector("#command").textContent') ==
          ' '.join(['wayfold-convert', '--svg', *map(shlex.quote, args), 'TRACKS...' if len(tracks) > 1 else 'TRACK']), what + ': command shown')
    for track, page in zip(tracks, shown):
        expected = native(track, args, folder)
        for key in 'name', 'err', 'report':
            check(page[key] == expected[key], f'{what}, {expected["name"]}: {key} {page[key]!r} != {expected[key]!r}')
        check(sorted(page['files']) == sorted(expected['files']), f'{what}, {expected["name"]}: files {sorted(page["files"])}')
        for name, data in expected['files'].items():
            same = page['files'].get(name) == data or (name.endswith('.svg') and same_picture(page['files'].get(name), data))
            check(same, f'{what}, {expected["name"]}: {name} differs from the converter\'s')
    check(len(shown) == len(tracks), f'{what}: {len(shown)} results for {len(tracks)} tracks')
    return shown

def main():
    folder = tempfile.mkdtemp(prefix='wayfold-web-')
    generated = os.path.join(folder, 'generated')
    os.mkdir(generated)
    subprocess.run([GEN_TRACK, generated, '3000', 'real'], check=True, capture_output=True)
    # Names as users give them: other letters, a space, a leading dash.
    for name in 'прогулка по парку.plt', '-walk.plt':
        shutil.copy(os.path.join(ROOT, 'examples', 'walk.plt'), os.path.join(generated, name))
    tracks = [os.path.join(ROOT, 'examples', 'walk.plt')] + [os.path.join(generated, n) for n in sorted(os.listdir(generated))]
    browser = Browser(folder)
    try:
        downloads = os.path.join(folder, 'downloads')
        browser.call('Browser.setDownloadBehavior', behavior='allow', downloadPath=downloads)
        browser.call('Network.enable')
        browser.call('Page.enable')
        browser.call('Page.addScriptToEvaluateOnNewDocument', source=
                     'window.violations = []; document.addEventListener("securitypolicyviolation", '
                     'e => violations.push(e.violatedDirective + " " + e.blockedURI));')
        browser.call('Page.navigate', url='file://' + PAGE)
        browser.wait('document.body && document.body.dataset.ready === "1"')
        # The samples: every file at the top (a failure too is the converter's), and those of
        # today's formats in any format the page reads.
        endings = tuple('.' + f.strip() for f in browser.js('document.querySelector("#formats").textContent').split(','))
        if os.path.isdir(SAMPLES):
            for top, _, names in os.walk(SAMPLES):
                tracks += [os.path.join(top, n) for n in sorted(names) if top == SAMPLES or n.lower().endswith(endings)]
        else:
            print('page_test: no ../shared/samples, the repository\'s tracks only')

        # A batch: every track with the defaults, then the settings changed as a user would.
        browser.open_tracks(tracks)
        compare(browser, tracks, [], folder, 'defaults')
        browser.type_into('[data-option="--max-ort-error"]', '10')
        browser.press('input[name=method][value=classic]', 'ArrowDown')
        compare(browser, tracks, ['--method', 'bounded', '--max-ort-error', '10'], folder, 'bounded')
        browser.settle('document.querySelector("#talkers").value = "any"; '
                       'document.querySelector("#talkers").dispatchEvent(new Event("input", {bubbles: true}))')
        browser.press('#fit-on', ' ')
        compare(browser, tracks, ['--fit', '50', '--nmea-talkers', 'any'], folder, 'fit')
        browser.type_into('[data-option="--min-meters"]', 'x')
        compare(browser, tracks, ['--min-meters', '', '--fit', '50', '--nmea-talkers', 'any'], folder, 'usage error')

        # One track: its figures in words, its picture drawn, its downloads the converter's bytes.
        walk = tracks[0]
        browser.open_tracks([walk])
        browser.type_into('[data-option="--min-meters"]', '5')
        browser.settle('document.querySelector("#fit-on").click()')
        args = ['--method', 'bounded', '--max-ort-error', '10', '--nmea-talkers', 'any']
        expected = compare(browser, [walk], args, folder, 'walk')[0]
        report = expected['report']
        text = browser.js('document.querySelector(".report").innerText')
        for figure in (f'Waypoints\n{report["waypoints"]}', f'{report["max_deviation_m"]:.2f} m at point {report["max_deviation_point"]}',
                       f'track {report["track_m"]:.1f} m', f'{report["over_tolerance"]} points'):
            check(figure in text, f'report shows {figure!r}: {text!r}')
        check(browser.js('(i => i && i.complete && i.naturalWidth)(document.querySelector("img.picture"))') == 800,
              'the picture is drawn in the page')
        browser.js('document.querySelectorAll(".downloads a").forEach(a => a.click())')
        for name, data in expected['files'].items():
            path = os.path.join(downloads, name)
            end = time.time() + 30
            while not (os.path.exists(path) and open(path, 'rb').read() == data) and time.time() < end:
                time.sleep(0.1)
            check(os.path.exists(path) and open(path, 'rb').read() == data, f'download {name} is the converter\'s bytes')

        check(browser.js('[...document.querySelectorAll("input, select")].every(e => e.labels.length || e.ariaLabel)'),
              'every control has a label')
        check(browser.js('violations') == [], f'no content security violation: {browser.js("violations")}')
        requests = [e['params']['request']['url'] for e in browser.events if e.get('method') == 'Network.requestWillBeSent']
        remote = [u for u in requests if not u.startswith(('file:', 'data:', 'blob:'))]
        check(remote == [], f'no network request: {remote}')

        # How long a long track takes (a figure, not a test).
        subprocess.run([GEN_TRACK, generated, '100000'], check=True, capture_output=True)
        browser.open_tracks([os.path.join(generated, 'track.gpx')])
        print('page_test: 100,000-point GPX converted and drawn in', browser.js('tracks[0].result.milliseconds'), 'ms')

        if len(sys.argv) > 5 and sys.argv[4] == '--screenshots':
            browser.open_tracks([walk])
            browser.js('document.activeElement.blur()')
            for width, name in (1100, 'web-page.png'), (360, 'web-page-phone.png'):
                browser.call('Emulation.setDeviceMetricsOverride', width=width, height=800, deviceScaleFactor=1, mobile=width < 500)
                height = browser.js('document.documentElement.scrollHeight')
                browser.call('Emulation.setDeviceMetricsOverride', width=width, height=height, deviceScaleFactor=1, mobile=width < 500)
                shot = browser.call('Page.captureScreenshot', format='png')['data']
                open(os.path.join(sys.argv[5], name), 'wb').write(base64.b64decode(shot))
    finally:
        browser.process.kill()
        shutil.rmtree(folder, ignore_errors=True)
    print('page_test:', f'{len(failures)} failures' if failures else f'OK, {len(tracks)} tracks')
    return 1 if failures else 0

sys.exit(main())
