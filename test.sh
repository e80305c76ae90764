#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
# --sanitize: the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer in
# ./build-sanitize with clang (the bench is left out, the attacks built too); any report fails
# the test that caused it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
if [ "${1:-}" = "--sanitize" ]; then
    scripts/configure-sanitize.sh
    cmake --build build-sanitize -j "$(nproc)"
    # Leaks are left out: Qt keeps some objects for the life of the process on purpose.
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ctest --test-dir build-sanitize --output-on-failure -j "$(nproc)" --timeout 300
    exit
fi
[ $# -eq 0 ] || { echo "usage: ./test.sh [--sanitize]" >&2; exit 2; }
scripts/build.sh
ctest --test-dir build --output-on-failure -j "$(nproc)" --timeout 120
