#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program on the bundled demo day:
# the window where there is a display, the headless mode otherwise.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/src/kazeyomi demo "$@"
else
    echo "No display: running the demo day headless (Ctrl-C stops it)."
    exec build/src/kazeyomi demo --headless "$@"
fi
