'use strict';
// The page: tracks go into the converter's in-memory file system, each into a folder of its
// own, and wayfold-convert runs on them there with the settings as its options. What it
// writes (route files, picture) and prints (the JSON report, the failure line) is shown and
// offered for download as it is.
var Module = {
  onRuntimeInitialized: ready, print: () => {}, printErr: () => {},
  // The WebAssembly is inside the page: compiled from there, without the fetch of a data: URL
  // that Emscripten tries first, which the page's policy (no connection at all) refuses.
  instantiateWasm: (imports, receive) => {
    WebAssembly.instantiate(getBinary(wasmBinaryFile), imports).then(r => receive(r.instance, r.module),
      e => { document.getElementById('formats').textContent = `none: this browser cannot run the page (${e})`; });
    return {};
  },
};

const byId = id => document.getElementById(id);
const defaults = {};      // option -> default value, from the converter
let tracks = [];          // {name, folder, present (read whole), result}
let urls = [];            // object URLs of the shown results, revoked when redrawn
let timer = 0, running = false, again = false;

function ready() {
  const call = name => Module.ccall(name, 'string', [], []).trim().split('\n');
  const formats = call('wayfold_formats');
  byId('formats').textContent = formats.join(', ');
  byId('files').accept = formats.map(f => '.' + f).join(',');
  for (const line of call('wayfold_thresholds')) {
    const [option, value] = line.split(' ');
    defaults[option] = value;
    const field = document.querySelector(`[data-option="${option}"]`);
    if (field) field.value = value;
  }
  Module.FS.mkdir('/work');
  byId('files').disabled = false;
  byId('files').addEventListener('change', e => openFiles(e.target.files));
  const drop = byId('drop');
  document.addEventListener('dragover', e => { e.preventDefault(); drop.classList.add('over'); });
  document.addEventListener('dragleave', () => drop.classList.remove('over'));
  document.addEventListener('drop', e => { e.preventDefault(); drop.classList.remove('over'); openFiles(e.dataTransfer.files); });
  byId('settings').addEventListener('input', () => { showOptions(); clearTimeout(timer); timer = setTimeout(convertAll, 200); });
  byId('settings').addEventListener('submit', e => e.preventDefault());
  showOptions();
  document.body.dataset.ready = '1';
}

// The converter's options for the settings shown: a threshold only where it differs from
// its default, so that with --fit the leg limit stays free unless it is asked for.
function options() {
  const args = [], fit = byId('fit-on').checked;
  const method = document.querySelector('input[name=method]:checked').value;
  if (!fit && method !== 'classic') args.push('--method', method);
  for (const field of document.querySelectorAll('[data-option]')) {
    const option = field.dataset.option, value = field.value.trim();
    if (!(fit && option === '--max-ort-error') && value !== defaults[option]) args.push(option, value);
  }
  if (fit) args.push('--fit', byId('fit').value.trim());
  if (byId('talkers').value !== 'gp') args.push('--nmea-talkers', byId('talkers').value);
  return args;
}

function showOptions() {
  const fit = byId('fit-on').checked;
  for (const radio of document.querySelectorAll('input[name=method]')) radio.disabled = fit;
  document.querySelector('[data-option="--max-ort-error"]').disabled = fit;
  byId('fit').disabled = !fit;
  // Quoted as a POSIX shell wants it, where it must be.
  const shown = options().map(a => /^[\w@%+=:,./-]+$/.test(a) ? a : `'${a.replace(/'/g, `'"'"'`)}'`);
  byId('command').textContent = ['wayfold-convert', '--svg', ...shown, tracks.length > 1 ? 'TRACKS...' : 'TRACK'].join(' ');
}

// A new list of tracks: each read whole first (a folder dropped, or a file gone, reads as
// nothing, and the converter says so), then put in place of the last list at once.
async function openFiles(files) {
  if (!files || !files.length) return;
  const read = await Promise.all(Array.from(files, file => file.arrayBuffer().then(b => new Uint8Array(b), () => null)));
  const FS = Module.FS;
  for (const track of tracks) {
    for (const name of written(track)) FS.unlink(`${track.folder}/${name}`);
    if (track.present) FS.unlink(`${track.folder}/${track.name}`);
    FS.rmdir(track.folder);
  }
  tracks = Array.from(files, (file, i) => ({ name: file.name, folder: `/work/${i + 1}`, present: read[i] !== null }));
  tracks.forEach((track, i) => {
    FS.mkdir(track.folder);
    if (track.present) FS.writeFile(`${track.folder}/${track.name}`, read[i]);
  });
  showOptions();
  convertAll();
}

// The names of the files in a track's folder other than the track: what the converter wrote.
function written(track) {
  return Module.FS.readdir(track.folder).filter(name => name !== '.' && name !== '..' && name !== track.name);
}

// Runs the converter on one track, as `wayfold-convert -q --report=json --svg OPTIONS -- NAME`
// in the track's folder: the failure line then names the track as the user knows it.
function convert(track, args) {
  const FS = Module.FS;
  FS.chdir(track.folder);
  const argv = ['-q', '--report=json', '--svg', ...args, '--', track.name];
  const status = Module.ccall('wayfold_run', 'number', ['string', 'string', 'string'],
                              [argv.join('\n'), '/work/.out', '/work/.err']);
  const out = FS.readFile('/work/.out', { encoding: 'utf8' }).trim();
  const err = FS.readFile('/work/.err', { encoding: 'utf8' }).trim();
  FS.chdir('/work');
  const files = {};
  for (const name of written(track)) {
    files[name] = FS.readFile(`${track.folder}/${name}`);
    FS.unlink(`${track.folder}/${name}`);
  }
  return { status, report: out ? JSON.parse(out.split('\n')[0]) : null, err, files };
}

async function convertAll() {
  if (running) { again = true; return; }
  running = true;
  try {
    do {
      again = false;
      const args = options(), shown = [];
      for (const track of tracks) {
        const start = performance.now();
        const result = convert(track, args);
        const card = await render(track, result);
        result.milliseconds = Math.round(performance.now() - start);
        card.querySelector('.time').textContent = (Object.keys(result.files).length ? 'converted and drawn' : 'no route; ran') +
          ` in ${result.milliseconds} ms`;
        shown.push(card);
        track.result = result;
        // New tracks or settings meanwhile: start again with them.
        await new Promise(resolve => setTimeout(resolve));
        if (again) break;
      }
      if (!again) {
        for (const url of urls.splice(0, urls.length - shown.reduce((n, c) => n + c.urls, 0))) URL.revokeObjectURL(url);
        byId('results').replaceChildren(...shown);
        const failed = tracks.filter(t => t.result.status !== 0).length;
        byId('status').textContent = `${tracks.length} track${tracks.length > 1 ? 's' : ''}: ` +
          `${tracks.length - failed} converted` + (failed ? `, ${failed} failed` : '');
        document.body.dataset.runs = String(Number(document.body.dataset.runs || 0) + 1);
      }
    } while (again);
  } finally {
    running = false;
  }
}

const fixed = (x, digits) => x === null ? '–' : x.toFixed(digits);

// One track's card: its name, the failure line if any, the report, the downloads, the picture.
async function render(track, result) {
  const card = document.createElement('article');
  card.className = 'track';
  card.urls = 0;
  const add = (tag, text, className) => {
    const element = card.appendChild(document.createElement(tag));
    if (text !== undefined) element.textContent = text;
    if (className) element.className = className;
    return element;
  };
  add('h2', track.name);
  if (result.err) add('p', result.err, 'failed');
  const r = result.report;
  if (r) {
    const list = add('dl', undefined, 'report');
    const row = (term, value) => { list.appendChild(document.createElement('dt')).textContent = term;
                                   list.appendChild(document.createElement('dd')).textContent = value; };
    row('Read as', `${r.format}, ${r.method}` + (r.tolerance_m !== undefined ? `, tolerance ${r.tolerance_m} m` : '') + `: result ${r.result}`);
    const passed = Object.entries(r.passed_over).map(([why, n]) => `${n} ${why.replace(/_/g, ' ')}`);
    row('Track points', String(r.points) + (passed.length ? ` (passed over: ${passed.join(', ')})` : ''));
    if (r.waypoints !== null) {
      const change = r.track_m > 0 ? ((r.route_m - r.track_m) / r.track_m) * 100 : 0;
      row('Waypoints', String(r.waypoints));
      row('Length', `track ${fixed(r.track_m, 1)} m, route ${fixed(r.route_m, 1)} m (${change >= 0 ? '+' : ''}${change.toFixed(2)}%)`);
      row('Largest deviation', `${fixed(r.max_deviation_m, 2)} m at point ${r.max_deviation_point} (${fixed(r.max_deviation_lat, 6)}, ${fixed(r.max_deviation_lon, 6)})`);
      row('Mean deviation', `${fixed(r.mean_deviation_m, 2)} m`);
      row(`Farther than ${r.thresholds.max_ort_error} m`, `${r.over_tolerance} points`);
    }
  }
  const names = Object.keys(result.files).sort((a, b) => rank(a) - rank(b));
  if (names.length) {
    const downloads = add('p', undefined, 'downloads');
    for (const name of names) {
      const link = downloads.appendChild(document.createElement('a'));
      link.href = objectUrl(result.files[name], name.endsWith('.svg') ? 'image/svg+xml' : 'application/octet-stream', card);
      link.download = link.textContent = name;
    }
  }
  add('p', '', 'time');
  const svg = names.find(name => name.endsWith('.svg'));
  if (svg) {
    const picture = add('img', undefined, 'picture');
    picture.alt = `${track.name}: the track dark over its route, drawn by the converter`;
    picture.src = objectUrl(result.files[svg], 'image/svg+xml', card);
    await picture.decode().catch(() => {});
  }
  return card;
}

const rank = name => name.endsWith('F.rt2') ? 0 : name.endsWith('B.rt2') ? 1 : 2;

function objectUrl(bytes, type, card) {
  const url = URL.createObjectURL(new Blob([bytes], { type }));
  urls.push(url);
  card.urls++;
  return url;
}
