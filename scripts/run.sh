#!/usr/bin/env bash
# Sets everything up on a fresh Debian machine, builds and starts Verdo.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
exec build/bin/verdo "$@"
