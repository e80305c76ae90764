#!/usr/bin/env bash
# Configures ./build-sanitize: clang with AddressSanitizer and UndefinedBehaviorSanitizer, the
# suite and the libFuzzer attacks (./test.sh --sanitize and tests/fuzz/run build from it).
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR="$PWD"
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DKAZEYOMI_SANITIZE=ON -DKAZEYOMI_FUZZ=ON -DKAZEYOMI_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
