#!/usr/bin/env bash
# Sets everything up on a fresh Debian machine, builds and runs the whole suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
ctest --test-dir build --output-on-failure --timeout 600 -j "$(nproc)"
