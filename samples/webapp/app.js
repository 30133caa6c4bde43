// @ts-check
'use strict';
// The reference web application of the Landfetch add-on: it brings the sample plot into the open
// project through the ACAPI object that the add-on registers in its palette. Plain JavaScript, no
// build step; every ACAPI function returns a Promise, so every call is awaited. The calls are
// checked against acapi.d.ts (`tsc -p jsconfig.json`); reply.js reads the replies.

// The add-on turns this prefix plus a local path into a file:// address and opens it outside.
const OPEN_FILE_PREFIX = 'https://open-file.landfetch.invalid';
// The sample plot's files, fetched from this page's own origin.
const SAMPLE_FOLDER = 'sample/';
const DATASET = 'dmr5g';

const state = {
    plot: null,          // plot.json: grid coordinates (S-JTSK), absolute heights
    terrainText: '',     // "x y z" lines, grid coordinates
    orthophoto: '',      // Base64 of the JPEG files
    drape: '',
    report: '',
    attributes: null,    // the reply of GetAttributes
    frame: null,         // the survey point the project is tied to: plan (0, 0) is here
    reportPath: '',
    busy: 0,
};

/** @type {(id: string) => any} */
const $ = (id) => document.getElementById(id);

// The add-on calls these two from the host: keep them defined before anything is awaited.
window.acSetTheme = (theme) => applyTheme(theme);
window.acResyncProjectOrigin = () => readProject();

// Builds 29 and 30 offer GetAppearance and open new windows outside the palette; builds 27 and 28
// lack it and watch the page's navigation instead.
function hostFollowsTheme() {
    return !!window.ACAPI && 'GetAppearance' in window.ACAPI;
}

function applyTheme(theme) {
    const dark = theme === 'dark';
    document.documentElement.dataset.theme = dark ? 'dark' : 'light';
    $('appearance').textContent = dark ? 'dark' : 'light';
}


function log(name, reply, ok) {
    const item = document.createElement('li');
    const text = typeof reply === 'string' ? reply : JSON.stringify(reply);
    item.dataset.call = name;
    item.dataset.ok = ok ? 'true' : 'false';
    item.title = text;
    const label = document.createElement('b');
    label.textContent = name;
    item.append(label, ' ', text.length > 160 ? text.slice(0, 157) + '…' : text);
    $('log').prepend(item);
    const footer = $('last-reply');
    footer.dataset.ok = item.dataset.ok;
    footer.textContent = `${name}: ${text}`;
    while ($('log').children.length > 40)
        $('log').lastChild.remove();
}

/**
 * One ACAPI call, awaited; the reply is logged. Null when the host has no such function or the
 * call was rejected.
 * @template {string | boolean} R
 * @param {string} name  the function `invoke` calls
 * @param {(api: Landfetch.ACAPI) => Promise<R>} invoke
 * @returns {Promise<R | null>}
 */
async function call(name, invoke) {
    const api = window.ACAPI;
    if (!api || !(name in api)) {
        log(name, 'not offered by this host', false);
        return null;
    }
    try {
        const reply = await invoke(api);
        const status = parsePlacementReply(typeof reply === 'string' ? reply : null).status;
        log(name, reply, status === null ? reply !== false : status === 0);
        return reply;
    } catch (error) {
        log(name, 'failed: ' + error, false);
        return null;
    }
}

// Buttons are off while a call runs, so a second click cannot place the same data twice.
async function busy(work) {
    state.busy++;
    updateButtons();
    try {
        await work();
    } finally {
        state.busy--;
        updateButtons();
    }
}

function updateButtons() {
    const ready = !!state.plot && !!state.frame && state.busy === 0;
    for (const button of /** @type {NodeListOf<HTMLButtonElement>} */ (document.querySelectorAll('button.place')))
        button.disabled = !ready;
    $('set-survey').disabled = !state.plot || state.busy > 0;
    $('save-report').disabled = !state.plot || state.busy > 0;
    $('open-report').disabled = !state.reportPath || state.busy > 0;
    document.body.dataset.state = state.busy > 0 ? 'busy' : state.plot ? 'ready' : 'loading';
}

// --- the project ---------------------------------------------------------------------------

async function readProject() {
    const attributes = parseJsonReply(await call('GetAttributes', (api) => api.GetAttributes()));
    if (attributes)
        fillChoices(attributes);
    const survey = parseJsonReply(await call('GetSurveyPoint', (api) => api.GetSurveyPoint()));
    // A project that is not tied to the grid has its survey point at 0, 0.
    const tied = survey && survey.ok && (Math.abs(survey.eastings) >= 1 || Math.abs(survey.northings) >= 1);
    state.frame = tied ? { eastings: survey.eastings, northings: survey.northings, height: survey.height } : null;
    $('survey').textContent = tied
        ? `E ${survey.eastings.toFixed(2)}  N ${survey.northings.toFixed(2)}  H ${survey.height.toFixed(2)} m`
        : survey && survey.ok ? 'The project is not tied to the grid yet.' : 'The survey point cannot be read.';
    updateButtons();
    drawMap();
}

function fillSelect(select, entries, fallbackLabel) {
    const previous = select.value;
    select.replaceChildren();
    if (fallbackLabel !== undefined)
        select.append(new Option(fallbackLabel, ''));
    for (const [value, label] of entries)
        select.append(new Option(label, value));
    if ([...select.options].some((option) => option.value === previous))
        select.value = previous;
}

function fillList(list, values) {
    list.replaceChildren(...values.map((value) => new Option(value)));
}

/** @param {Landfetch.Attributes} attributes */
function fillChoices(attributes) {
    state.attributes = attributes;
    const names = (list) => (Array.isArray(list) ? list : []).map((name) => [name, name]);
    for (const select of /** @type {NodeListOf<HTMLSelectElement>} */ (document.querySelectorAll('select.surfaces')))
        fillSelect(select, names(attributes.surfaces), '(default)');
    fillSelect($('material'), names(attributes.buildMats), '(default)');
    const stories = (attributes.stories || []).map(([index, name]) => [String(index), `${index}  ${name}`]);
    const storySelect = $('story');
    const hadStory = storySelect.options.length > 0;
    fillSelect(storySelect, stories);
    if (!hadStory)
        storySelect.value = String(attributes.actStory);
    fillList($('layer-names'), attributes.layers || []);
    fillList($('worksheet-refs'), (attributes.worksheets || []).map(([ref]) => ref));
    fillList($('worksheet-names'), (attributes.worksheets || []).map(([, name]) => name));
}

// --- the sample plot -----------------------------------------------------------------------

async function fetchSample(name, as) {
    const response = await fetch(SAMPLE_FOLDER + name);
    if (!response.ok)
        throw new Error(`${name}: ${response.status}`);
    return as === 'bytes' ? base64(await response.arrayBuffer()) : as === 'json' ? response.json() : response.text();
}

function base64(buffer) {
    const bytes = new Uint8Array(buffer);
    let binary = '';
    for (let i = 0; i < bytes.length; i += 0x8000)
        binary += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return btoa(binary);
}

async function loadPlot() {
    try {
        const plot = await fetchSample('plot.json', 'json');
        [state.terrainText, state.orthophoto, state.drape, state.report] = await Promise.all([
            fetchSample(plot.files.terrain, 'text'),
            fetchSample(plot.files.orthophoto, 'bytes'),
            fetchSample(plot.files.drape, 'bytes'),
            fetchSample(plot.files.report, 'text'),
        ]);
        state.plot = plot;
        $('plot-caption').textContent = `${plot.name}, parcel ${plot.parcelNumber}: ` +
            `${plot.buildings.length} buildings around, ${state.terrainText.split('\n').length - 1} terrain points`;
    } catch (error) {
        $('plot-caption').textContent = 'The sample plot could not be loaded: ' + error.message;
    }
    updateButtons();
    drawMap();
}

/**
 * The plan frame: grid coordinates relative to the survey point.
 * @param {number[]} point
 * @returns {Landfetch.XY}
 */
function planXy([eastings, northings]) {
    return [eastings - state.frame.eastings, northings - state.frame.northings];
}

/** @returns {Landfetch.CadastreLayer[]} */
function cadastreLayers() {
    return state.plot.cadastre.map((layer) => {
        let items = [];
        if (layer.kind === 'lines')
            items = layer.lines.map((line) => line.map(planXy));
        else if (layer.kind === 'texts')
            items = layer.texts.map(([e, n, size, text]) => [...planXy([e, n]), size, text]);
        else if (layer.kind === 'points')
            items = layer.points.map(planXy);
        return [layer.name, layer.pen, layer.lineType, layer.kind, items];
    });
}

function terrainPointsText() {
    const { eastings, northings } = state.frame;
    const lines = [];
    for (const line of state.terrainText.split('\n')) {
        const [e, n, z] = line.trim().split(/\s+/);
        if (z !== undefined)
            lines.push(`${(Number(e) - eastings).toFixed(2)} ${(Number(n) - northings).toFixed(2)} ${z}`);
    }
    return lines.join('\n') + '\n';
}

function xyLines(points, decimals) {
    return points.map((p) => planXy(p).map((v) => v.toFixed(decimals)).join(' ') +
        (p.length > 2 ? ' ' + p[2].toFixed(2) : '') + '\n').join('');
}

/** @returns {Landfetch.Building[]} */
function buildings() {
    return state.plot.buildings.map((b) => [xyLines(b.footprint, 3), b.baseElevation, b.topElevation, xyLines(b.roofPoints, 2)]);
}

/** @returns {[kind: Landfetch.Target, worksheetName: string, worksheetRef: string, story: number]} */
function target() {
    const plan = $('target').value === 'plan';
    return [plan ? 'plan' : 'worksheet', plan ? '' : $('worksheet-name').value, plan ? '' : $('worksheet-ref').value,
        Number($('story').value || 0)];
}

// --- the map -------------------------------------------------------------------------------

const SVG = 'http://www.w3.org/2000/svg';
const LAYER_COLOURS = ['#e53935', '#111111', '#1e3a8a', '#6b21a8', '#f59e0b'];

function svg(name, attributes, parent) {
    const node = document.createElementNS(SVG, name);
    for (const [key, value] of Object.entries(attributes))
        node.setAttribute(key, value);
    parent.append(node);
    return node;
}

// North up, metres of the sample tile: x east from its west edge, y down from its north edge.
function drawMap() {
    const map = $('map');
    map.replaceChildren();
    const plot = state.plot;
    if (!plot)
        return;
    const { eastings: e0, northings: n0, size } = plot.tile;
    const at = ([e, n]) => [e - e0, size - (n - n0)];
    const points = (ring) => ring.map((p) => at(p).map((v) => v.toFixed(2)).join(',')).join(' ');
    svg('image', { href: SAMPLE_FOLDER + plot.files.orthophoto, x: 0, y: 0, width: size, height: size }, map);
    plot.cadastre.forEach((layer, index) => {
        const group = svg('g', { class: 'layer', 'data-layer': layer.name, stroke: LAYER_COLOURS[index % LAYER_COLOURS.length] }, map);
        for (const line of layer.lines)
            svg('polyline', { points: points(line), fill: 'none', 'stroke-dasharray': layer.lineType === 'Dashed' ? '3 2' : '' }, group);
        for (const [e, n, , text] of layer.texts) {
            const [x, y] = at([e, n]);
            svg('text', { x, y, 'text-anchor': 'middle', 'dominant-baseline': 'middle' }, group).textContent = text;
        }
        for (const point of layer.points) {
            const [x, y] = at(point);
            svg('circle', { cx: x, cy: y, r: 0.6 }, group);
        }
    });
    svg('polygon', { id: 'plot-boundary', points: points(plot.plotBoundary) }, map);
    if (state.frame) {
        const [x, y] = at([state.frame.eastings, state.frame.northings]);
        svg('path', { id: 'survey-mark', d: `M${x - 4},${y}h8M${x},${y - 4}v8` }, map);
    }
    // Centre the view on the building plot.
    const [cx, cy] = at([plot.survey.eastings, plot.survey.northings]);
    map.setAttribute('viewBox', `${(cx - 110).toFixed(1)} ${(cy - 55).toFixed(1)} 220 110`);
}

// --- what the user does --------------------------------------------------------------------

const actions = {
    'set-survey': async () => {
        const s = state.plot.survey;
        await call('SetSurveyPoint', (api) => api.SetSurveyPoint(s.eastings, s.northings, s.height, 1, s.latitude, s.longitude));
        await readProject();
    },
    'place-cadastre': async () => {
        const [kind, name, ref, story] = target();
        await call('PlaceCadastre', (api) => api.PlaceCadastre(kind, name, ref, story, cadastreLayers()));
        await readProject();
    },
    'place-orthophoto': async () => {
        const [kind, name, ref, story] = target();
        const { eastings, northings, size } = state.plot.tile;
        const [cx, cy] = planXy([eastings + size / 2, northings + size / 2]);
        await call('PlaceOrthophoto', (api) => api.PlaceOrthophoto(state.orthophoto, size, size, cx, cy, 1, 1, 0, 0,
            $('ortho-layer').value, kind, name, ref, story));
        await readProject();
    },
    'place-terrain': async () => {
        const size = state.plot.tile.size;
        const drape = $('drape').checked;
        await call('PlaceTerrain', (api) => api.PlaceTerrain(DATASET, terrainPointsText(), state.frame.height,
            state.plot.terrainOutline.map(planXy), $('model-layer').value, $('top-surface').value, $('side-surface').value,
            $('material').value, $('exact-outline').checked ? 1 : 0, drape ? state.drape : '', drape ? size : 0, drape ? size : 0));
        await readProject();
    },
    'place-buildings': async () => {
        const size = state.plot.tile.size;
        const drape = $('drape').checked;
        await call('PlaceBuildings', (api) => api.PlaceBuildings(buildings(), state.frame.height, $('model-layer').value,
            $('side-surface').value, drape ? state.drape : '', drape ? size : 0, drape ? size : 0));
        await readProject();
    },
    'set-project-info': async () => {
        await call('SetProjectInfo', (api) => api.SetProjectInfo(state.plot.projectInfo));
    },
    'save-report': async () => {
        const proposed = `Zpráva o pozemku ${state.plot.parcelNumber.replace('/', '-')}.txt`;
        const chosen = parseJsonReply(await call('ChooseSaveFile', (api) => api.ChooseSaveFile(proposed)));
        if (!chosen || !chosen.ok)
            return;
        const saved = parseJsonReply(await call('SaveTextFile', (api) => api.SaveTextFile(chosen.path, state.report)));
        if (saved && saved.ok)
            state.reportPath = saved.path;
    },
    'open-report': async () => {
        const address = openFileAddress(state.reportPath);
        log('open', address, true);
        if (hostFollowsTheme())
            window.open(address, '_blank');
        else
            window.location.href = address;  // the add-on refuses the change and opens it outside
    },
};

// A local path as the add-on's open-file address: forward slashes, each name escaped, a drive
// letter kept as it is ("C:\a b\r.txt" gives prefix + "/C:/a%20b/r.txt").
function openFileAddress(path) {
    const names = path.replace(/\\/g, '/').split('/');
    const escaped = names.map((name, i) => (i === 0 && /^[A-Za-z]:$/.test(name) ? name : encodeURIComponent(name))).join('/');
    return OPEN_FILE_PREFIX + (escaped.startsWith('/') ? '' : '/') + escaped;
}

$('target').addEventListener('change', () => {
    document.body.dataset.target = $('target').value;
});
for (const [id, action] of Object.entries(actions))
    $(id).addEventListener('click', () => busy(action));

async function start() {
    document.body.dataset.target = $('target').value;
    updateButtons();
    const plotLoaded = loadPlot();
    await busy(async () => {
        if (!window.ACAPI) {
            $('version').textContent = 'no host';
            log('ACAPI', 'This page runs outside the Landfetch palette.', false);
            return;
        }
        $('version').textContent = (await call('GetVersion', (api) => api.GetVersion())) || '?';
        if (hostFollowsTheme()) {
            applyTheme(await call('GetAppearance', (api) => ('GetAppearance' in api ? api.GetAppearance() : Promise.resolve('light'))));
        } else {
            const scheme = window.matchMedia('(prefers-color-scheme: dark)');
            applyTheme(scheme.matches ? 'dark' : 'light');
            scheme.addEventListener('change', (event) => applyTheme(event.matches ? 'dark' : 'light'));
        }
        await plotLoaded;
        await readProject();
    });
}

start();
