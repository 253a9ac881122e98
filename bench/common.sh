# What the benchmark scripts share; sourced, not run.
#   bench_setup BUILD_DIR   sets root, build, cli, runs and work (a scratch
#                           folder removed at exit); RUNS and BENCH_DIR as
#                           the scripts' usage says
#   measure LABEL CMD...    the fastest of RUNS runs and the largest peak
#                           memory; leaves them in $work/last.secs, last.kib
#   ratio A B               A / B to two places

bench_setup() {
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  build=${1:-$root/build}
  cli=$build/bin/verdo-cli
  [ -x "$cli" ] || { echo "no $cli: build first" >&2; exit 2; }
  [ -x /usr/bin/time ] || { echo "needs /usr/bin/time (package time)" >&2; exit 2; }
  runs=${RUNS:-3}
  work=${BENCH_DIR:-$(mktemp -d /tmp/verdo-bench.XXXXXX)}
  mkdir -p "$work"
  trap 'rm -rf "$work"' EXIT
}

# Runs a command RUNS times, each under /usr/bin/time -v for its peak
# memory; prints the fastest wall-clock time and the largest peak seen.
measure() {  # label, command...
  local label=$1; shift
  local best="" peak=0 log=$work/time.log
  for ((i = 0; i < runs; i++)); do
    sync
    local start end secs kib
    start=$(date +%s%N)
    /usr/bin/time -v -o "$log" "$@" > /dev/null
    end=$(date +%s%N)
    secs=$(awk "BEGIN {print ($end - $start) / 1e9}")
    kib=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")
    if [ -z "$best" ] || awk "BEGIN {exit !($secs < $best)}"; then best=$secs; fi
    [ "$kib" -gt "$peak" ] && peak=$kib
  done
  printf '  %-44s %8.3f s %8.1f MiB\n' "$label" "$best" "$(awk "BEGIN {print $peak / 1024}")"
  echo "$best" > "$work/last.secs"
  echo "$peak" > "$work/last.kib"
}

ratio() { awk "BEGIN {printf \"%.2f\", $1 / $2}"; }
