#!/usr/bin/env bash
# Export throughput and peak memory, side by side with a plain copy (cp) and a
# durable copy (dd conv=fsync) of the same files:
#   1. one page of 128 MiB;
#   2. a batch of 10,000 small pages.
# Not a test: it prints a table and leaves the judging to the reader. Targets:
# export within 1.5 times the durable copy, peak memory under 64 MiB.
#
# usage: bench/export_bench.sh [BUILD_DIR]   (default: build)
#   BENCH_DIR  where to make the files (default: a new folder under /tmp)
#   BIG_MIB    size of the big page in MiB (default 128)
#   PAGES      number of small pages (default 10000)
#   RUNS       runs of each command; the fastest is shown (default 3)
set -euo pipefail

source "$(dirname "$0")/common.sh"
bench_setup "${1:-}"
big_mib=${BIG_MIB:-128}
pages=${PAGES:-10000}

"$cli" new > "$work/form.tem"

# A page with a head section and a long body, CR LF line ends.
make_page() {  # path, bytes
  python3 - "$1" "$2" <<'PY'
import sys
path, size = sys.argv[1], int(sys.argv[2])
head = b"<HTML>\r\n<HEAD>\r\n<TITLE>Old</TITLE>\r\n<META NAME=\"x\" CONTENT=\"y\">\r\n</HEAD>\r\n<BODY>\r\n"
line = b"<P>Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod.</P>\r\n"
with open(path, "wb") as out:
    out.write(head)
    body = size - len(head) - len(b"</BODY>\r\n</HTML>\r\n")
    block = line * 4096
    while body >= len(block):
        out.write(block); body -= len(block)
    out.write(line * (body // len(line)) + b"x" * (body % len(line)))
    out.write(b"</BODY>\r\n</HTML>\r\n")
PY
}


echo "folder: $work ($(df -T "$work" | awk 'NR == 2 {print $2}'))"
echo

echo "One page of $big_mib MiB"
make_page "$work/big.htm" $((big_mib * 1024 * 1024))
measure "cp" cp "$work/big.htm" "$work/big-cp.htm"
measure "dd conv=fsync (durable copy)" dd if="$work/big.htm" of="$work/big-dd.htm" bs=1M conv=fsync status=none
dd_big=$(cat "$work/last.secs")
measure "verdo-cli export" "$cli" export "$work/form.tem" "$work/big.htm"
export_big=$(cat "$work/last.secs")
echo "  export / durable copy: $(ratio "$export_big" "$dd_big")"
rm -f "$work"/big*.htm
echo

echo "A batch of $pages small pages"
mkdir -p "$work/pages" "$work/cp" "$work/dd"
make_page "$work/pages/0.htm" 2048
for ((n = 1; n < pages; n++)); do echo "$n"; done | (cd "$work/pages" && xargs -I{} cp 0.htm {}.htm)
measure "cp (one process)" bash -c 'cp "$0"/pages/*.htm "$0"/cp/' "$work"
measure "dd conv=fsync, one per page (durable copy)" \
  bash -c 'for f in "$0"/pages/*.htm; do dd if="$f" of="$0/dd/${f##*/}" conv=fsync status=none; done' "$work"
dd_batch=$(cat "$work/last.secs")
# The dd loop pays for a process per page; this one copies and fsyncs every
# page from one process, as export does.
measure "copy + fsync per page, one process" python3 -c '
import os, sys
src, dst = sys.argv[1:3]
for name in os.listdir(src):
    with open(os.path.join(src, name), "rb") as i, open(os.path.join(dst, name), "wb") as o:
        o.write(i.read()); o.flush(); os.fsync(o.fileno())
' "$work/pages" "$work/dd"
py_batch=$(cat "$work/last.secs")
measure "verdo-cli export, all pages in one call" bash -c '"$1" export "$0/form.tem" "$0"/pages/*.htm' "$work" "$cli"
export_batch=$(cat "$work/last.secs")
echo "  export / durable copy: $(ratio "$export_batch" "$dd_batch") (dd loop), $(ratio "$export_batch" "$py_batch") (one process)"
