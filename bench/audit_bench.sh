#!/usr/bin/env bash
# Site audit speed and peak memory, side by side with cat over the same files:
# a site of 10,000 small pages in 100 folders, audited as one folder, and a
# tenth of it, to show that memory stays flat as the site grows.
# Every check runs on every page: the pages carry canonical and hreflang
# links, a viewport, a lang and robots metas, and titles and descriptions are
# measured in pixels. Then pages built to make the HTML parser slow or big.
# Not a test: it prints a table and leaves the judging to the reader. Target:
# audit within 3 times cat, peak memory about the same for both sizes, and
# the hostile pages each in well under a second and some tens of MiB beyond
# the page's own size.
#
# usage: bench/audit_bench.sh [BUILD_DIR]   (default: build)
#   BENCH_DIR  where to make the files (default: a new folder under /tmp)
#   PAGES      number of small pages (default 10000)
#   RUNS       runs of each command; the fastest is shown (default 3)
set -euo pipefail

source "$(dirname "$0")/common.sh"
bench_setup "${1:-}"
pages=${PAGES:-10000}

# Pages of about 2 KiB: a head as sites write them today, a body of links.
make_site() {  # folder, pages
  python3 - "$1" "$2" <<'PY'
import os, sys
folder, count = sys.argv[1], int(sys.argv[2])
body = "".join('<p>Spades, rakes and hoes for every garden: <a href="p%d.htm">more</a>.</p>\r\n' % j
               for j in range(20))
for i in range(count):
    sub = os.path.join(folder, "d%02d" % (i % 100))
    os.makedirs(sub, exist_ok=True)
    with open(os.path.join(sub, "p%d.htm" % i), "w", newline="") as out:
        out.write('<!DOCTYPE html>\r\n<html lang="en">\r\n<head>\r\n<meta charset="utf-8">\r\n'
                  '<meta name="viewport" content="width=device-width">\r\n'
                  '<title>Garden shop, page %d</title>\r\n'
                  '<meta name="description" content="Tools for the garden, page %d">\r\n'
                  '<meta name="keywords" content="spade, rake, hoe">\r\n'
                  '<meta name="robots" content="index, follow">\r\n'
                  '<link rel="canonical" href="https://shop.example.org/d%02d/p%d.htm">\r\n'
                  '<link rel="alternate" hreflang="en-GB" href="https://shop.example.org/d%02d/p%d.htm">\r\n'
                  '<link rel="stylesheet" href="s.css">\r\n</head>\r\n<body>\r\n%s</body>\r\n</html>\r\n'
                  % (i, i, i % 100, i, i % 100, i, body))
PY
}


echo "folder: $work ($(df -T "$work" | awk 'NR == 2 {print $2}'))"
echo

for count in $((pages / 10)) "$pages"; do
  site=$work/site$count
  make_site "$site" "$count"
  echo "A site of $count pages ($(du -sh "$site" | cut -f1))"
  # cat gets the names as audit finds them: by walking the folders.
  measure "find + cat" bash -c 'find "$0" -type f -name "*.htm" -exec cat {} +' "$site"
  cat_secs=$(cat "$work/last.secs")
  # audit exits 1 when it finds a problem: that is no failure here.
  measure "verdo-cli audit" bash -c '"$0" audit "$1"; [ $? -le 1 ]' "$cli" "$site"
  audit_secs=$(cat "$work/last.secs")
  measure "verdo-cli audit --json" bash -c '"$0" audit --json "$1"; [ $? -le 1 ]' "$cli" "$site"
  echo "  audit / cat: $(ratio "$audit_secs" "$cat_secs")"
  echo
done

# Hostile pages: a head of templates nested a hundred thousand deep (1 MiB:
# minutes for the parser when it was given all of it), and a 60 MiB head of
# links (gigabytes when every element was kept).
python3 - "$work" <<'PY'
import sys
folder = sys.argv[1]
with open(folder + "/nested.htm", "w") as out:
    out.write("<html><head><title>t</title>" + "<template><b>" * 80000 + "</head><body>x</body></html>")
with open(folder + "/links.htm", "w") as out:
    out.write("<html><head><title>t</title>" + "<link rel=stylesheet href=a.css>" * (60 * 1024 * 1024 // 31)
              + "</head><body>x</body></html>")
PY
echo "Hostile pages"
for page in nested links; do
  measure "verdo-cli audit $page.htm ($(du -h "$work/$page.htm" | cut -f1))" \
    bash -c '"$0" audit "$1"; [ $? -le 1 ]' "$cli" "$work/$page.htm"
  measure "cat $page.htm" cat "$work/$page.htm"
done
