"""verdo-cli audit beside Lighthouse: for each page, served on loopback, and
each of Lighthouse's document-title, meta-description, is-crawlable,
canonical and hreflang audits, Lighthouse fails the page exactly when audit
reports the matching codes. Skipped when Lighthouse isn't installed:

    mkdir -p ~/lh && npm install --prefix ~/lh lighthouse@12.2.3
    scripts/install-deps.sh chromium
    VERDO_LIGHTHOUSE=~/lh/node_modules/.bin/lighthouse ctest -R integration.test_lighthouse

It runs offline: every address is on 127.0.0.1."""
import concurrent.futures
import functools
import http.server
import json
import os
import pathlib
import shutil
import subprocess
import tempfile
import threading
import unittest

BIN = os.environ.get("VERDO_BIN", os.path.join(os.path.dirname(__file__), "..", "..", "build", "bin"))
DATA = os.environ.get("VERDO_TEST_DATA", os.path.join(os.path.dirname(__file__), "..", "data"))
LIGHTHOUSE = os.environ.get("VERDO_LIGHTHOUSE", "")
CHROME = os.environ.get("CHROME_PATH") or shutil.which("chromium") or ""

# Lighthouse's audit and the codes that mean the same failure.
MATCHING = {
    "document-title": {"no-title", "empty-title"},
    "meta-description": {"no-description"},
    "is-crawlable": {"noindex"},
    "canonical": {"canonical-invalid"},
    "hreflang": {"hreflang-invalid"},
}

# Where audit is stricter on purpose, page and Lighthouse's audit:
STRICTER = {
    # A googlebot meta's noindex keeps the page out of Google; Lighthouse
    # fails a page only when every search engine is kept out.
    ("googlebot.htm", "is-crawlable"),
    # Directives apart by a blank alone: Google reads "noindex nofollow" as
    # noindex, Lighthouse as one unknown directive.
    ("noindex-blank.htm", "is-crawlable"),
    # Search engines follow the strictest of several robots metas;
    # Lighthouse reads only the first.
    ("robots-later.htm", "is-crawlable"),
}


def pages(origin):
    head = '<!DOCTYPE html><html lang="en"><head><meta charset="utf-8"><title>Shop</title>' \
           '<meta name="description" content="Tools">%s</head><body><p>x</p></body></html>\n'
    return {
        "index.htm": head % ('<link rel="canonical" href="%s/">' % origin),
        "no-title.htm": '<html><head><meta name="description" content="Tools"></head><body>x</body></html>',
        "empty.htm": '<html><head><title> </title><meta name="description" content=" "></head><body></body></html>',
        "noindex.htm": head % '<meta name="robots" content="NOINDEX, follow">',
        "googlebot.htm": head % '<meta name="googlebot" content="none">',
        "noindex-blank.htm": head % '<meta name="robots" content="noindex nofollow">',
        "robots-later.htm": head % '<meta name="robots" content="index"><meta name="robots" content="NoIndex">',
        "nbsp.htm": head.replace("Shop", "&nbsp;") % "",
        "relative.htm": head % '<link rel="canonical" href="/relative.htm">',
        "conflict.htm": head % ('<link rel="canonical" href="%s/a.htm"><link rel="canonical" href="%s/b.htm">'
                                % (origin, origin)),
        "to-root.htm": head % ('<link rel="canonical" href="%s/">' % origin),
        "same-canonical.htm": head % ('<link rel="canonical" href="https://example.org:443/a/../b c.htm">'
                                      '<link rel="canonical" href="https://example.org/b%20c.htm">'),
        "hreflang.htm": head % '<link rel="alternate" hreflang="english" href="https://example.org/en/">',
        "hreflang-relative.htm": head % '<link rel="alternate" hreflang="de" href="/de/">',
        "hreflang-ftp.htm": head % '<link rel="alternate" hreflang="en" href="ftp://example.org/en/">',
        "hreflang-good.htm": head % ('<link rel="alternate" hreflang="en-GB" href="%s/en/">'
                                     '<link rel="alternate" hreflang="x-default" href="%s/">' % (origin, origin)),
    }


class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


@unittest.skipUnless(LIGHTHOUSE and os.access(LIGHTHOUSE, os.X_OK) and CHROME,
                     "Lighthouse (VERDO_LIGHTHOUSE) or chromium not installed")
class Lighthouse(unittest.TestCase):
    def test_same_verdicts(self):
        with tempfile.TemporaryDirectory() as site:
            server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Quiet, directory=site))
            threading.Thread(target=server.serve_forever, daemon=True).start()
            self.addCleanup(server.server_close)
            self.addCleanup(server.shutdown)
            origin = "http://127.0.0.1:%d" % server.server_address[1]
            served = pages(origin)
            for name in ("six_lines.htm", "garden_trap.htm"):  # the project's own pages
                served[name] = pathlib.Path(DATA, name).read_bytes().decode("cp1252")
            for name, text in served.items():
                pathlib.Path(site, name).write_text(text, encoding="cp1252" if "six" in name else "utf-8")
            audit = subprocess.run([os.path.join(BIN, "verdo-cli"), "audit", "--json", site],
                                   capture_output=True, timeout=120)
            codes = {os.path.basename(p["page"]): set(p["problems"]) for p in json.loads(audit.stdout)}
            urls = {name: origin + ("/" if name == "index.htm" else "/" + name) for name in served}
            with concurrent.futures.ThreadPoolExecutor(3) as pool:
                verdicts = dict(zip(urls, pool.map(self.lighthouse, urls.values())))
            for name in served:
                for audit_id, matching in MATCHING.items():
                    with self.subTest(page=name, audit=audit_id):
                        passes = not (codes[name] & matching)
                        if (name, audit_id) in STRICTER:
                            self.assertEqual((verdicts[name][audit_id], passes), (True, False))
                        else:
                            self.assertEqual(verdicts[name][audit_id], passes, codes[name])

    def lighthouse(self, url):
        """Lighthouse's pass (True) or fail (False) for each audit; not applicable passes."""
        with tempfile.TemporaryDirectory() as scratch:
            result = subprocess.run(
                [LIGHTHOUSE, url, "--only-audits=" + ",".join(MATCHING), "--output=json", "--quiet",
                 "--chrome-flags=--headless=new --no-sandbox --disable-gpu", "--max-wait-for-load=20000"],
                capture_output=True, timeout=240, cwd=scratch,
                env=dict(os.environ, CHROME_PATH=CHROME, HOME=scratch, XDG_CONFIG_HOME=scratch, TMPDIR=scratch))
        self.assertEqual(result.returncode, 0, result.stderr[-2000:])
        audits = json.loads(result.stdout)["audits"]
        return {key: audits[key]["score"] != 0 for key in MATCHING}


if __name__ == "__main__":
    unittest.main()
