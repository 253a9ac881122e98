#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time
# (FUZZ_SECONDS, default 30) on a scratch copy of its seed corpus, together
# with the reference examples in tests/data that every target starts from.
# Any crash, leak, time-out or sanitizer report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-30}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DVERDO_FUZZ=ON -DVERDO_TESTS=OFF >/dev/null
targets=$(cd fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//')
# shellcheck disable=SC2086
cmake --build build-fuzz --parallel "$(nproc)" --target $targets
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
status=0
for target in $targets; do
  corpus=$(mktemp -d)
  cp -r "fuzz/corpus/${target#fuzz_}/." "$corpus/" 2>/dev/null || true
  cp tests/data/* "$corpus/"
  echo "== $target (${seconds}s)"
  if ! "build-fuzz/bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="build-fuzz/$target-" "$corpus" >"build-fuzz/$target.log" 2>&1; then
    tail -n 40 "build-fuzz/$target.log"
    status=1
  else
    tail -n 1 "build-fuzz/$target.log"
  fi
  rm -rf "$corpus"
done
exit $status
