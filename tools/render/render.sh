#!/bin/sh
# Renders exports of landfetch-host to PNG pictures beside them:
#   tools/render/render.sh [--size WIDTHxHEIGHT] FILE.gltf|FILE.svg ...
# A glTF model is drawn by three.js in headless Chromium from an oblique view, an SVG drawing at its
# own size by Chromium too. Chromium (apt) and three (npm, into tools/) are installed on first use
# when scripts/setup.sh did not install them already.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
size=1600x1000

die() { echo "render: $*" >&2; exit 2; }

as_root() {
    if [ "$(id -u)" = 0 ]; then "$@"; elif command -v sudo >/dev/null; then sudo "$@"; else
        die "installing needs root: $*"; fi
}

chromium_binary() {
    for name in chromium chromium-browser; do
        if command -v "$name" >/dev/null; then command -v "$name"; return; fi
    done
    echo "render: installing chromium" >&2
    as_root apt-get install -y --no-install-recommends chromium >&2 || die "cannot install chromium"
    command -v chromium
}

ensure_three() {
    if [ ! -f "$here/../node_modules/three/build/three.module.js" ]; then
        echo "render: installing three" >&2
        (cd "$here/.." && npm ci --no-audit --no-fund --loglevel=error >&2) || die "cannot install three"
    fi
}

# Chromium keeps strokes one pixel wide (non-scaling strokes); rsvg-convert, the fallback, does not.
render_svg() {
    width=$(sed -n 's/^<svg .* width="\([0-9][0-9]*\)" height="\([0-9][0-9]*\)".*/\1/p' "$1" | head -n 1)
    height=$(sed -n 's/^<svg .* width="\([0-9][0-9]*\)" height="\([0-9][0-9]*\)".*/\2/p' "$1" | head -n 1)
    if [ -n "$width" ] && [ -n "$height" ] && browser=$(chromium_binary 2>/dev/null); then
        profile=$(mktemp -d)
        "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
            --disable-background-networking --disable-component-update --disable-sync --hide-scrollbars \
            --user-data-dir="$profile" --window-size="$width,$height" --screenshot="$2" \
            "file://$(cd "$(dirname "$1")" && pwd)/$(basename "$1")" >/dev/null 2>&1 || true
        rm -rf "$profile"
        [ -s "$2" ] && return 0
    fi
    command -v rsvg-convert >/dev/null || as_root apt-get install -y --no-install-recommends librsvg2-bin >&2
    rsvg-convert --width "${size%x*}" --keep-aspect-ratio --background-color white -o "$2" "$1"
}

render_gltf() {
    browser=$(chromium_binary)
    ensure_three
    work=$(mktemp -d)
    server=""
    trap 'if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; fi; rm -rf "$work"' EXIT INT TERM
    mkdir "$work/site" "$work/profile"
    cp "$here/model.html" "$work/site/index.html"
    ln -s "$(cd "$here/.." && pwd)/node_modules/three" "$work/site/three"
    ln -s "$(cd "$(dirname "$1")" && pwd)" "$work/site/model"

    python3 -u -m http.server --bind 127.0.0.1 --directory "$work/site" 0 >"$work/server.log" 2>&1 &
    server=$!
    port=""
    for _ in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do
        port=$(sed -n 's/.* port \([0-9][0-9]*\).*/\1/p' "$work/server.log" | head -n 1)
        [ -n "$port" ] && break
        sleep 0.25
    done
    [ -n "$port" ] || die "the local file server did not start"

    "$browser" --headless --no-sandbox --disable-gpu --use-angle=swiftshader --enable-unsafe-swiftshader \
        --disable-quic --no-first-run --disable-background-networking --disable-component-update \
        --disable-sync --hide-scrollbars --user-data-dir="$work/profile" \
        --window-size="$(echo "$size" | tr x ,)" --virtual-time-budget=60000 \
        --screenshot="$2" "http://127.0.0.1:$port/index.html?model=model/$(basename "$1")" \
        >"$work/chromium.log" 2>&1 || { cat "$work/chromium.log" >&2; die "chromium failed on $1"; }
    [ -s "$2" ] || die "no picture was taken of $1"

    kill "$server" 2>/dev/null || true
    server=""
    rm -rf "$work"
    trap - EXIT INT TERM
}

[ $# -gt 0 ] || die "usage: render.sh [--size WIDTHxHEIGHT] FILE.gltf|FILE.svg ..."
while [ $# -gt 0 ]; do
    case "$1" in
    --size) [ $# -ge 2 ] || die "--size needs WIDTHxHEIGHT"; size=$2; shift 2; continue ;;
    esac
    [ -f "$1" ] || die "no such file: $1"
    picture="${1%.*}.png"
    case "$1" in
    *.gltf) render_gltf "$1" "$picture" ;;
    *.svg) render_svg "$1" "$picture" ;;
    *) die "neither .gltf nor .svg: $1" ;;
    esac
    echo "$picture"
    shift
done
