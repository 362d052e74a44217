// corvan serve: the page. Reads its state from the URL query, asks
// /api/distribution (and, with a resolution, /api/spectrum), draws the
// sticks and profiles as SVG and fills the table. User text
// only ever reaches the page through textContent and attribute values.
'use strict';

const SVG_NS = 'http://www.w3.org/2000/svg';
const COLORS = ['#1c5bb8', '#c2410c', '#15803d', '#7e22ce', '#b45309', '#0e7490'];
const MAX_PINS = COLORS.length - 1;
const NUMBER = /^\s*[0-9]+(\.[0-9]*)?([eE][+-]?[0-9]+)?\s*$/;

const $ = (id) => document.getElementById(id);
const fields = ['kind', 'input', 'charge', 'adduct', 'label', 'points', 'min_intensity', 'engine',
                'resolution', 'analyzer'];
const ANALYZERS = ['orbitrap', 'fticr', 'tof', 'quadrupole'];
// The engines besides exact are the fixed calls: peptides and RNA, neutral,
// heights on a grid of N points (M, M+1, ...); fit takes a peptide mass only.
const FIXED_ENGINES = { fft: ['peptide', 'rna'], brain: ['peptide', 'rna'], nn: ['peptide', 'rna'],
                        fit: ['peptide'] };
const ION_FIELDS = ['charge', 'adduct', 'label', 'min_intensity', 'resolution', 'analyzer'];

const state = {
  pins: [],       // API query strings of the kept results
  traces: [],     // {query, name, color, data} in drawing order; the current one last
  view: null,     // [x0, x1] shown, or null for the whole range
  instrument: null, // {resolution, analyzer} when profiles are drawn
  zoom: null,     // one nominal peak's fine structure: {trace, peak, window, ...}
  zoomId: 0,
  full: null,     // [x0, x1] of every trace
  requestId: 0,
};

// ---------------------------------------------------------------- queries

function formValues() {
  const values = {};
  for (const name of fields) values[name] = $(name).value.trim();
  return values;
}

// The API query of the form's values: a number in place of a sequence is a
// mass (never a valid sequence); zero charge and empty fields are left out.
function apiQuery(values) {
  const query = new URLSearchParams();
  query.set('kind', values.kind);
  if (values.kind !== 'formula' && NUMBER.test(values.input)) query.set('mass', values.input);
  else query.set('input', values.input);
  if (values.engine && values.engine !== 'exact') {
    query.set('engine', values.engine);
    if (values.points) query.set('points', values.points);
    return query;
  }
  if (values.charge && Number(values.charge) !== 0) query.set('charge', values.charge);
  if (values.adduct) query.set('adduct', values.adduct);
  if (values.label) query.set('label', values.label);
  if (values.points) query.set('points', values.points);
  if (values.min_intensity) query.set('min_intensity', values.min_intensity);
  return query;
}

function pageQuery(values, pins) {
  const query = apiQuery(values);
  if (values.resolution) {
    query.set('resolution', values.resolution);
    query.set('analyzer', values.analyzer);
  }
  for (const pin of pins) query.append('pin', pin);
  return query;
}

function readUrl() {
  const query = new URLSearchParams(window.location.search);
  const kind = query.get('kind');
  $('kind').value = ['formula', 'peptide', 'rna', 'dna'].includes(kind) ? kind : 'formula';
  $('input').value = query.get('input') ?? query.get('mass') ?? '';
  $('charge').value = query.get('charge') ?? '0';
  $('adduct').value = query.get('adduct') ?? '';
  $('label').value = query.getAll('label').join(', ');
  $('points').value = query.get('points') ?? '';
  $('min_intensity').value = query.get('min_intensity') ?? '';
  $('engine').value = query.get('engine') in FIXED_ENGINES ? query.get('engine') : 'exact';
  $('resolution').value = query.get('resolution') ?? '';
  $('analyzer').value = ANALYZERS.includes(query.get('analyzer')) ? query.get('analyzer') : 'orbitrap';
  state.pins = query.getAll('pin').slice(0, MAX_PINS);
  updateKindHints();
  return $('input').value.trim() !== '';
}

// A short name of a request for the legend and the tooltip.
function describe(queryString) {
  const query = new URLSearchParams(queryString);
  const parts = [];
  const kind = query.get('kind') || 'formula';
  if (query.has('mass')) parts.push(`${kind} of ${query.get('mass')} Da`);
  else parts.push(query.get('input') || '');
  const charge = Number(query.get('charge') || 0);
  if (charge) parts.push(`z=${charge > 0 ? '+' : ''}${charge}`);
  if (query.get('adduct')) parts.push(query.get('adduct'));
  if (query.getAll('label').length) parts.push(query.getAll('label').join(', '));
  if (query.get('engine')) parts.push(`(${query.get('engine')})`);
  return parts.join('  ');
}

// ---------------------------------------------------------------- fetching

async function fetchJson(queryString) {
  const response = await fetch(`/api/distribution?${queryString}`, { cache: 'no-store' });
  return { response, body: await response.json().catch(() => null) };
}

// A fixed call's object (points on a grid, no m/z) in the shape the plot
// and the table read; `exact` (the exact engine's result for the same input)
// gives the masses when the fixed call knows none (a molecule by mass).
function fromFixedCall(body, exact) {
  const exactMass = new Map(exact ? exact.points.map((p) => [p.k, p.mass]) : []);
  const points = body.points.filter((p) => p.k >= 0).map((p) => ({
    k: p.k, peak: p.peak, intensity: p.intensity, share: null,
    mass: p.mass ?? exactMass.get(p.k) ?? null,
  }));
  const top = points.reduce((best, p, i) => (p.intensity > points[best].intensity ? i : best), 0);
  return {
    engine: body.engine, formula: body.formula ?? (exact ? exact.formula : ''),
    monoisotopic_mass: body.monoisotopic_mass ?? (exact ? exact.monoisotopic_mass : null),
    average_mass: exact ? exact.average_mass : null, charge: 0, labels: [], points,
    most_abundant: top, api: body,
  };
}

async function fixedCallResult(queryString, body) {
  if (body.points.some((p) => p.mass !== undefined)) return { data: fromFixedCall(body, null) };
  const query = new URLSearchParams(queryString);
  query.delete('engine');
  query.delete('points');
  const { response, body: exact } = await fetchJson(query.toString());
  return { data: fromFixedCall(body, response.ok && exact && Array.isArray(exact.points) ? exact : null) };
}

async function fetchResult(queryString) {
  try {
    const { response, body } = await fetchJson(queryString);
    if (response.ok && body && Array.isArray(body.points)) {
      // A fixed engine's object names its engine; the exact one's does not.
      return body.engine ? fixedCallResult(queryString, body) : { data: body };
    }
    const message = body && typeof body.error === 'string' ? body.error
                                                           : `the server answered ${response.status}`;
    return { error: message, position: body ? body.position : null, status: body && body.status };
  } catch (e) {
    return { error: 'the server did not answer (is corvan serve still running?)' };
  }
}

async function run(push) {
  const values = formValues();
  if (!values.input) {
    showError({ error: 'Enter a formula, a sequence or a mass.' }, values.input);
    return;
  }
  const query = apiQuery(values).toString();
  const url = `?${pageQuery(values, state.pins).toString()}`;
  if (url !== window.location.search) {
    if (push) window.history.pushState(null, '', url);
    else window.history.replaceState(null, '', url);
  }
  const id = ++state.requestId;
  document.body.classList.add('busy');
  const results = await Promise.all([query, ...state.pins].map(fetchResult));
  state.instrument = values.resolution && values.engine === 'exact'
    ? { resolution: values.resolution, analyzer: values.analyzer } : null;
  const profiles = await Promise.all([...state.pins, query].map((q, i) =>
    loadProfile(q, i < state.pins.length ? results[i + 1] : results[0])));
  if (id !== state.requestId) return; // a newer request took over
  document.body.classList.remove('busy');
  const [main, ...pinned] = results;
  if (main.error) {
    showError(main, values.input);
    $('result').hidden = true;
    return;
  }
  hideError();
  state.traces = state.pins.map((pin, i) => ({
    query: pin, name: describe(pin), color: COLORS[i + 1], ...pinned[i], spectrum: profiles[i],
  }));
  state.traces.push({ query, name: describe(query), color: COLORS[0], ...main, current: true,
                      spectrum: profiles[profiles.length - 1] });
  state.view = null;
  state.zoom = null;
  render();
}

// ---------------------------------------------------------------- spectra

// The ion's keys of a distribution query with the instrument's and `extra`:
// a spectrum takes no engine, grid of points or least height.
function spectrumQuery(queryString, extra) {
  const query = new URLSearchParams(queryString);
  for (const key of ['engine', 'points', 'min_intensity']) query.delete(key);
  query.set('resolution', state.instrument.resolution);
  query.set('analyzer', state.instrument.analyzer);
  for (const [key, value] of Object.entries(extra)) query.set(key, value);
  return query.toString();
}

async function fetchSpectrum(queryString) {
  try {
    const response = await fetch(`/api/spectrum?${queryString}`, { cache: 'no-store' });
    const body = await response.json().catch(() => null);
    if (response.ok && body) return { body };
    return { error: body && typeof body.error === 'string' ? body.error
                                                          : `the server answered ${response.status}` };
  } catch (e) {
    return { error: 'the server did not answer (is corvan serve still running?)' };
  }
}

// {x, y} arrays of a profile object, its positions in m/z or Da.
function profileArrays(profile) {
  return { x: profile.mz ?? profile.mass, y: profile.intensity };
}

// The profile of an exact result at the instrument's resolution, or why not.
async function loadProfile(queryString, result) {
  if (!state.instrument || !result.data || result.data.engine) return null;
  const { body, error } = await fetchSpectrum(spectrumQuery(queryString, { part: 'profile' }));
  return error ? { error } : { profile: profileArrays(body.profile) };
}

// ---------------------------------------------------------------- errors

function showError(result, text) {
  const box = $('error');
  box.replaceChildren();
  const message = document.createElement('span');
  message.textContent = result.error;
  box.append(message);
  const position = charIndex(text, result.position);
  if (position !== null) {
    // The input with the faulty character marked.
    const where = document.createElement('code');
    where.className = 'where';
    const mark = document.createElement('mark');
    mark.textContent = text.slice(position, position + 1) || ' ';
    where.append(text.slice(0, position), mark, text.slice(position + 1));
    box.append(where);
  }
  if (result.status === 'not supported' && $('kind').value !== 'formula') {
    const hint = document.createElement('span');
    hint.className = 'hint-line';
    hint.textContent = 'A mass works for every kind: type a number of daltons instead.';
    box.append(hint);
  }
  box.hidden = false;
  $('input').setAttribute('aria-invalid', 'true');
}

// The library counts positions in bytes of UTF-8; the string counts UTF-16
// units. Null for a position outside the text.
function charIndex(text, byteOffset) {
  if (!Number.isInteger(byteOffset) || byteOffset < 0) return null;
  const encoder = new TextEncoder();
  let bytes = 0;
  for (let i = 0; i <= text.length; ) {
    if (bytes >= byteOffset) return bytes === byteOffset ? i : null;
    if (i === text.length) break;
    const code = text.codePointAt(i);
    bytes += encoder.encode(String.fromCodePoint(code)).length;
    i += code > 0xffff ? 2 : 1;
  }
  return null;
}

function hideError() {
  $('error').hidden = true;
  $('error').replaceChildren();
  $('input').removeAttribute('aria-invalid');
}

// ---------------------------------------------------------------- numbers

function xOf(point) {
  return point.mz ?? point.mass;
}

function isIon(data) {
  return data.charge !== 0;
}

function fixed(value, digits) {
  return value === null || value === undefined ? '' : value.toFixed(digits);
}

function height(value) {
  if (value === null || value === undefined) return '';
  if (value === 0) return '0';
  return value >= 1e-3 ? value.toFixed(6) : value.toExponential(4);
}

// ---------------------------------------------------------------- rendering

function render() {
  $('result').hidden = false;
  renderSpectrumError();
  $('zoom-summary').hidden = true;
  const current = state.traces[state.traces.length - 1];
  renderSummary(current.data);
  renderLegend();
  renderTable(current.data);
  const [low, high] = visibleRange();
  const pad = Math.max(0.6, (high - low) * 0.06);
  state.full = [low - pad, high + pad];
  drawPlot();
}

// Below this height a stick is under a pixel tall: the range leaves it out.
const VISIBLE = 1e-3;

// The x range of the sticks that can be seen (of every stick when none
// can), by loops: spreading many thousand points into Math.min overflows
// the call stack.
function visibleRange() {
  let low = Infinity;
  let high = -Infinity;
  for (const threshold of [VISIBLE, 0]) {
    for (const trace of state.traces) {
      if (!trace.data) continue;
      for (const point of trace.data.points) {
        const x = xOf(point);
        if (x === null || !(point.intensity >= threshold)) continue;
        low = Math.min(low, x);
        high = Math.max(high, x);
      }
    }
    if (low <= high) return [low, high];
  }
  return [0, 1];
}

function renderSummary(data) {
  const parts = [`${data.formula}`];
  if (data.monoisotopic_mass !== null) parts.push(`monoisotopic mass ${data.monoisotopic_mass.toFixed(6)} Da`);
  if (data.average_mass !== null) parts.push(`average mass ${data.average_mass.toFixed(4)} Da`);
  if (data.engine) parts.push(`${data.engine} engine`);
  if (isIon(data)) {
    parts.push(`charge ${data.charge > 0 ? '+' : ''}${data.charge} (${data.adduct})`);
    parts.push(`monoisotopic m/z ${data.monoisotopic_mz.toFixed(6)}`);
  }
  if (data.labels.length) parts.push(`labels ${data.labels.join(', ')}`);
  parts.push(`${data.points.length} points`);
  $('summary').textContent = parts.join(' · ');
}

// The first trace whose profile failed, with the library's message.
function renderSpectrumError() {
  const failed = [...state.traces].reverse().find((t) => t.spectrum && t.spectrum.error);
  const box = $('spectrum-error');
  box.hidden = !failed;
  if (failed) box.textContent = `resolution ${state.instrument.resolution}: ${failed.spectrum.error}`;
}

function renderLegend() {
  const legend = $('legend');
  legend.replaceChildren();
  const several = state.traces.length > 1;
  legend.hidden = !several;
  state.traces.forEach((trace, index) => {
    const item = document.createElement('li');
    const swatch = document.createElementNS(SVG_NS, 'svg');
    swatch.setAttribute('viewBox', '0 0 10 10');
    swatch.setAttribute('class', 'swatch');
    const box = document.createElementNS(SVG_NS, 'rect');
    for (const [k, v] of [['width', 10], ['height', 10], ['fill', trace.color]]) box.setAttribute(k, v);
    swatch.append(box);
    const name = document.createElement('span');
    name.textContent = trace.current ? `${trace.name} (current)` : trace.name;
    item.append(swatch, name);
    if (trace.error) {
      const error = document.createElement('span');
      error.className = 'error-inline';
      error.textContent = ` — ${trace.error}`;
      item.append(error);
    }
    if (!trace.current) {
      const remove = document.createElement('button');
      remove.type = 'button';
      remove.className = 'remove';
      remove.textContent = '×';
      remove.title = 'Remove this overlay';
      remove.addEventListener('click', () => {
        state.pins.splice(index, 1);
        run(true);
      });
      item.append(remove);
    }
    legend.append(item);
  });
}

function renderTable(data) {
  const ion = isIon(data);
  $('x-head').textContent = ion ? 'm/z' : 'mass (Da)';
  // An ion's mass is its atoms' (molecule and adduct); m/z also counts the
  // electrons.
  $('mass-head').textContent = ion ? 'atoms\u2019 mass (Da)' : 'mass (Da)';
  const body = $('table').tBodies[0];
  const rows = data.points.map((point) => {
    const row = document.createElement('tr');
    const cells = [point.peak, fixed(xOf(point), 6), fixed(point.mass, 6), height(point.intensity),
                   height(point.share)];
    if (!ion) cells.splice(2, 1);
    for (const text of cells) {
      const cell = document.createElement('td');
      cell.textContent = text;
      row.append(cell);
    }
    if (point === data.points[data.most_abundant]) row.className = 'top';
    return row;
  });
  const rowsAtOnce = document.createDocumentFragment();
  for (const row of rows) rowsAtOnce.append(row);
  body.replaceChildren(rowsAtOnce);
  $('table').classList.toggle('neutral', !ion);
}

// ---------------------------------------------------------------- plot

function niceTicks(low, high, count) {
  const span = high - low;
  const magnitude = 10 ** Math.floor(Math.log10(span / Math.max(1, count)));
  // The round step whose number of ticks comes closest to count.
  const misfit = (s) => Math.abs(span / s - count);
  const step = [1, 2, 5, 10].map((m) => m * magnitude)
    .reduce((best, s) => (misfit(s) < misfit(best) ? s : best));
  const ticks = [];
  for (let t = Math.ceil(low / step) * step; t <= high + step * 1e-9; t += step) ticks.push(t);
  const digits = Math.max(0, -Math.floor(Math.log10(step) + 1e-9));
  return { ticks, digits };
}

function svg(name, attributes, parent) {
  const element = document.createElementNS(SVG_NS, name);
  for (const [k, v] of Object.entries(attributes)) element.setAttribute(k, v);
  if (parent) parent.append(element);
  return element;
}

function plotGeometry() {
  const box = $('plot');
  const width = Math.max(280, box.clientWidth);
  const height = width < 560 ? 240 : 340;
  return { width, height, left: 58, right: 14, top: 14, bottom: 40 };
}

function drawPlot() {
  const g = plotGeometry();
  const [x0, x1] = state.view || state.full;
  const scaleX = (x) => g.left + ((x - x0) / (x1 - x0)) * (g.width - g.left - g.right);
  const scaleY = (y) => g.height - g.bottom - (y / 1.05) * (g.height - g.top - g.bottom);
  const root = svg('svg', { viewBox: `0 0 ${g.width} ${g.height}`, width: g.width, height: g.height,
                            role: 'img', 'aria-label': 'stick spectrum', class: 'spectrum' });
  drawAxes(root, g, x0, x1, scaleX, scaleY);
  if (state.zoom) drawZoom(root, x0, x1, scaleX, scaleY);
  else drawEnvelopes(root, x0, x1, scaleX, scaleY);
  const plot = $('plot');
  plot.replaceChildren(root);
  state.geometry = { g, x0, x1, scaleX };
}

function drawEnvelopes(root, x0, x1, scaleX, scaleY) {
  const sticks = svg('g', { class: 'sticks' }, root);
  // Overlaid traces of one molecule (engines side by side) share their
  // x values: each trace stands a few pixels beside the others.
  const spread = state.traces.length > 1 ? 4 : 0;
  state.traces.forEach((trace, index) => {
    if (!trace.data) return;
    const shift = (index - (state.traces.length - 1) / 2) * spread;
    for (const point of trace.data.points) {
      const x = xOf(point);
      if (x === null || x < x0 || x > x1 || point.intensity <= 0) continue;
      const px = scaleX(x) + shift;
      svg('line', { x1: px, x2: px, y1: scaleY(0), y2: scaleY(point.intensity), stroke: trace.color,
                    class: trace.current ? 'stick current' : 'stick', 'data-x': x,
                    'data-intensity': point.intensity, 'data-peak': point.peak }, sticks);
    }
    // The profile on the sticks' scale: a lone peak's height is its share
    // of the whole distribution, as a stick's is.
    if (trace.spectrum && trace.spectrum.profile) {
      const top = trace.data.points[trace.data.most_abundant].share;
      if (top > 0) drawProfile(root, trace.spectrum.profile, 1 / top, trace, x0, x1, scaleX, scaleY);
    }
  });
}

// The profile as one path; where points outnumber pixels, each pixel
// column keeps its highest point.
function drawProfile(root, profile, factor, trace, x0, x1, scaleX, scaleY) {
  const commands = [];
  let column = null;
  let best = -Infinity;
  const flush = () => {
    if (column !== null) commands.push(`${commands.length ? 'L' : 'M'}${column.toFixed(1)} ${scaleY(best * factor).toFixed(1)}`);
  };
  for (let i = 0; i < profile.x.length; i++) {
    const inside = profile.x[i] >= x0 && profile.x[i] <= x1;
    const neighbour = (profile.x[i + 1] >= x0 && profile.x[i] < x0) || (profile.x[i - 1] <= x1 && profile.x[i] > x1);
    if (!inside && !neighbour) continue;
    const px = Math.round(scaleX(profile.x[i]));
    if (px !== column) {
      flush();
      column = px;
      best = -Infinity;
    }
    best = Math.max(best, profile.y[i]);
  }
  flush();
  if (!commands.length) return;
  svg('path', { d: commands.join(''), stroke: trace.color, 'clip-path': 'url(#plot-area)',
                class: trace.current ? 'profile current' : 'profile' }, root);
}

// One nominal peak: its fine peaks as sticks, the profile at full
// resolution and its centroids, 1 on the y axis for the window's highest.
function drawZoom(root, x0, x1, scaleX, scaleY) {
  const { trace, fine, profile, centroids, top } = state.zoom;
  if (!fine) return;
  const sticks = svg('g', { class: 'sticks' }, root);
  for (const peak of fine) {
    if (peak.x < x0 || peak.x > x1) continue;
    const px = scaleX(peak.x);
    svg('line', { x1: px, x2: px, y1: scaleY(0), y2: scaleY(peak.probability / top), stroke: trace.color,
                  class: 'stick fine', 'data-x': peak.x, 'data-probability': peak.probability }, sticks);
  }
  drawProfile(root, profile, 1 / top, trace, x0, x1, scaleX, scaleY);
  for (const centroid of centroids) {
    if (centroid.x < x0 || centroid.x > x1) continue;
    svg('circle', { cx: scaleX(centroid.x), cy: scaleY(centroid.height / top), r: 3.5, fill: 'white',
                    class: 'centroid', 'data-x': centroid.x }, root);
  }
}

function drawAxes(root, g, x0, x1, scaleX, scaleY) {
  const clip = svg('clipPath', { id: 'plot-area' }, svg('defs', {}, root));
  svg('rect', { x: g.left, y: 0, width: g.width - g.left - g.right, height: g.height - g.bottom }, clip);
  const axes = svg('g', { class: 'axes' }, root);
  const bottom = g.height - g.bottom;
  svg('line', { x1: g.left, x2: g.width - g.right, y1: bottom, y2: bottom }, axes);
  svg('line', { x1: g.left, x2: g.left, y1: g.top, y2: bottom }, axes);
  const { ticks, digits } = niceTicks(x0, x1, Math.max(4, Math.floor(g.width / 100)));
  for (const t of ticks) {
    const px = scaleX(t);
    svg('line', { x1: px, x2: px, y1: bottom, y2: bottom + 5 }, axes);
    svg('text', { x: px, y: bottom + 18, 'text-anchor': 'middle' }, axes).textContent = t.toFixed(digits);
  }
  for (const y of [0, 0.25, 0.5, 0.75, 1]) {
    const py = scaleY(y);
    svg('line', { x1: g.left - 5, x2: g.left, y1: py, y2: py }, axes);
    if (y > 0) svg('line', { x1: g.left, x2: g.width - g.right, y1: py, y2: py, class: 'grid' }, axes);
    svg('text', { x: g.left - 8, y: py + 4, 'text-anchor': 'end' }, axes).textContent = y.toFixed(2);
  }
  const ion = state.traces.some((t) => t.data && isIon(t.data));
  svg('text', { x: (g.left + g.width - g.right) / 2, y: g.height - 4, 'text-anchor': 'middle',
                class: 'axis-title' }, axes).textContent = ion ? 'm/z' : 'mass (Da)';
  const middle = (g.top + bottom) / 2;
  svg('text', { x: 12, y: middle, 'text-anchor': 'middle', class: 'axis-title y-title',
                transform: `rotate(-90 12 ${middle})` }, axes).textContent = 'relative intensity';
}

// The stick nearest to pixel column px (within reach), over every trace.
function nearestStick(px, reach) {
  const { scaleX, x0, x1 } = state.geometry;
  let best = null;
  if (state.zoom) {
    for (const peak of state.zoom.fine || []) {
      const distance = Math.abs(scaleX(peak.x) - px);
      if (peak.x >= x0 && peak.x <= x1 && distance <= reach && (!best || distance < best.distance))
        best = { distance, trace: state.zoom.trace, fine: peak };
    }
    return best;
  }
  for (const trace of state.traces) {
    if (!trace.data) continue;
    for (const point of trace.data.points) {
      const x = xOf(point);
      if (x === null || x < x0 || x > x1 || point.intensity <= 0) continue;
      const distance = Math.abs(scaleX(x) - px);
      if (distance <= reach && (!best || distance < best.distance)) best = { distance, trace, point };
    }
  }
  return best;
}

function showTooltip(event) {
  const plot = $('plot');
  const rect = plot.getBoundingClientRect();
  const px = event.clientX - rect.left;
  const hit = nearestStick(px, 14);
  const tip = $('tooltip');
  plot.querySelectorAll('.stick.hover').forEach((s) => s.classList.remove('hover'));
  if (!hit) {
    tip.hidden = true;
    return;
  }
  const { trace, point } = hit;
  const lines = hit.fine ? fineLines(hit.fine) : pointLines(trace, point);
  tip.replaceChildren(...lines.map((line) => {
    const div = document.createElement('div');
    div.textContent = line;
    return div;
  }));
  tip.hidden = false;
  const x = state.geometry.scaleX(hit.fine ? hit.fine.x : xOf(point));
  if (point) {
    plot.querySelectorAll('.stick').forEach((s) => {
      if (Number(s.getAttribute('data-x')) === xOf(point) && s.getAttribute('stroke') === trace.color)
        s.classList.add('hover');
    });
  }
  // Beside the stick, on the side where it fits.
  let left = x + 10;
  if (left + tip.offsetWidth > rect.width) left = x - tip.offsetWidth - 10;
  tip.style.left = `${plot.offsetLeft + Math.max(0, left)}px`;
  tip.style.top = `${plot.offsetTop + 12}px`;
  return hit;
}

function fineLines(peak) {
  const lines = [`fine peak of ${state.zoom.peak}`, `${peak.name} ${fixed(peak.x, 6)}`,
                 `probability ${height(peak.probability)}`];
  if (peak.centroid !== undefined) lines.push(`in the centroid at ${fixed(peak.centroid, 6)}`);
  return lines;
}

function pointLines(trace, point) {
  const lines = [];
  if (state.traces.length > 1) lines.push(trace.name);
  lines.push(point.peak);
  if (point.mz !== undefined) lines.push(`m/z ${fixed(point.mz, 6)}`);
  const massName = point.mz !== undefined ? 'atoms\u2019 mass' : 'mass';
  lines.push(`${massName} ${fixed(point.mass, 6)} Da`, `height ${height(point.intensity)}`);
  if (point.share !== null) lines.push(`share ${height(point.share)}`);
  if (state.instrument && trace.spectrum && trace.spectrum.profile) lines.push('click: its fine structure');
  return lines;
}

// The range zoom and pan stay in: one nominal peak's window, or every trace.
function limits() {
  return state.zoom ? state.zoom.window : state.full;
}

// Zooms into one nominal peak (x ± half a mass unit over |z|) and loads its
// fine structure, its profile at full resolution and its centroids.
async function zoomPeak(trace, point) {
  const half = 0.5 / (Math.abs(trace.data.charge) || 1);
  const center = xOf(point);
  const window = { mz_low: (center - half).toFixed(6), mz_high: (center + half).toFixed(6) };
  const id = ++state.zoomId;
  state.zoom = { trace, peak: point.peak, window: [center - half, center + half] };
  state.view = state.zoom.window;
  showZoomSummary(`${point.peak}: computing its fine structure…`);
  drawPlot();
  const [profile, centroids] = await Promise.all(['profile', 'centroids'].map((part) =>
    fetchSpectrum(spectrumQuery(trace.query, { ...window, part }))));
  if (id !== state.zoomId || !state.zoom) return;
  const failed = profile.error || centroids.error;
  if (failed) {
    showZoomSummary(`${point.peak}: ${failed}`);
    return;
  }
  Object.assign(state.zoom, zoomContents(profile.body, centroids.body));
  state.view = shownRange(state.zoom);
  showZoomSummary(zoomText(state.zoom));
  drawPlot();
}

function zoomContents(profileBody, centroidsBody) {
  const name = centroidsBody.charge === 0 ? 'mass' : 'mz';
  const profile = profileArrays(profileBody.profile);
  const centroids = centroidsBody.centroids.map((c) => ({ x: c[name], height: c.height,
                                                          count: c.fine.length }));
  const fine = centroidsBody.centroids.flatMap((c) => c.fine.map((f) => ({
    x: f[name], probability: f.probability, centroid: c[name], name: name === 'mz' ? 'm/z' : 'mass' })));
  let top = 0;
  for (const y of profile.y) top = Math.max(top, y);
  for (const peak of fine) top = Math.max(top, peak.probability);
  return { profile, centroids, fine, top: top > 0 ? top : 1 };
}

// Where the profile rises above a thousandth of its highest, padded.
function shownRange(zoom) {
  let low = Infinity;
  let high = -Infinity;
  zoom.profile.x.forEach((x, i) => {
    if (zoom.profile.y[i] < zoom.top * 1e-3) return;
    low = Math.min(low, x);
    high = Math.max(high, x);
  });
  if (!(low < high)) return zoom.window;
  const pad = (high - low) * 0.15;
  return [Math.max(zoom.window[0], low - pad), Math.min(zoom.window[1], high + pad)];
}

function zoomText(zoom) {
  const where = zoom.centroids.map((c) => `${fixed(c.x, 5)} (${c.count} fine)`).join(', ');
  return `${zoom.peak} at ${state.instrument.resolution} ${state.instrument.analyzer}: ` +
    `${zoom.fine.length} fine peaks, ${zoom.centroids.length} centroids: ${where}. ` +
    'Reset zoom returns to the envelope.';
}

function showZoomSummary(text) {
  $('zoom-summary').textContent = text;
  $('zoom-summary').hidden = false;
}

function leaveZoom() {
  state.zoom = null;
  state.zoomId++;
  $('zoom-summary').hidden = true;
}

function zoom(factor, centerPx) {
  if (!state.full) return;
  const [x0, x1] = state.view || state.full;
  const { g, scaleX } = state.geometry;
  const px = centerPx ?? (g.left + g.width - g.right) / 2;
  const center = x0 + ((px - g.left) / (scaleX(x1) - g.left)) * (x1 - x0);
  const [f0, f1] = limits();
  const narrowest = state.zoom ? 1e-4 : 0.05;
  const span = Math.min(f1 - f0, Math.max(narrowest, (x1 - x0) * factor));
  let low = center - (center - x0) * (span / (x1 - x0));
  low = Math.max(f0, Math.min(low, f1 - span));
  state.view = [low, low + span];
  drawPlot();
}

function pan(dxPx) {
  const [x0, x1] = state.view || state.full;
  const { g } = state.geometry;
  const shift = (dxPx / (g.width - g.left - g.right)) * (x1 - x0);
  const span = x1 - x0;
  const [f0, f1] = limits();
  const low = Math.max(f0, Math.min(x0 - shift, f1 - span));
  state.view = [low, low + span];
  drawPlot();
}

function bindPlot() {
  const plot = $('plot');
  let drag = null;
  plot.addEventListener('wheel', (event) => {
    event.preventDefault();
    const rect = plot.getBoundingClientRect();
    zoom(event.deltaY < 0 ? 0.8 : 1.25, event.clientX - rect.left);
  }, { passive: false });
  plot.addEventListener('pointerdown', (event) => {
    drag = { x: event.clientX, moved: false };
    plot.setPointerCapture(event.pointerId);
  });
  plot.addEventListener('pointermove', (event) => {
    if (drag && Math.abs(event.clientX - drag.x) > 3) {
      drag.moved = true;
      pan(event.clientX - drag.x);
      drag.x = event.clientX;
      $('tooltip').hidden = true;
      return;
    }
    if (!drag && state.geometry) showTooltip(event);
  });
  plot.addEventListener('pointerup', (event) => {
    const clicked = drag && !drag.moved && state.geometry ? showTooltip(event) : null;
    drag = null;
    if (clicked && clicked.point && !state.zoom && clicked.trace.spectrum &&
        clicked.trace.spectrum.profile) zoomPeak(clicked.trace, clicked.point);
  });
  plot.addEventListener('pointerleave', () => {
    if (!drag) $('tooltip').hidden = true;
  });
  $('zoom-in').addEventListener('click', () => zoom(0.5));
  $('zoom-out').addEventListener('click', () => zoom(2));
  $('zoom-reset').addEventListener('click', () => {
    leaveZoom();
    state.view = null;
    drawPlot();
  });
}

// ---------------------------------------------------------------- exports

function currentData() {
  const trace = state.traces[state.traces.length - 1];
  return trace && trace.data;
}

function csvOf(data) {
  const ion = isIon(data);
  const lines = [ion ? 'k,peak,mz,mass,intensity,share' : 'k,peak,mass,intensity,share'];
  for (const p of data.points) {
    const cells = [p.k, p.peak];
    if (ion) cells.push(p.mz ?? '');
    cells.push(p.mass ?? '', p.intensity, p.share ?? '');
    lines.push(cells.join(','));
  }
  return `${lines.join('\n')}\n`;
}

function fileStem() {
  const query = new URLSearchParams(state.traces[state.traces.length - 1].query);
  const name = (query.get('input') || query.get('mass') || 'envelope').replace(/[^A-Za-z0-9.+-]+/g, '_');
  return `corvan-${name.slice(0, 60)}`;
}

function download(text, type, name) {
  const url = URL.createObjectURL(new Blob([text], { type }));
  const link = document.createElement('a');
  link.href = url;
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 1000);
}

async function copyText(text) {
  try {
    await navigator.clipboard.writeText(text);
  } catch (e) {
    // Pages served over plain http to another machine have no clipboard API.
    const area = document.createElement('textarea');
    area.value = text;
    document.body.append(area);
    area.select();
    document.execCommand('copy');
    area.remove();
  }
  const note = $('copied');
  note.hidden = false;
  setTimeout(() => { note.hidden = true; }, 1500);
}

function bindExports() {
  $('copy-mz').addEventListener('click', () => {
    const data = currentData();
    if (data) copyText(data.points.filter((p) => xOf(p) !== null)
      .map((p) => xOf(p).toFixed(6)).join('\n'));
  });
  $('download-csv').addEventListener('click', () => {
    const data = currentData();
    if (data) download(csvOf(data), 'text/csv', `${fileStem()}.csv`);
  });
  $('download-json').addEventListener('click', () => {
    const data = currentData();
    if (data) download(`${JSON.stringify(data.api ?? data, null, 2)}\n`, 'application/json', `${fileStem()}.json`);
  });
}

// ---------------------------------------------------------------- form

function updateKindHints() {
  const hints = {
    formula: 'C6H12O6, [13C6]H12O6 or C50H71N13O12',
    peptide: 'EM[Oxidation]EVEESPEK, PEPTIDE[C2H2O]K or 1500.5 (Da)',
    rna: 'ACGUACGU or 5000 (Da)',
    dna: 'ACGTACGT or 5000 (Da)',
  };
  $('input').placeholder = hints[$('kind').value];
  const kind = $('kind').value;
  for (const option of $('engine').options)
    option.disabled = option.value !== 'exact' && !FIXED_ENGINES[option.value].includes(kind);
  if ($('engine').selectedOptions[0].disabled) $('engine').value = 'exact';
  // The fixed calls compute the neutral molecule without labels.
  const fixed = $('engine').value !== 'exact';
  for (const name of ION_FIELDS) $(name).disabled = fixed;
}

function bindForm() {
  $('query').addEventListener('submit', (event) => {
    event.preventDefault();
    run(true);
  });
  $('kind').addEventListener('change', updateKindHints);
  $('engine').addEventListener('change', updateKindHints);
  $('pin').addEventListener('click', () => {
    const values = formValues();
    if (!values.input) return;
    const query = apiQuery(values).toString();
    if (!state.pins.includes(query)) state.pins.push(query);
    if (state.pins.length > MAX_PINS) state.pins.shift();
    run(true);
  });
  $('clear-pins').addEventListener('click', () => {
    state.pins = [];
    if ($('input').value.trim()) run(true);
  });
  window.addEventListener('popstate', () => {
    if (readUrl()) run(false);
  });
  let resizeTimer = null;
  window.addEventListener('resize', () => {
    clearTimeout(resizeTimer);
    resizeTimer = setTimeout(() => { if (state.full && !$('result').hidden) drawPlot(); }, 100);
  });
}

document.addEventListener('DOMContentLoaded', () => {
  bindForm();
  bindPlot();
  bindExports();
  if (readUrl()) run(false);
});
