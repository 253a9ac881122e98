#!/usr/bin/env bash
# Configures and builds into build/ (or the folder given as $1, with extra cmake options after it).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
options=()
command -v ninja >/dev/null && options=(-G Ninja)
# A compiler cache, where the machine has one, makes rebuilds of other checkouts quick.
command -v ccache >/dev/null && options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$dir" "${options[@]}" "$@"
cmake --build "$dir" --parallel "$(nproc)"
