#!/usr/bin/env bash
# Sets everything up on a fresh Debian machine, builds and runs the whole suite:
#   1. the normal build and its tests;
#   2. the fuzz targets, each for FUZZ_SECONDS (scripts/fuzz.sh);
#   3. the whole suite again, built with AddressSanitizer and
#      UndefinedBehaviorSanitizer (build-asan): any sanitizer report fails it,
#      also one from a program a test starts and expects to fail.
# Any failure stops the run with a non-zero status. SKIP_FUZZ=1 or
# SKIP_SANITIZERS=1 leave a stage out when running by hand.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

# The suite runs with a home and XDG folders of its own, new and empty, and
# away from the user's session bus: no test can lean on the user's dotfiles,
# on the desktop's state or on what an earlier run left behind.
fresh_home() {
  local home status=0
  home=$(mktemp -d)
  mkdir -m 700 "$home/runtime"
  env -u DBUS_SESSION_BUS_ADDRESS HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
    XDG_CACHE_HOME="$home/.cache" XDG_STATE_HOME="$home/.local/state" XDG_RUNTIME_DIR="$home/runtime" \
    "$@" || status=$?
  rm -rf "$home"
  return $status
}

# A failed test's output is printed where it ends, among hundreds of others:
# the failed ones run once more, one at a time, so that their output closes the log.
run_suite() {
  local build=$1 status=0
  fresh_home ctest --test-dir "$build" --output-on-failure --timeout 600 -j "$(nproc)" || status=$?
  if [ $status -ne 0 ]; then
    echo "== the failed tests of $build again, one at a time"
    fresh_home ctest --test-dir "$build" --rerun-failed --output-on-failure --timeout 600 || true
  fi
  return $status
}

echo "== normal build"
scripts/build.sh build
run_suite build

if [ "${SKIP_FUZZ:-0}" != 1 ]; then
  echo "== fuzzing"
  scripts/fuzz.sh
fi

if [ "${SKIP_SANITIZERS:-0}" != 1 ]; then
  echo "== sanitizer build"
  scripts/build.sh build-asan -DVERDO_SANITIZERS=ON
  # Reports go to files as well as failing the program: a test that expects
  # a program to fail would otherwise take a sanitizer's exit for that failure.
  reports=$(mktemp -d)
  trap 'rm -rf "$reports"' EXIT
  export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:log_path=$reports/asan"
  # Built with gcc, UBSan beside ASan writes its reports to stderr whatever
  # log_path says: it aborts instead, an end that no test expects.
  export UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1:log_path=$reports/ubsan"
  status=0
  run_suite build-asan || status=$?
  if [ -n "$(ls -A "$reports")" ]; then
    for report in "$reports"/*; do
      echo "== sanitizer report $(basename "$report")"
      cat "$report"
    done
    echo "sanitizer reports: $(ls "$reports" | wc -l) (see above)"
    status=1
  fi
  exit $status
fi
