"""verdo-cli audit's head checks: each code where a small page earns it and beside a page that just passes."""
import json
import os
import tempfile
import unittest

from clisupport import read, run_cli, write

TITLE = b"Garden tools and pots for every season"  # 38 characters
DESCRIPTION = b"Spades, rakes, hoes and clay pots, sent within two days to any address in the country."  # 86


def page(title=TITLE, description=DESCRIPTION, extra=b"", lang=b' lang="en"',
         viewport=b'<meta name="viewport" content="width=device-width, initial-scale=1">', before=b""):
    return (b"<!DOCTYPE html>\n<html%s>\n<head>\n%s<meta charset=\"utf-8\">\n%s\n<title>%s</title>\n"
            b"<meta name=\"description\" content=\"%s\">\n%s\n</head>\n<body><p>x</p></body>\n</html>\n"
            % (lang, before, viewport, title, description, extra))


NEW_CODES = {"multiple-titles", "multiple-descriptions", "title-too-short", "description-too-short",
             "title-too-wide", "description-too-wide", "noindex", "canonical-invalid", "hreflang-invalid",
             "no-viewport", "no-lang", "charset-late", "head-too-long"}

# code, page, whether audit reports the code
CASES = [
    ("multiple-titles", page(extra=b"<title>Another title</title>"), True),
    ("multiple-titles", page(extra=b"<noscript><title>x</title></noscript>"), False),  # text where scripts run
    ("multiple-descriptions", page(extra=b'<meta name="Description" content="again">'), True),
    ("title-too-short", page(title=b"t" * 29), True),
    ("title-too-short", page(title=b"t" * 30), False),
    ("description-too-short", page(description=b"d" * 69), True),
    ("description-too-short", page(description=b"d &amp; e" + b"d" * 65), False),  # &amp; is one character
    ("title-too-wide", page(title=b"W" * 40), True),  # 40 characters, some 755 px
    ("title-too-wide", page(title=b"i" * 60), False),
    ("description-too-wide", page(description=b"W" * 100), True),
    ("noindex", page(extra=b'<meta name="ROBOTS" content="follow ,NoIndex">'), True),
    ("noindex", page(extra=b'<meta name="googlebot" content="none">'), True),
    ("noindex", page(extra=b'<meta name="robots" content="index, follow, noindexing">'), False),
    ("canonical-invalid", page(extra=b'<link rel="canonical" href="/tools.htm">'), True),
    ("canonical-invalid", page(extra=b'<link rel="canonical" href="https://example.com/a.htm">'
                                     b'<link rel="canonical" href="https://example.com/b.htm">'), True),
    ("canonical-invalid", page(extra=b'<link rel="canonical" href="https://example.com/">'), True),
    ("canonical-invalid", page(extra=b'<link rel="canonical" href="https://example.com/a.htm">'
                                     b'<link rel="CANONICAL" href="https://EXAMPLE.com/a.htm">'), False),
    ("canonical-invalid", page(extra=b'<link rel="canonical" href="https://example.com/b/../a.htm">'
                                     b'<link rel="canonical" href="https://example.com/./a.htm">'), False),
    ("empty-title", page(title=b"&nbsp; \xc2\xa0"), True),
    ("hreflang-invalid", page(extra=b'<link rel="alternate" hreflang="en_US" href="https://example.com/en/">'),
     True),
    ("hreflang-invalid", page(extra=b'<link rel="alternate" hreflang="de" href="/de/">'), True),
    ("hreflang-invalid", page(extra=b'<link rel="alternate" hreflang="en" href="ftp://example.com/en/">'), True),
    ("hreflang-invalid", page(extra=b'<link rel="alternate" hreflang="zh-Hant-TW" href="https://example.com/tw/">'
                                    b'<link rel="alternate" hreflang="X-Default" href="https://example.com/">'),
     False),
    ("no-viewport", page(viewport=b'<meta name="viewport" content="user-scalable=no">'), True),
    ("no-lang", page(lang=b""), True),
    ("no-lang", page(lang=b' lang="zz"'), True),
    ("no-lang", page(lang=b' lang="pt-BR"'), False),
    ("charset-late", page(before=b"<!-- %s -->\n" % (b"x" * 1000)), True),
    ("head-too-long", page(extra=b"<link rel=stylesheet href=a.css>" * 17000), True),
]


class AuditChecks(unittest.TestCase):
    def setUp(self):
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.dir = tmp.name

    def audit(self, pages, *options):
        for name, data in pages.items():
            os.makedirs(os.path.dirname(os.path.join(self.dir, name)), exist_ok=True)
            write(os.path.join(self.dir, name), data)
        result = run_cli("audit", "--json", *options, self.dir)
        return {os.path.relpath(p["page"], self.dir): p for p in json.loads(result.stdout)}

    def test_each_code_where_the_page_earns_it_and_not_beside_it(self):
        pages = {"p%02d.htm" % i: data for i, (_, data, _) in enumerate(CASES)}
        pages["clean.htm"] = page()
        audits = self.audit(pages)
        self.assertEqual(set(audits["clean.htm"]["problems"]) & NEW_CODES, set())
        for i, (code, _, reported) in enumerate(CASES):
            problems = audits["p%02d.htm" % i]["problems"]
            with self.subTest(case=i, code=code):
                self.assertEqual(code in problems, reported, problems)
                self.assertLessEqual(set(problems) & NEW_CODES, {code} if reported else set(), problems)

    def test_home_page_may_point_at_the_root_and_widths_have_their_limits(self):
        at_root = page(title=b"W" * 40, extra=b'<link rel="canonical" href="https://example.com/">')
        audits = self.audit({"index.htm": at_root, "sub/index.htm": at_root}, "--title-width=800")
        self.assertEqual(audits["index.htm"]["problems"], ["duplicate-title", "duplicate-description"])
        self.assertIn("canonical-invalid", audits["sub/index.htm"]["problems"])
        self.assertGreater(audits["index.htm"]["title_width"], 580)
        for width in ("wide", "0x300", " 600", "+600", "6e2", "0", "600."):
            with self.subTest(width=width):
                self.assertEqual(run_cli("audit", "--title-width=" + width, self.dir).returncode, 2)

    def test_iso_2022_jp_titles_are_decoded_and_compared(self):
        title = "\u3053\u3093\u306b\u3061\u306f\u3001\u5ead\u306e\u9053\u5177\u3068\u690d\u6728\u9262\u306e\u5e97"
        data = (b'<html lang="ja"><head><meta charset="iso-2022-jp"><title>' + title.encode("iso-2022-jp") +
                b"</title>\n</head>\n<body></body></html>\n")
        audits = self.audit({"a.htm": data, "b.htm": data})
        self.assertEqual(audits["a.htm"]["title"], title)
        self.assertIn("duplicate-title", audits["b.htm"]["problems"])

    def test_keep_head_refuses_a_head_longer_than_the_parser_reads(self):
        form, target = os.path.join(self.dir, "form.tem"), os.path.join(self.dir, "long.htm")
        data = b"<html><head>" + b"<link rel=stylesheet href=a.css>" * 17000 + b"<title>t</title></head><body>"
        write(form, run_cli("new").stdout)
        write(target, data)
        result = run_cli("export", "--keep-head", form, target)
        self.assertEqual(result.returncode, 1)
        self.assertIn(b"long.htm: Error Saving File (its head is too long to be read whole)", result.stderr)
        self.assertEqual(read(target), data)


if __name__ == "__main__":
    unittest.main()
