#!/usr/bin/env bash
# Builds the fuzz targets with Clang into build-fuzz/ and runs each on its seeds: first every big
# hostile seed once (made by make-seeds.py), then SECONDS of fuzzing (default 60). Stops with a
# non-zero status at the first crash, leak, hang or failed check; libFuzzer prints the input's file.
#
#   fuzz/run-all.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(base64 points acapi projectfile scenario resources)

# clang and libclang-rt-14-dev come with scripts/setup.sh.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLANDFETCH_FUZZ=ON \
    -DLANDFETCH_BENCHMARKS=OFF
cmake --build build-fuzz -j "$(nproc)" --target fuzz_targets

work=build-fuzz/fuzz-run
rm -rf "$work"
python3 fuzz/make-seeds.py big "$work/big"
declare -A dictionaries=([base64]=base64 [points]=points [projectfile]=json [scenario]=json [resources]=resources)
for what in "${targets[@]}"; do
    fuzzer=build-fuzz/bin/fuzz_$what
    options=(-rss_limit_mb=8192 -artifact_prefix="$work/$what-")
    [ -n "${dictionaries[$what]:-}" ] && options+=(-dict="fuzz/dict/${dictionaries[$what]}.dict")
    echo "== fuzz_$what: big seeds"
    "$fuzzer" "${options[@]}" -timeout=600 "$work/big/$what"/*
    echo "== fuzz_$what: ${seconds} s"
    mkdir -p "$work/corpus/$what"
    "$fuzzer" "${options[@]}" -timeout=30 -max_total_time="$seconds" -print_final_stats=1 \
        "$work/corpus/$what" "fuzz/corpus/$what"
done
