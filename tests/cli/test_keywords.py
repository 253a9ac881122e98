"""verdo-cli keywords OP FORM.tem [--seed N] and new --cleared."""
import os
import tempfile
import time
import unittest

from clisupport import run_cli


def fields(template_bytes):
    """The template's KEY=value lines as a dict, checking every line ends with CR LF."""
    assert template_bytes.endswith(b"\r\n"), template_bytes[-20:]
    lines = template_bytes[:-2].split(b"\r\n")
    assert all(b"\n" not in line and b"\r" not in line for line in lines)
    return dict(line.split(b"=", 1) for line in lines)


def keywords(template_bytes):
    f = fields(template_bytes)
    return [f[b"KW%d" % n].decode("latin-1") for n in range(1, 17)]


class KeywordsCommand(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def form(self, **values):
        lines = [b"%s=%s" % (k.encode(), v if isinstance(v, bytes) else v.encode())
                 for k, v in values.items()]
        path = os.path.join(self.dir.name, "form.tem")
        with open(path, "wb") as out:
            out.write(b"".join(line + b"\r\n" for line in lines))
        return path

    def ok(self, *args):
        result = run_cli(*args)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stderr, b"")
        return result.stdout

    def test_case_operations(self):
        path = self.form(TITLE="keep Me", KW1="web design 2001", KW2=b"caf\xe9 HTML",
                         KWX="red,green, blue", AUTHOR="ann")
        cases = {
            "upper": ("WEB DESIGN 2001", b"CAF\xe9 HTML", b"RED,GREEN, BLUE"),
            "lower": ("web design 2001", b"caf\xe9 html", b"red,green, blue"),
            "capitalise": ("Web Design 2001", b"Caf\xe9 Html", b"Red,Green, Blue"),
        }
        for op, (kw1, kw2, kwx) in cases.items():
            with self.subTest(op=op):
                f = fields(self.ok("keywords", op, path))
                self.assertEqual(f[b"KW1"], kw1.encode())
                self.assertEqual(f[b"KW2"], kw2)
                self.assertEqual(f[b"KWX"], kwx)
                self.assertEqual(f[b"TITLE"], b"keep Me")
                self.assertEqual(f[b"AUTHOR"], b"ann")

    def test_reverse_and_clear(self):
        path = self.form(KW1="first", KW2="second", KWX="x, y", TITLE="t")
        out = self.ok("keywords", "reverse", path)
        self.assertEqual(keywords(out), [""] * 14 + ["second", "first"])
        self.assertEqual(fields(out)[b"KWX"], b"x, y")
        out = self.ok("keywords", "clear", path)
        self.assertEqual(keywords(out), [""] * 16)
        self.assertEqual((fields(out)[b"KWX"], fields(out)[b"TITLE"]), (b"", b"t"))

    def test_shuffle_with_a_seed(self):
        letters = {"KW%d" % n: chr(ord("a") + n - 1) for n in range(1, 17)}
        self.assertEqual(keywords(self.ok("keywords", "shuffle", self.form(**letters), "--seed", "1")),
                         "h i f b n l e o g m k c p j a d".split())
        path = self.form(KW1="a", KW2="b", KW3="c")
        self.assertEqual(keywords(self.ok("keywords", "--seed", "1", "shuffle", path)),
                         ["b", "a", "c"] + [""] * 13)
        # The whole 32-bit range is a seed.
        self.assertEqual(sorted(keywords(self.ok("keywords", "shuffle", path, "--seed", "4294967295"))),
                         [""] * 13 + ["a", "b", "c"])

    def test_shuffle_moves_keywords_wherever_they_stand(self):
        # Five keywords in the last five boxes take the order that the same
        # five in the first boxes get; the empty boxes stay empty.
        path = self.form(**{"KW%d" % n: c for n, c in zip(range(12, 17), "abcde")})
        self.assertEqual(keywords(self.ok("keywords", "shuffle", path, "--seed", "1")),
                         [""] * 11 + "d b a c e".split())
        path = self.form(KW1="a", KW2="b", KW3="c", KW4="d", KW5="e")
        self.assertEqual(keywords(self.ok("keywords", "shuffle", path, "--seed", "1")),
                         "d b a c e".split() + [""] * 11)

    def test_shuffle_without_a_seed_uses_the_time_in_seconds(self):
        letters = {"KW%d" % n: chr(ord("a") + n - 1) for n in range(1, 17)}
        path = self.form(**letters)
        start = int(time.time())
        got = keywords(self.ok("keywords", "shuffle", path))
        end = int(time.time())
        seeded = [keywords(self.ok("keywords", "shuffle", path, "--seed", str(s % 2**32)))
                  for s in range(start, end + 1)]
        self.assertIn(got, seeded)

    def test_usage_errors(self):
        path = self.form(KW1="a")
        for args in (["keywords", "title", path], ["keywords", "upper"], ["keywords"],
                     ["keywords", "shuffle", path, "--seed"],
                     ["keywords", "shuffle", path, "--seed", "x1"],
                     ["keywords", "shuffle", path, "--seed", "-1"],
                     ["keywords", "shuffle", path, "--seed", "4294967296"],
                     ["keywords", "upper", path, path],
                     ["new", "--clear"]):
            with self.subTest(args=args):
                result = run_cli(*args)
                self.assertEqual(result.returncode, 2)
                self.assertEqual(result.stdout, b"")
                self.assertIn(b"usage:", result.stderr)

    def test_missing_template_fails(self):
        missing = os.path.join(self.dir.name, "none.tem")
        result = run_cli("keywords", "upper", missing)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stdout, b"")
        self.assertEqual(result.stderr, b"verdo-cli: " + missing.encode() + b": Error Opening File (no such file or directory)\n")


class NewCleared(unittest.TestCase):
    def test_cleared_form_chooses_global_and_keeps_the_copyright(self):
        out = run_cli("new", "--cleared")
        self.assertEqual(out.returncode, 0, out.stderr)
        f = fields(out.stdout)
        self.assertEqual(f[b"DISTRIBUTION"], b"Global")
        self.assertEqual(f[b"COPYRIGHT"], b"Copyright \xa9 2000")
        self.assertIn(b"\r\nDISTRIBUTION=Global\r\n", out.stdout)
        self.assertIn(b"\r\nCOPYRIGHT=Copyright \xa9 2000\r\n", out.stdout)
        # Otherwise the same as the form at start, which chooses no button.
        start = run_cli("new").stdout
        self.assertEqual(out.stdout.replace(b"DISTRIBUTION=Global", b"DISTRIBUTION=Local"), start)


if __name__ == "__main__":
    unittest.main()
