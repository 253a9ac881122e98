#!/usr/bin/env bash
# Import by address from a 48 MiB body (within the 64 MiB a download may
# hold) served on loopback, side by side with `curl -o` for the same address. Not a test: it prints times and the ratio.
#
#   bench/import_bench.sh [RUNS]        (VERDO_BIN: folder of verdo-cli, default build/bin)
#
# Two pages: "head first" (the head section ends on line 6, the rest is body,
# as real pages are) and "no head end" (about 800,000 short lines, every one read
# by the importer). Uses hyperfine when it is installed, else a timing loop.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
bin=${VERDO_BIN:-$here/../build/bin}
cli=$bin/verdo-cli
runs=${1:-5}
size=$((48 * 1024 * 1024))

[ -x "$cli" ] || { echo "no $cli: build verdo-cli first" >&2; exit 1; }
command -v curl >/dev/null || { echo "curl is needed" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/verdo-import-bench.XXXXXX")
server_pid=""
cleanup() {
  if [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; then wait "$server_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

python3 - "$work" "$size" <<'PY'
import sys
work, size = sys.argv[1], int(sys.argv[2])
head = (b"<HTML>\r\n<HEAD>\r\n<TITLE>Bench</TITLE>\r\n"
        b"<META NAME=\"description\" CONTENT=\"A large page\">\r\n"
        b"<META NAME=\"keywords\" CONTENT=\"a, b, c\">\r\n")
line = b"<p>" + b"x" * 57 + b"</p>\r\n"          # 64 bytes
for name, end in (("head-first.htm", b"</HEAD>\r\n<BODY>\r\n"), ("no-head-end.htm", b"<BODY>\r\n")):
    with open(f"{work}/{name}", "wb") as out:
        start = head + end
        out.write(start)
        block = line * 16384
        left = size - len(start)
        while left >= len(block):
            out.write(block)
            left -= len(block)
        out.write((line * (left // len(line) + 1))[:left])
PY

# A server that hands files to the kernel (sendfile), so it is not the bottleneck.
python3 - "$work" > "$work/port" <<'PY' &
import http.server, os, sys
work = sys.argv[1]
class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *a): pass
    def do_GET(self):
        path = os.path.join(work, os.path.basename(self.path))
        with open(path, "rb") as f:
            self.send_response(200)
            self.send_header("Content-Length", str(os.fstat(f.fileno()).st_size))
            self.end_headers()
            self.wfile.flush()
            self.connection.sendfile(f)
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
PY
server_pid=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")
mkdir -p "$work/tmp"
export TMPDIR=$work/tmp   # verdo-cli's private page file lands beside curl's output

now() { date +%s%N; }
# Median wall time in ms of a command run $runs times.
median_ms() {
  local times=()
  for _ in $(seq "$runs"); do
    local t0 t1
    t0=$(now); "$@" >/dev/null; t1=$(now)
    times+=($(( (t1 - t0) / 1000000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p"
}

echo "body: 48 MiB on 127.0.0.1:$port, $runs runs each, $(nproc) cores"
for page in head-first.htm no-head-end.htm; do
  url="http://127.0.0.1:$port/$page"
  # Check once that the import worked.
  "$cli" import "$url" | grep -q '^TITLE=Bench' || { echo "import of $url failed" >&2; exit 1; }
  if command -v hyperfine >/dev/null; then
    hyperfine --warmup 1 --runs "$runs" -N \
      "curl -s -o $work/tmp/curl.htm $url" "$cli import $url"
  else
    curl_ms=$(median_ms curl -s -o "$work/tmp/curl.htm" "$url")
    cli_ms=$(median_ms "$cli" import "$url")
    ratio=$(awk -v a="$cli_ms" -v b="$curl_ms" 'BEGIN { printf "%.2f", a / b }')
    printf '%-16s curl -o %6d ms   verdo-cli import %6d ms   ratio %sx (target <= 1.2x)\n' \
      "$page" "$curl_ms" "$cli_ms" "$ratio"
  fi
done
