#!/usr/bin/env bash
# Fails when a C++ file is not formatted as the repository's .clang-format says.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { apt-get install -y -qq clang-format >/dev/null; }
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
echo "formatting: every C++ file as .clang-format says"
