"""verdo-cli export --keep-head and audit on pages of every kind: the kept
bytes byte for byte, the head as an HTML5 parser (html5lib) builds it, a
second run that changes nothing, and each problem the audit reports."""
import json
import os
import sys
import tempfile
import unittest

try:
    import html5lib
except ImportError:  # a Python of its own, beside the system's that has python3-html5lib
    sys.path.append("/usr/lib/python3/dist-packages")
    import html5lib

from clisupport import read, run_cli, write

BOM = b"\xef\xbb\xbf"
# The form: a title with a Windows-1252 letter (0xE4) and a euro sign (0x80).
FORM = (b"OWNER=Verdo 1.0\r\nTITLE=Gartenger\xe4te \x80 5\r\nDESCRIPTION=Spaten und Rechen\r\n"
        b"KW1=spaten\r\nKW2=rechen\r\nAUTHOR=Web Team\r\nCOPYRIGHT=\r\nNOINDEX=yes\r\nDISTRIBUTION=Global\r\n")
# What the head block of that form provides, as a parser reads it.
BLOCK_TITLE = "Gartenger\u00e4te \u20ac 5"
BLOCK_METAS = [("name", "description", "Spaten und Rechen"), ("name", "keywords", "spaten, rechen"),
               ("name", "author", "Web Team"), ("name", "robots", "noindex"),
               ("name", "distribution", "Global")]
BLOCK_NAMES = {"description", "keywords", "author", "copyright", "robots", "expires", "distribution",
               "revisit-after"}


# Pages without a declaration, all ASCII, are taken to be in windows-1252,
# as browsers in Western locales read them.
class Page:
    """A page the test writes: its bytes, the parts that must stay byte for
    byte (before the head, the kept elements, after the head) and the
    elements the head block replaces."""

    def __init__(self, name, before, head, after, kept, replaced, encoding="utf-8"):
        self.name, self.before, self.after = name, before, after
        self.data = before + head + after
        self.kept, self.replaced, self.encoding = kept, replaced, encoding


PAGES = [
    Page("html5.htm",
         BOM + b'<!DOCTYPE html>\r\n<html lang="de">\r\n',
         b'<head>\r\n  <meta charset="utf-8">\r\n  <meta name="viewport" content="width=device-width">\r\n'
         b'  <title>Alter Titel</title>\r\n  <meta name="description" content="alt">\r\n'
         b'  <meta property="og:title" content="Shop">\r\n  <link rel="stylesheet" href="s.css">\r\n'
         b'  <link rel="icon" href="i.png">\r\n  <script src="a.js"></script>\r\n'
         b'  <style>p { color: green }</style>\r\n  <base href="/">\r\n  <meta name="KEYWORDS" content="x">\r\n'
         b'</head>\r\n',
         b'<body>\r\n<p>Hallo</p>\r\n</body>\r\n</html>\r\n',
         [b'<meta charset="utf-8">', b'<meta name="viewport" content="width=device-width">',
          b'<meta property="og:title" content="Shop">', b'<link rel="stylesheet" href="s.css">',
          b'<link rel="icon" href="i.png">', b'<script src="a.js"></script>',
          b'<style>p { color: green }</style>', b'<base href="/">'],
         [b'<title>Alter Titel</title>', b'<meta name="description" content="alt">',
          b'<meta name="KEYWORDS" content="x">']),
    Page("xhtml.htm",
         b'<?xml version="1.0" encoding="utf-8"?>\n<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Strict//EN"\n'
         b'  "http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd">\n'
         b"<html xmlns='http://www.w3.org/1999/xhtml' xml:lang='de'>\n",
         b"<head>\n<meta http-equiv='Content-Type'\n      content='text/html; charset=utf-8' />\n"
         b"<meta name='author'\n      content='Alt' />\n<title>Alt</title>\n"
         b"<link rel='stylesheet' type='text/css' href='s.css' />\n"
         b"<script type='text/javascript'>//<![CDATA[\nif (a < b) document.write('</head>');\n//]]></script>\n"
         b"</head>",
         b"<body><p>Hallo</p></body>\n</html>\n",
         [b"<meta http-equiv='Content-Type'\n      content='text/html; charset=utf-8' />",
          b"<link rel='stylesheet' type='text/css' href='s.css' />",
          b"<script type='text/javascript'>//<![CDATA[\nif (a < b) document.write('</head>');\n//]]></script>"],
         [b"<meta name='author'\n      content='Alt' />", b"<title>Alt</title>"]),
    Page("html4.htm",
         b'<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01 Transitional//EN">\r\n<HTML>\r\n',
         b'<HEAD>\r\n<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=windows-1252">\r\n'
         b'<TITLE>Caf\xe9</TITLE>\r\n<META NAME="robots" CONTENT="all">\r\n'
         b'<META HTTP-EQUIV="expires" CONTENT="0">\r\n<STYLE TYPE="text/css">\r\nP { margin: 0 }\r\n</STYLE>\r\n'
         b'</head>',
         b'<BODY>\r\n<P>Caf\xe9\r\n</BODY>\r\n</HTML>\r\n',
         [b'<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=windows-1252">',
          b'<STYLE TYPE="text/css">\r\nP { margin: 0 }\r\n</STYLE>'],
         [b'<TITLE>Caf\xe9</TITLE>', b'<META NAME="robots" CONTENT="all">', b'<META HTTP-EQUIV="expires" CONTENT="0">'],
         "windows-1252"),
    Page("oneline.htm",
         b"<html>",
         b'<head><title>x</title><meta name="description" content="y"><link rel="icon" href="i.png"></head>',
         b"<body>z</body></html>",
         [b'<link rel="icon" href="i.png">'],
         [b"<title>x</title>", b'<meta name="description" content="y">'],
         "windows-1252"),
    Page("omitted.htm",
         b"<!doctype html>\n<html>\n",
         b"<head>\n<meta charset=utf-8>\n<title>t</title>\n<link rel=stylesheet href=s.css>\n",
         b"<body>\n<p>x\n",
         [b"<meta charset=utf-8>", b"<link rel=stylesheet href=s.css>"],
         [b"<title>t</title>"]),
    Page("notitle.htm",
         b"<!DOCTYPE html>\n<html>\n",
         b"<HEAD>\n<meta charset=\"ISO-8859-2\">\n<meta name=\"description\" content=\"old\">\n"
         b"<link rel=\"icon\" href=\"i.png\">\n</HEAD>\n",
         b"<body>\xb1</body>\n",
         [b'<meta charset="ISO-8859-2">', b'<link rel="icon" href="i.png">'],
         [b'<meta name="description" content="old">'],
         "iso-8859-2"),
    Page("nohead.htm",
         b'<!DOCTYPE html>\n<html lang="fr">\n', b"", b"<body>\n<p>Bonjour</p>\n</body>\n</html>\n", [], [],
         "windows-1252"),
]


def parse(data, encoding):
    return html5lib.parse(data, treebuilder="etree", namespaceHTMLElements=False,
                          transport_encoding=encoding)


def is_block_element(element):
    if element.tag == "title":
        return True
    if element.tag != "meta":
        return False
    names = {element.get("name", "").strip().lower(), element.get("http-equiv", "").strip().lower()}
    return bool(names & BLOCK_NAMES)


def body_text(tree):
    return html5lib.serialize(tree.find("body"), tree="etree")


class Site(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)
        self.dir = self.tmp.name
        self.form = self.path("site.tem")
        write(self.form, FORM)

    def path(self, name):
        return os.path.join(self.dir, name)

    def keep_head(self, *pages):
        return run_cli("export", "--keep-head", self.form, *pages)

    def audit(self, *args):
        return run_cli("audit", *args)


class KeepHead(Site):
    def test_every_kept_element_stays_byte_for_byte_and_only_the_blocks_are_replaced(self):
        for page in PAGES:
            with self.subTest(page=page.name):
                target = self.path(page.name)
                write(target, page.data)
                result = self.keep_head(target)
                self.assertEqual(result.returncode, 0, result.stderr)
                out = read(target)
                self.assertTrue(out.startswith(page.before), out)
                self.assertTrue(out.endswith(page.after), out)
                at = 0
                for kept in page.kept:
                    found = out.find(kept, at)
                    self.assertGreaterEqual(found, 0, kept)
                    at = found + len(kept)
                for replaced in page.replaced:
                    self.assertNotIn(replaced, out)
                self.assertNotIn(b"<!--", out)
                self.check_parsed(page, out)

    def check_parsed(self, page, out):
        old, new = parse(page.data, page.encoding), parse(out, page.encoding)
        self.assertEqual(len(new.findall(".//head")), 1)
        self.assertEqual(new.attrib, old.attrib)
        kept_old = [(e.tag, e.attrib, e.text) for e in old.find("head") if not is_block_element(e)]
        kept_new = [(e.tag, e.attrib, e.text) for e in new.find("head") if not is_block_element(e)]
        self.assertEqual(kept_new, kept_old)
        block = [e for e in new.find("head") if is_block_element(e)]
        self.assertEqual(block[0].tag, "title")
        self.assertEqual(block[0].text, BLOCK_TITLE)
        metas = [next((k, v, e.get("content")) for k in ("name", "http-equiv") for v in [e.get(k)] if v)
                 for e in block[1:]]
        self.assertEqual(metas, BLOCK_METAS)
        self.assertEqual(body_text(new), body_text(old))

    def test_new_elements_are_in_the_pages_encoding_with_references_for_the_rest(self):
        expected = {
            "html5.htm": b"<TITLE>Gartenger\xc3\xa4te \xe2\x82\xac 5</TITLE>",
            "html4.htm": b"<TITLE>Gartenger\xe4te \x80 5</TITLE>",
            "notitle.htm": b"<TITLE>Gartenger\xe4te &#8364; 5</TITLE>",
        }
        for page in PAGES:
            if page.name in expected:
                with self.subTest(page=page.name):
                    write(self.path(page.name), page.data)
                    self.assertEqual(self.keep_head(self.path(page.name)).returncode, 0)
                    self.assertIn(expected[page.name], read(self.path(page.name)))

    def test_block_stands_where_the_title_stood_or_after_the_charset(self):
        for name, before, after in [("html5.htm", b'  <meta name="viewport" content="width=device-width">\r\n  ',
                                     b'\r\n  <meta property="og:title"'),
                                    ("notitle.htm", b'<meta charset="ISO-8859-2">\n', b'\n<link rel="icon"')]:
            with self.subTest(page=name):
                page = next(p for p in PAGES if p.name == name)
                write(self.path(name), page.data)
                self.assertEqual(self.keep_head(self.path(name)).returncode, 0)
                out = read(self.path(name))
                title = out.index(b"<TITLE>")
                self.assertEqual(out[title - len(before):title], before)
                self.assertEqual(out[out.index(b'CONTENT="Global">') + 17:][:len(after)], after)

    def test_second_run_changes_nothing(self):
        targets = []
        for page in PAGES:
            write(self.path(page.name), page.data)
            targets.append(self.path(page.name))
        self.assertEqual(self.keep_head(*targets).returncode, 0)
        first = {t: (read(t), os.stat(t).st_ino) for t in targets}
        self.assertEqual(self.keep_head(*targets).returncode, 0)
        for target in targets:
            self.assertEqual((read(target), os.stat(target).st_ino), first[target], target)

    def test_page_without_head_gets_one_after_html_and_never_a_second(self):
        write(self.path("a.htm"), b'<html lang="fr">\n<p>x</p>\n')
        write(self.path("b.htm"), b"plain text\n")
        self.assertEqual(self.keep_head(self.path("a.htm"), self.path("b.htm")).returncode, 0)
        a, b = read(self.path("a.htm")), read(self.path("b.htm"))
        self.assertTrue(a.startswith(b'<html lang="fr">\n<HEAD>\n<TITLE>'), a)
        self.assertTrue(a.endswith(b"\n</HEAD>\n<p>x</p>\n"), a)
        self.assertTrue(b.startswith(b"<HEAD>\n<TITLE>") and b.endswith(b"</HEAD>\nplain text\n"), b)
        self.assertEqual(a.lower().count(b"<html"), 1)
        self.assertEqual(self.keep_head(self.path("a.htm")).returncode, 0)
        self.assertEqual(read(self.path("a.htm")).lower().count(b"<head"), 1)

    def test_refusals_leave_the_page_as_it_was(self):
        cases = {
            "utf16.htm": b"\xff\xfe<\x00h\x00t\x00m\x00l\x00>\x00",
            "runaway.htm": b"<html><head><title>never closed\n<body>text that is title text</body>",
        }
        for name, data in cases.items():
            with self.subTest(page=name):
                write(self.path(name), data)
                result = self.keep_head(self.path(name))
                self.assertEqual(result.returncode, 1)
                self.assertIn(self.path(name).encode() + b": Error", result.stderr)
                self.assertEqual(read(self.path(name)), data)
        os.mkfifo(self.path("fifo.htm"))
        result = self.keep_head(self.path("fifo.htm"), self.path("new.htm"))
        self.assertEqual(result.returncode, 1)
        self.assertIn(b"fifo.htm: Error Opening File (not a regular file)", result.stderr)
        # The other pages still ran: a new page gets a head section alone.
        self.assertTrue(read(self.path("new.htm")).startswith(b"<HEAD>\n<TITLE>"))

    def test_keep_head_usage(self):
        self.assertEqual(self.keep_head().returncode, 2)
        self.assertEqual(run_cli("export", "--keep-head", "--bogus", self.form, "p.htm").returncode, 2)
        # The plain export is untouched by the option's existence.
        write(self.path("p.htm"), b"<HTML>\n<HEAD>\n<TITLE>Old</TITLE>\n</HEAD>\n<BODY>Hi</BODY>\n")
        self.assertEqual(run_cli("export", self.form, self.path("p.htm")).returncode, 0)
        self.assertTrue(read(self.path("p.htm")).startswith(b"<HTML>\r\n<HEAD>\r\n<TITLE>"))


def page(head):
    """A page whose head section ends on a line of its own, as Export finds it."""
    return (b'<html lang="en"><head><meta name="viewport" content="width=device-width">' + head +
            b"\n</head>\n<body></body></html>\n")


# The codes of checks that came later, left out where a test is about the others.
LATER_CODES = {"multiple-titles", "multiple-descriptions", "title-too-short", "description-too-short",
               "title-too-wide", "description-too-wide", "noindex", "canonical-invalid", "hreflang-invalid",
               "no-viewport", "no-lang", "charset-late"}


def earlier(problems):
    return [code for code in problems if code not in LATER_CODES]


def good(title, description):
    return page(b'<meta charset="utf-8"><title>%s</title><meta name="description" content="%s">'
                b'<meta name="keywords" content="a, b,, c">' % (title, description))


class Audit(Site):
    def write_pages(self, pages):
        for name, data in pages.items():
            os.makedirs(os.path.dirname(self.path(name)), exist_ok=True)
            write(self.path(name), data)

    def json_audit(self, *args):
        result = self.audit("--json", *args)
        return result, {os.path.relpath(p["page"], self.dir): p for p in json.loads(result.stdout)}

    def test_each_problem_code_and_none_where_there_is_none(self):
        pages = {
            "good.htm": good(b"Caf\xc3\xa9 " + b"x" * 55, b"d" * 160),
            "no-title.htm": page(b'<meta name="description" content="d1">'),
            "empty-title.htm": good(b"  ", b"d2"),
            "title-too-long.htm": good(b"t" * 61, b"d3"),
            "no-description.htm": page(b"<title>t4</title>"),
            "description-too-long.htm": good(b"t5", b"d" * 161),
            "dup1.htm": good(b"same", b"d6"),
            "dup2.htm": good(b"same", b"d7"),
            "ddup1.htm": good(b"t8", b"same description"),
            "ddup2.htm": good(b"t9", b"same description"),
            "no-head-end.htm": b'<html><head><title>t10</title><meta name="description" content="d10"></Head>\n',
            "encoding-mismatch.htm": page(b'<meta charset="utf-8"><title>Caf\xe9</title>'
                                          b'<meta name="description" content="d11">'),
            "latin1-labelled-utf8.htm": page(b'<meta charset="iso-8859-1"><title>Caf\xc3\xa9</title>'
                                             b'<meta name="description" content="d12">'),
        }
        self.write_pages(pages)
        result, audits = self.json_audit(self.dir)
        self.assertEqual(result.returncode, 1)
        expected = {
            "good.htm": [], "no-title.htm": ["no-title"], "empty-title.htm": ["empty-title"],
            "title-too-long.htm": ["title-too-long"], "no-description.htm": ["no-description"],
            "description-too-long.htm": ["description-too-long"], "dup1.htm": ["duplicate-title"],
            "dup2.htm": ["duplicate-title"], "ddup1.htm": ["duplicate-description"],
            "ddup2.htm": ["duplicate-description"], "no-head-end.htm": ["no-head-end"],
            "encoding-mismatch.htm": ["encoding-mismatch"], "latin1-labelled-utf8.htm": ["encoding-mismatch"],
        }
        self.assertEqual({name: earlier(a["problems"]) for name, a in audits.items()}, expected)
        self.assertEqual(audits["good.htm"]["title_length"], 60)
        self.assertEqual(audits["good.htm"]["keywords"], ["a", "b", "c"])
        self.assertIsNone(audits["no-title.htm"]["title"])
        self.assertEqual(audits["encoding-mismatch.htm"]["title"], "Caf\ufffd")

    def test_clean_site_exits_zero(self):
        self.write_pages({"a.htm": good(b"A" * 30, b"Da" * 35), "sub/b.html": good(b"B" * 30, b"Db" * 35)})
        result = self.audit(self.dir)
        self.assertEqual(result.returncode, 0, result.stdout)
        self.assertEqual(result.stdout.decode().splitlines(), [
            self.path("a.htm") + ": title 30, description 70, keywords 3",
            self.path("sub/b.html") + ": title 30, description 70, keywords 3",
            "2 pages, 0 with problems"])

    def test_text_lines_and_summary(self):
        self.write_pages({"a.htm": good(b"Same", b"D"), "b.htm": good(b"Same", b"E"),
                          "c.htm": b"<title>\xe9t\xe9</title>"})
        result = self.audit(self.path("a.htm"), self.path("b.htm"), self.path("c.htm"))
        self.assertEqual(result.returncode, 1)
        lines = result.stdout.decode().splitlines()
        self.assertEqual(lines[0], self.path("a.htm") + ": title 4, description 1, keywords 3: duplicate-title, "
                         "title-too-short, description-too-short")
        # Windows-1252 bytes are decoded: three characters.
        self.assertEqual(lines[2], self.path("c.htm") + ": title 3, description -, keywords 0: no-description, "
                         "no-head-end, title-too-short, no-viewport, no-lang, charset-late")
        self.assertEqual(lines[3], "3 pages, 3 with problems (no-description 1, duplicate-title 2, no-head-end 1, "
                         "title-too-short 3, description-too-short 2, no-viewport 1, no-lang 1, charset-late 1)")

    def test_folders_walked_for_pages_only_regular_files_no_link_loops(self):
        self.write_pages({"a.htm": good(b"A", b"Da"), "B.HTM": good(b"B", b"Db"), "notes.txt": b"x",
                          "deep/er/c.html": good(b"C", b"Dc")})
        os.symlink(self.dir, self.path("deep/loop"))
        os.symlink(self.path("a.htm"), self.path("deep/link.htm"))
        os.mkfifo(self.path("fifo.htm"))
        result, audits = self.json_audit(self.dir)
        self.assertEqual(sorted(audits), ["B.HTM", "a.htm", "deep/er/c.html", "deep/link.htm"])
        self.assertEqual(earlier(audits["a.htm"]["problems"]), ["duplicate-title", "duplicate-description"])

    def test_unreadable_pages_are_reported_and_the_rest_audited(self):
        self.write_pages({"a.htm": good(b"A" * 30, b"Da" * 35)})
        os.mkfifo(self.path("fifo.htm"))
        result = self.audit(self.path("a.htm"), self.path("fifo.htm"), self.path("missing.htm"))
        self.assertEqual(result.returncode, 1)
        self.assertIn(b"fifo.htm: Error Opening File (not a regular file)", result.stderr)
        self.assertIn(b"missing.htm: Error Opening File", result.stderr)
        self.assertTrue(result.stdout.endswith(b"1 page, 0 with problems\n"), result.stdout)

    def test_json_parses_with_every_key(self):
        self.write_pages({"q\"uote.htm": good(b'Say "hi" \\' + b"x" * 20, b"D" * 70)})
        result, audits = self.json_audit(self.dir)
        self.assertEqual(result.returncode, 0)
        page = audits['q"uote.htm']
        self.assertEqual(list(page), ["page", "title", "title_length", "title_width", "description",
                                      "description_length", "description_width", "keywords", "problems"])
        self.assertEqual(page["title"], 'Say "hi" \\' + "x" * 20)
        self.assertEqual(json.loads(self.audit("--json", self.path("none")).stdout), [])

    def test_usage(self):
        self.assertEqual(self.audit().returncode, 2)
        self.assertEqual(self.audit("--json").returncode, 2)
        self.assertEqual(self.audit("--csv", self.dir).returncode, 2)


if __name__ == "__main__":
    unittest.main()
