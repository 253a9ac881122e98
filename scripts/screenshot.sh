#!/usr/bin/env bash
# Starts Verdo on a virtual X display and saves a picture of the screen, to
# look at the window as a user sees it: scripts/screenshot.sh [OUT.png].
# Further steps can be driven with xdotool on the same display before the
# picture is taken: VERDO_SCREENSHOT_STEPS='xdotool key shift+F10' say.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-verdo.png}")
scripts/install-deps.sh imagemagick
scripts/build.sh build >/dev/null

display=:${VERDO_DISPLAY:-77}
Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp &
xvfb=$!
trap 'kill $verdo $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# In a scratch folder: Import leaves "temp.htm" in the current one, and the
# D-Bus activation file goes to a scratch XDG_DATA_HOME, not ~/.local/share.
verdo_bin=$PWD/build/bin/verdo
cd "$(mktemp -d)"
XDG_DATA_HOME=$PWD/data QT_QPA_PLATFORM=xcb "$verdo_bin" &
verdo=$!
xdotool search --sync --name '^Verdo' >/dev/null
sleep 1  # let the first paint finish
eval "${VERDO_SCREENSHOT_STEPS:-}"
sleep 0.5
import -window root "$out"
echo "$out"
