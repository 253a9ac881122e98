#!/usr/bin/env bash
# Sets everything up on a fresh Debian machine, builds and starts Verdo.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
# An ordinary start registers its own program for D-Bus activation in
# $XDG_DATA_HOME: a scratch one keeps this build out of the user's real
# ~/.local/share, so an installed Verdo stays the one that clients start.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
XDG_DATA_HOME=$scratch build/bin/verdo "$@"
