#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests, the attacks (clang, its fuzzer and
# sanitizer runtimes), the checks and the window need; only what is missing.
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-charts-dev libqt6opengl6-dev libqt6sql6-sqlite libgl-dev libgumbo-dev
    libgtest-dev libgmock-dev
    xvfb xauth fonts-noto-cjk clang-format ccache
    clang libclang-rt-14-dev clang-tidy python3
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
