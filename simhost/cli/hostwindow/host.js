// The host window: the project's current view as SVG and its meshes through three.js, refreshed
// after every ACAPI call (the simulator runs window.hostRefresh), with undo, redo, the theme and the
// project events as the user has them.

const $ = (id) => document.getElementById(id);
let state = null;
let chosenView = '';      // the view the user picked; empty: follow the project's current view
let three = null;         // loaded on first use: the 3D pane works without it
let scene = null;

async function fetchJson(address, init) {
    const response = await fetch(address, init);
    if (!response.ok)
        throw new Error(`${address}: ${response.status}`);
    return response.json();
}

async function refresh() {
    state = await fetchJson('project/state.json');
    $('summary').textContent = `${state.elements} elements, ${state.layers} layers, ${state.calls} calls`;
    $('steps').textContent = state.undo.length ? `last step: ${state.undo[state.undo.length - 1]}` : 'no undo steps';
    $('undo').disabled = state.undo.length === 0;
    $('redo').disabled = state.redo.length === 0;
    $('undo').title = state.undo.length ? `Undo "${state.undo[state.undo.length - 1]}"` : 'Nothing to undo';
    $('redo').title = state.redo.length ? `Redo "${state.redo[state.redo.length - 1]}"` : 'Nothing to redo';
    showViews();
    await showModel();
    document.body.dataset.revision = String(state.revision);
}

function showViews() {
    const names = state.views.map((view) => view.file);
    const shown = names.includes(chosenView) ? chosenView : state.currentView;
    $('views').replaceChildren(...state.views.map((view) => {
        const button = document.createElement('button');
        button.textContent = view.title;
        button.setAttribute('aria-pressed', String(view.file === shown));
        button.addEventListener('click', () => {
            chosenView = view.file;
            showViews();
        });
        return button;
    }));
    // An <img> never runs what a drawing holds: texts in the project come from the page.
    $('view').src = `project/views/${encodeURIComponent(shown)}?r=${state.revision}`;
}

async function loadThree() {
    if (three === null) {
        try {
            const [core, { GLTFLoader }, { OrbitControls }] = await Promise.all([
                import('three'), import('three/addons/loaders/GLTFLoader.js'), import('three/addons/controls/OrbitControls.js')]);
            three = { THREE: core, GLTFLoader, OrbitControls };
        } catch (error) {
            three = false;
        }
    }
    return three;
}

function makeScene(THREE, OrbitControls) {
    const pane = $('model-pane');
    const renderer = new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true });
    renderer.outputColorSpace = THREE.SRGBColorSpace;
    pane.prepend(renderer.domElement);
    const world = new THREE.Scene();
    world.background = new THREE.Color(0xdfe7ee);
    world.add(new THREE.HemisphereLight(0xffffff, 0x6b6250, 1.6));
    const sun = new THREE.DirectionalLight(0xffffff, 2.2);
    world.add(sun);
    const camera = new THREE.PerspectiveCamera(35, 1, 0.1, 10000);
    const controls = new OrbitControls(camera, renderer.domElement);
    const render = () => renderer.render(world, camera);
    controls.addEventListener('change', render);
    const resize = () => {
        const { clientWidth: w, clientHeight: h } = pane;
        renderer.setSize(w, h, false);
        camera.aspect = w / Math.max(h, 1);
        camera.updateProjectionMatrix();
        render();
    };
    new ResizeObserver(resize).observe(pane);
    return { world, sun, camera, controls, render, resize, model: null, framed: false };
}

async function showModel() {
    const note = $('model-note');
    if (!state.model) {
        note.textContent = 'No mesh in the project yet.';
        if (scene && scene.model) {
            scene.world.remove(scene.model);
            scene.model = null;
            scene.render();
        }
        return;
    }
    const loaded = await loadThree();
    if (!loaded) {
        note.textContent = 'The 3D view needs three.js (npm install in tools/render).';
        return;
    }
    const { THREE, GLTFLoader, OrbitControls } = loaded;
    scene = scene || makeScene(THREE, OrbitControls);
    const gltf = await new GLTFLoader().loadAsync(`project/model/model.gltf?r=${state.revision}`);
    if (scene.model)
        scene.world.remove(scene.model);
    scene.model = gltf.scene;
    scene.world.add(gltf.scene);
    if (!scene.framed) {
        // Look from the south-west, from above (glTF is Y-up, north towards -Z).
        const box = new THREE.Box3().setFromObject(gltf.scene);
        const centre = box.getCenter(new THREE.Vector3());
        const size = box.getSize(new THREE.Vector3());
        const radius = Math.max(size.x, size.z, size.y * 2) * 0.5;
        scene.camera.near = radius / 100;
        scene.camera.far = radius * 20;
        scene.camera.position.copy(centre).addScaledVector(new THREE.Vector3(-0.55, 0.75, 0.62).normalize(), radius * 3);
        scene.controls.target.copy(centre);
        scene.sun.position.copy(centre).add(new THREE.Vector3(-1, 2, 0.6).multiplyScalar(radius));
        scene.controls.update();
        scene.framed = true;
    }
    note.textContent = `${state.meshes} meshes`;
    scene.resize();
}

async function act(action) {
    await fetchJson(`action/${action}`, { method: 'POST' });
    await refresh();
}

$('undo').addEventListener('click', () => act('undo'));
$('redo').addEventListener('click', () => act('redo'));
$('dark').addEventListener('change', () => act(`theme/${$('dark').checked ? 'dark' : 'light'}`));
$('event').addEventListener('change', () => {
    const event = $('event').value;
    $('event').value = '';
    if (event)
        act(`event/${event}`);
});
// Serialised: a refresh asked for while one runs starts when it ends.
let pending = Promise.resolve();
window.hostRefresh = () => (pending = pending.then(refresh, refresh));
window.hostRefresh();
