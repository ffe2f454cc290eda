'use strict';
// The control room's page: reads the tracker's JSON API and refreshes on its Server-Sent Events.
const $ = (id) => document.getElementById(id);
const colours = {};
let map, layers, fitted = '', current = '', routes = [];

function cssColour(name) {
  if (!colours[name]) colours[name] = getComputedStyle(document.documentElement).getPropertyValue('--' + name).trim();
  return colours[name];
}
// UTC to the second; the date only when it is not today's.
function time(iso) {
  if (!iso) return '';
  const clock = iso.slice(11, 19) + 'Z';
  return iso.slice(0, 10) === new Date().toISOString().slice(0, 10) ? clock : iso.slice(0, 10) + ' ' + clock;
}
function cell(text, className) {
  const td = document.createElement('td');
  td.textContent = text == null ? '' : String(text);
  if (className) td.className = className;
  return td;
}
// The tables are drawn anew on every change (about once a second): a control that had the
// keyboard's focus gets it back in its new row, found by its data-key.
function fillTable(id, rows) {
  const body = $(id).tBodies[0];
  const focused = body.contains(document.activeElement) ? document.activeElement.dataset.key : undefined;
  if (!rows.length) {
    const empty = cell($(id).dataset.empty, 'empty');
    empty.colSpan = $(id).tHead.rows[0].cells.length;
    rows = [[empty]];
  }
  body.replaceChildren(...rows.map((cells) => { const tr = document.createElement('tr'); tr.append(...cells); return tr; }));
  const again = focused && body.querySelector(`[data-key="${CSS.escape(focused)}"]`);
  if (again) again.focus();
}
async function api(path, options) {
  const response = await fetch(path, options);
  const body = await response.json().catch(() => ({ error: response.statusText }));
  if (!response.ok) throw new Error(body.error || response.statusText);
  return body;
}
function say(text) { $('message').textContent = text; }

function setUpMap(tiles) {
  map = L.map('map', { attributionControl: !!tiles, keyboard: true });
  map.getContainer().setAttribute('aria-label', 'Map of the run: the arrow keys move it, + and - zoom');
  if (tiles) L.tileLayer(tiles, { maxZoom: 18 }).addTo(map);
  L.control.scale({ imperial: false }).addTo(map);
  layers = L.layerGroup().addTo(map);
  map.setView([0, 0], 2);
}

function markerStates(run) {
  const states = {};
  for (const pig of run.state.pigs) for (const m of pig.markers) states[m.marker] = m;
  return states;
}

function drawMap(run, states) {
  layers.clearLayers();
  const line = L.polyline(run.route.line, { color: cssColour('route'), weight: 3 }).addTo(layers);
  run.route.markers.forEach((marker, index) => {
    const state = states[index] ? states[index].state : 'ahead';
    L.circleMarker(marker.position, { radius: 7, color: cssColour(state), fillOpacity: 0.9, weight: 2 })
      .bindTooltip(marker.name, { permanent: true, direction: 'right', offset: [8, 0], className: 'marker-name' })
      .addTo(layers);
  });
  for (const pig of run.state.pigs) {
    if (pig.launched) L.circleMarker(pig.position, { radius: 9, color: cssColour('pig'), fillOpacity: 0.4, weight: 3 })
      .bindTooltip(pig.name).addTo(layers);
  }
  if (fitted !== run.name) { map.fitBounds(line.getBounds(), { padding: [20, 20] }); fitted = run.name; }
}

function svg(name, attributes) {
  const element = document.createElementNS('http://www.w3.org/2000/svg', name);
  for (const [key, value] of Object.entries(attributes)) element.setAttribute(key, value);
  return element;
}

// Drawn at the element's own width, so that its text keeps its size on a phone: the passages
// (solid), the ETAs ahead (dashed), a dotted line at each marker and one at now.
function drawChart(run) {
  const chart = $('chart');
  const width = Math.max(300, Math.round(chart.getBoundingClientRect().width) || 600), height = 260;
  chart.setAttribute('viewBox', `0 0 ${width} ${height}`);
  const pig = run.state.pigs[0];
  const points = pig ? pig.markers.filter((m) => m.passedAt || m.eta) : [];
  const now = Date.parse(run.evaluated) || Date.now();
  const times = points.map((m) => Date.parse(m.passedAt || m.eta)).concat([Date.parse(run.launchTime), now]);
  const t0 = Math.min(...times), t1 = Math.max(...times) + 1;
  const chainages = run.route.markers.map((m) => m.chainage);
  const c0 = Math.min(...chainages), c1 = Math.max(...chainages) + 1;
  const left = 56, right = width - 10, top = 10, bottom = height - 24;
  const x = (t) => left + (t - t0) / (t1 - t0) * (right - left), y = (c) => bottom - (c - c0) / (c1 - c0) * (bottom - top);
  const path = (list) => list.map((m) => x(Date.parse(m.passedAt || m.eta)) + ',' + y(m.chainage)).join(' ');
  const passed = points.filter((m) => m.passedAt);
  const last = passed.length ? [passed[passed.length - 1]] : [];
  const label = (text, attributes) => { const t = svg('text', attributes); t.textContent = text; return t; };
  const ticks = run.route.markers.flatMap((m) => [svg('line', { class: 'tick', x1: left, y1: y(m.chainage), x2: right, y2: y(m.chainage) }),
    label(m.name, { x: left - 6, y: y(m.chainage) + 4, 'text-anchor': 'end' })]);
  chart.replaceChildren(...ticks,
    svg('line', { class: 'axis', x1: left, y1: bottom, x2: right, y2: bottom }), svg('line', { class: 'axis', x1: left, y1: top, x2: left, y2: bottom }),
    svg('polyline', { class: 'expected', points: path(last.concat(points.filter((m) => !m.passedAt && m.eta))) }),
    svg('polyline', { class: 'actual', points: path(passed) }),
    svg('line', { class: 'now', x1: x(now), y1: top, x2: x(now), y2: bottom }),
    label(time(new Date(t0).toISOString()), { x: left, y: height - 6 }),
    label(time(new Date(t1).toISOString()), { x: right, y: height - 6, 'text-anchor': 'end' }),
    label('now', { x: x(now), y: top + 10, 'text-anchor': 'middle' }));
}

function drawMarkers(run, states) {
  fillTable('markers', run.route.markers.map((marker, index) => {
    const s = states[index] || { state: 'before launch' };
    return [cell(marker.name), cell((marker.chainage / 1000).toFixed(2)), cell(s.state, 'state state-' + s.state),
      cell(time(s.passedAt)),
      cell(s.speedKmh != null ? s.speedKmh.toFixed(1) + (s.speedOutOfBand ? ' !' : '') : '', s.speedOutOfBand ? 'out-of-band' : ''),
      cell(s.state === 'passed' ? '' : time(s.eta))];
  }));
  const pig = run.state.pigs[0];
  $('pig').textContent = pig ? (pig.launched ? `${pig.name} at ${(pig.chainage / 1000).toFixed(2)} km, ${pig.speedKmh.toFixed(1)} km/h` +
    (pig.stuck ? ` — stuck ${pig.stuck}` : '') : `${pig.name} not launched yet`) : '';
}

function drawAlarms(run) {
  const rows = run.alarms.slice().reverse().map((alarm) => {
    const button = document.createElement('button');
    button.textContent = 'Acknowledge';
    button.dataset.key = alarm.key;
    button.hidden = alarm.state !== 'unacknowledged' && alarm.state !== 'cleared';
    button.addEventListener('click', () => acknowledge(run.name, alarm.marker));
    const action = document.createElement('td');
    action.append(button);
    const history = cell('', 'history');
    history.append(...[`raised ${time(alarm.raised)}`,
      alarm.acknowledgedAt && `acknowledged ${time(alarm.acknowledgedAt)} by ${alarm.acknowledgedBy}`,
      alarm.cleared && `cleared ${time(alarm.cleared)}`].filter(Boolean).map((text) => {
      const line = document.createElement('div');
      line.textContent = text;
      return line;
    }));
    return [cell(alarm.markerName), cell(alarm.kind), cell(alarm.state, 'state state-' + alarm.state), history, action];
  });
  fillTable('alarms', rows);
}

async function acknowledge(run, marker) {
  const who = $('who').value.trim();
  if (!who) { say('Type your name first: an acknowledgement is by a named person.'); $('who').focus(); return; }
  localStorage.setItem('who', who);
  try { await api(`/api/runs/${encodeURIComponent(run)}/alarms/${marker}/acknowledge`, { method: 'POST', body: JSON.stringify({ by: who }) }); say(''); refresh(); }
  catch (error) { say(error.message); }
}

async function drawUnits() {
  const units = await api('/api/units');
  const status = (u) => (u.online ? 'online' : 'offline') + (u.online && u.connection && u.connection !== 'connected' ? ', unit ' + u.connection : '');
  fillTable('units', units.map((u) => [cell(u.serial), cell(status(u), 'state state-' + (u.online ? 'online' : 'offline')),
    cell(u.battery != null ? u.battery + ' %' : ''), cell(u.gpsQuality != null ? u.gpsQuality : ''), cell(time(u.lastHeard))]));
}

async function drawRuns() {
  const runs = await api('/api/runs');
  const select = $('run');
  const names = runs.map((r) => r.name);
  const label = (r) => r.name + (r.unacknowledgedAlarms ? ` (${r.unacknowledgedAlarms} !)` : '');
  if ([...select.options].map((o) => o.value).join('\n') !== names.join('\n')) {
    select.replaceChildren(...runs.map((r) => new Option(label(r), r.name)));
    if (names.includes(current)) select.value = current;
  } else {
    runs.forEach((r, i) => { select.options[i].textContent = label(r); });  // the alarm counts change
  }
  current = select.value;
  if (!current) { fillTable('markers', []); fillTable('alarms', []); return; }
  const run = await api('/api/runs/' + encodeURIComponent(current));
  const states = markerStates(run);
  drawMap(run, states); drawChart(run); drawMarkers(run, states); drawAlarms(run);
}

async function drawRoutes() {
  routes = await api('/api/routes');
  const select = $('run-route');
  const chosen = select.value;
  select.replaceChildren(...routes.map((r) => new Option(r.name + ' (' + r.file + ')', r.file)));
  if (chosen) select.value = chosen;
  fillLaunchMarkers();
}
function fillLaunchMarkers() {
  const route = routes.find((r) => r.file === $('run-route').value);
  const chosen = $('run-launch').value;
  $('run-launch').replaceChildren(...(route ? route.markers : []).map((m) => new Option(m, m)));
  if (chosen) $('run-launch').value = chosen;
}

let pending = null;
function refresh() {
  if (pending) return;
  pending = setTimeout(async () => {
    pending = null;
    try { await Promise.all([drawRuns(), drawUnits()]); } catch (error) { say(error.message); }
  }, 100);
}

function listen() {
  const events = new EventSource('/api/events');
  events.addEventListener('change', refresh);
  events.onopen = () => { $('live').textContent = 'live'; $('live').className = 'live up'; refresh(); };
  events.onerror = () => { $('live').textContent = 'reconnecting…'; $('live').className = 'live'; };
}

async function uploadRoute(event) {
  event.preventDefault();
  const file = $('route-file').files[0];
  if (!file) return;
  try { await api('/api/routes?file=' + encodeURIComponent(file.name), { method: 'POST', body: file }); say(''); drawRoutes(); }
  catch (error) { say(`${file.name}: ${error.message}`); }
}

async function startRun(event) {
  event.preventDefault();
  const when = $('run-time').value ? new Date($('run-time').value + 'Z') : new Date();
  const definition = { name: $('run-name').value, route: $('run-route').value, launch: $('run-launch').value,
    launchTime: when.toISOString(), speedKmh: Number($('run-speed').value),
    units: $('run-units').value.split(',').map((s) => s.trim()).filter(Boolean) };
  try { await api('/api/runs', { method: 'POST', body: JSON.stringify(definition) }); say(''); current = definition.name; refresh(); }
  catch (error) { say(error.message); }
}

async function main() {
  $('who').value = localStorage.getItem('who') || '';
  // The map's colours come from the style sheet, which has a light and a dark set.
  matchMedia('(prefers-color-scheme: dark)').addEventListener('change', () => {
    for (const name of Object.keys(colours)) delete colours[name];
    refresh();
  });
  $('run').addEventListener('change', () => { current = $('run').value; refresh(); });
  $('run-route').addEventListener('change', fillLaunchMarkers);
  $('route-form').addEventListener('submit', uploadRoute);
  $('run-form').addEventListener('submit', startRun);
  const config = await api('/api/config');
  setUpMap(config.tiles);
  await drawRoutes();
  refresh();
  listen();
}
main().catch((error) => say(error.message));
