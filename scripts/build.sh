#!/usr/bin/env bash
# Configures and builds into build/ (or the folder given as $1, with extra cmake options after it).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
cmake -S . -B "$dir" "${generator[@]}" "$@"
cmake --build "$dir" --parallel "$(nproc)"
