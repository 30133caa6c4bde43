#!/usr/bin/env bash
# Installs what the build needs (Debian packages; three.js and TypeScript from npm into tools/), then
# configures and builds into ./build.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(build-essential cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          nlohmann-json3-dev libsimdjson-dev libcli11-dev libtinygltf-dev libcgal-dev libstb-dev libexpat1-dev librsvg2-bin
          nodejs chromium clang libclang-rt-14-dev python3 locales)
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
fi

# The lock file pins the versions; installed again only when it changed.
if ! cmp -s tools/package-lock.json tools/node_modules/.installed-lock.json; then
    (cd tools && npm ci --no-audit --no-fund --loglevel=error)
    cp tools/package-lock.json tools/node_modules/.installed-lock.json
fi

cmake -S . -B build -G Ninja "$@"
cmake --build build -j "$(nproc)"
