'use strict';
// The control room's page: reads the tracker's JSON API and refreshes on its Server-Sent Events.
const $ = (id) => document.getElementById(id);
const colours = {};
let map, layers, fitted = '', current = '', routes = [];

function cssColour(name) {
  if (!colours[name]) colours[name] = getComputedStyle(document.documentElement).getPropertyValue('--' + name).trim();
  return colours[name];
}
function time(iso) { return iso ? iso.replace('T', ' ').replace(/\.\d+Z$/, 'Z') : ''; }
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
      .bindTooltip(marker.name + ': ' + state).addTo(layers);
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

function drawChart(run, states) {
  const chart = $('chart');
  const pig = run.state.pigs[0];
  const points = pig ? pig.markers.filter((m) => m.passedAt || m.eta) : [];
  const now = Date.parse(run.evaluated) || Date.now();
  const start = Date.parse(run.launchTime);
  const times = points.map((m) => Date.parse(m.passedAt || m.eta)).concat([start, now]);
  const t0 = Math.min(...times), t1 = Math.max(...times) + 1;
  const c0 = Math.min(...run.route.markers.map((m) => m.chainage)), c1 = Math.max(...run.route.markers.map((m) => m.chainage)) + 1;
  const x = (t) => 50 + (t - t0) / (t1 - t0) * 540, y = (c) => 240 - (c - c0) / (c1 - c0) * 225;
  const path = (list) => list.map((m) => x(Date.parse(m.passedAt || m.eta)) + ',' + y(m.chainage)).join(' ');
  const passed = points.filter((m) => m.passedAt);
  const last = passed.length ? [passed[passed.length - 1]] : [];
  chart.replaceChildren(
    svg('line', { class: 'axis', x1: 50, y1: 240, x2: 590, y2: 240 }), svg('line', { class: 'axis', x1: 50, y1: 10, x2: 50, y2: 240 }),
    svg('polyline', { class: 'expected', points: path(last.concat(points.filter((m) => !m.passedAt && m.eta))) }),
    svg('polyline', { class: 'actual', points: path(passed) }),
    svg('line', { class: 'now', x1: x(now), y1: 10, x2: x(now), y2: 240 }));
  const label = (text, ax, ay) => { const t = svg('text', { x: ax, y: ay }); t.textContent = text; chart.append(t); };
  label((c1 / 1000).toFixed(0) + ' km', 2, 20); label((c0 / 1000).toFixed(0) + ' km', 2, 240);
  label(time(new Date(t0).toISOString()), 50, 256); label('now', x(now) - 10, 20);
  void states;
}

function drawMarkers(run, states) {
  fillTable('markers', run.route.markers.map((marker, index) => {
    const s = states[index] || { state: 'before launch' };
    return [cell(marker.name), cell((marker.chainage / 1000).toFixed(2)), cell(s.state, 'state state-' + s.state),
      cell(time(s.passedAt)), cell(s.speedKmh != null ? s.speedKmh.toFixed(1) + (s.speedOutOfBand ? ' !' : '') : ''),
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
    return [cell(alarm.markerName), cell(alarm.kind), cell(alarm.state, 'state state-' + alarm.state), cell(time(alarm.raised)),
      cell(alarm.acknowledgedBy ? `${alarm.acknowledgedBy} ${time(alarm.acknowledgedAt)}` : ''), cell(time(alarm.cleared)), action];
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
  fillTable('units', units.map((u) => [cell(u.serial), cell(u.online ? 'online' : 'offline', 'state state-' + (u.online ? 'online' : 'offline')),
    cell(u.battery != null ? u.battery : ''), cell(u.gpsQuality != null ? u.gpsQuality : ''), cell(time(u.lastHeard))]));
}

async function drawRuns() {
  const runs = await api('/api/runs');
  const select = $('run');
  const names = runs.map((r) => r.name);
  if (select.options.length !== names.length) {
    select.replaceChildren(...runs.map((r) => new Option(r.name + (r.unacknowledgedAlarms ? ` (${r.unacknowledgedAlarms} !)` : ''), r.name)));
    if (names.includes(current)) select.value = current;
  }
  current = select.value;
  if (!current) return;
  const run = await api('/api/runs/' + encodeURIComponent(current));
  const states = markerStates(run);
  drawMap(run, states); drawChart(run, states); drawMarkers(run, states); drawAlarms(run);
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
  }, 200);
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
