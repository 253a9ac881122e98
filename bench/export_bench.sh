#!/usr/bin/env bash
# Export throughput and peak memory, side by side with a plain copy (cp) and a
# durable copy (dd conv=fsync) of the same files:
#   1. one page of 128 MiB;
#   2. a batch of 10,000 small pages in one call (export, export --keep-head),
#      against bench/durable_replace.py: the same replace written plainly in
#      one process (temporary file, fsync, rename; each folder synced once).
# Not a test: it prints a table and leaves the judging to the reader. Targets:
# the big page within 1.5 times the durable copy; the batch at most 1.0 times
# the plain durable replace (the pages' syncs run side by side, so the file
# system commits many at once); peak memory under 64 MiB, and flat in the
# number of pages (compare the batch of a tenth as many).
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
# Export's notes on what it dropped go to stderr: not part of the table.
measure "verdo-cli export" bash -c '"$1" export "$0/form.tem" "$0/big.htm" 2> /dev/null' "$work" "$cli"
export_big=$(cat "$work/last.secs")
echo "  export / durable copy: $(ratio "$export_big" "$dd_big")"
rm -f "$work"/big*.htm
echo

echo "A batch of $pages small pages"
mkdir -p "$work/pages" "$work/cp" "$work/tenth"
make_page "$work/pages/0.htm" 2048
for ((n = 1; n < pages; n++)); do echo "$n"; done | (cd "$work/pages" && xargs -I{} cp 0.htm {}.htm)
for ((n = 0; n < pages / 10; n++)); do echo "$n"; done | (cd "$work/pages" && xargs -I{} cp {}.htm ../tenth/)
# export --keep-head writes only what changes: each run takes the other form.
sed 's/^TITLE=/TITLE=Second/' "$work/form.tem" > "$work/other.tem"
keep_head='f=$0/other.tem; [ -e "$0/toggle" ] && f=$0/form.tem && rm "$0/toggle" || touch "$0/toggle"
  "$1" export --keep-head "$f" "$0"/$2/*.htm 2> /dev/null'
measure "cp (one process)" bash -c 'cp "$0"/pages/*.htm "$0"/cp/' "$work"
measure "durable replace, one process (reference)" bash -c 'python3 "$1" "$0"/pages/*.htm' "$work" "$root/bench/durable_replace.py"
reference=$(cat "$work/last.secs")
measure "verdo-cli export, all pages in one call" bash -c '"$1" export "$0/form.tem" "$0"/pages/*.htm 2> /dev/null' "$work" "$cli"
export_batch=$(cat "$work/last.secs")
export_kib=$(cat "$work/last.kib")
measure "verdo-cli export --keep-head, one call" bash -c "$keep_head" "$work" "$cli" pages
keep_batch=$(cat "$work/last.secs")
measure "verdo-cli export, a tenth as many pages" bash -c '"$1" export "$0/form.tem" "$0"/tenth/*.htm 2> /dev/null' "$work" "$cli"
tenth_kib=$(cat "$work/last.kib")
echo "  export / reference: $(ratio "$export_batch" "$reference"), export --keep-head / reference:" \
  "$(ratio "$keep_batch" "$reference") (target at most 1.00)"
echo "  peak memory, all pages / a tenth: $(ratio "$export_kib" "$tenth_kib") (flat: near 1)"
