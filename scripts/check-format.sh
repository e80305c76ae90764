#!/usr/bin/env bash
# Fails when a C++ file is not formatted as the repository's .clang-format says. The version is
# pinned: another clang-format lays out some code differently and would fail clean files.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
want=14
version=$(clang-format --version | sed -nE 's/.*clang-format version ([0-9]+)\..*/\1/p')
if [ "$version" != "$want" ]; then
    echo "formatting: clang-format $want is needed, this is $(clang-format --version)" >&2
    exit 1
fi
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
echo "formatting: every C++ file as .clang-format (clang-format $want) says"
