"""verdo-cli's command line as GNU and POSIX tools take it: "-" for standard
input, "--", long options with "=" or a separate value, -oFILE, COMMAND --help."""
import os
import re
import tempfile
import unittest

from clisupport import read, run_cli, write

FORM = b"OWNER=Verdo 1.0\r\nTITLE=Garden Tools\r\nKW1=spade\r\nKW2=rake\r\nKW3=hoe\r\n"


class ConventionsTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)
        self.form = self.path("shop.tem")
        write(self.form, FORM)

    def path(self, name):
        return os.path.join(self.tmp.name, name)

    def ok(self, *args, **kwargs):
        result = run_cli(*args, **kwargs)
        self.assertEqual((result.returncode, result.stderr), (0, b""), args)
        return result.stdout

    def test_dash_reads_the_form_from_standard_input(self):
        for command in (["head"], ["head", "--trap"], ["totals"], ["trap"], ["keywords", "upper"]):
            with self.subTest(command=command):
                self.assertEqual(self.ok(*command, "-", input=FORM), self.ok(*command, self.form))
        # After "--" too, and for the form of an export.
        self.assertEqual(self.ok("head", "--", "-", input=FORM), self.ok("head", self.form))
        page = self.path("page.htm")
        self.ok("export", "-", page, input=FORM)
        self.assertIn(b"<TITLE>Garden Tools</TITLE>", read(page))

    def test_standard_input_is_bounded_as_a_template_file(self):
        # A line longer than a line keeps is cut to its start; the lines after it still count.
        long_line = b"TITLE=" + b"x" * (3 << 20) + b"\r\n"
        out = self.ok("new", input=b"")  # nothing read: the form at start
        template = self.ok("keywords", "upper", "-", input=long_line + b"KW1=spade\r\n")
        title = re.search(rb"^TITLE=(x*)\r$", template, re.M).group(1)
        self.assertTrue(0 < len(title) <= 1 << 20, len(title))
        self.assertIn(b"KW1=SPADE\r\n", template)
        self.assertTrue(out.startswith(b"OWNER=Verdo 1.0\r\n"))
        # More than a template file may hold is refused, and nothing is printed.
        huge = b"KW1=a\n" * ((64 << 20) // 6 + 2)
        result = run_cli("head", "-", input=huge)
        self.assertEqual((result.returncode, result.stdout), (1, b""))
        self.assertEqual(result.stderr, b"verdo-cli: standard input: Error Opening File (larger than 64 MiB)\n")

    def test_double_dash_ends_the_options(self):
        write(self.path("-x.tem"), FORM)
        self.assertEqual(self.ok("totals", "--", "-x.tem", cwd=self.tmp.name), self.ok("totals", self.form))
        self.assertEqual(run_cli("totals", "-x.tem", cwd=self.tmp.name).returncode, 2)
        # Options before "--" still count, words after it are operands.
        self.assertEqual(self.ok("head", "--trap", "--", self.form), self.ok("head", self.form, "--trap"))

    def test_option_values_in_every_spelling(self):
        seeded = self.ok("keywords", "shuffle", self.form, "--seed", "3")
        self.assertEqual(self.ok("keywords", "--seed=3", "shuffle", self.form), seeded)
        self.assertNotEqual(self.ok("keywords", "shuffle", self.form, "--seed=4"), seeded)
        pages = []
        for spelling in (["-o", "{}"], ["-o{}"], ["--output", "{}"], ["--output={}"]):
            page = self.path("trap%d.htm" % len(pages))
            self.ok("trap", *[word.format(page) for word in spelling], self.form)
            pages.append(read(page))
        self.assertEqual(len(set(pages)), 1)
        self.assertIn(b"<TITLE>Garden Tools</TITLE>", pages[0])

    def test_misused_options_are_usage_errors(self):
        cases = [
            (["head", "--trap=yes", self.form], b"option '--trap' takes no value"),
            (["trap", self.form, "--output"], b"option '--output' needs PAGE"),
            (["trap", "-o", "a.htm", "-ob.htm", self.form], b"option '-o' given twice"),
            (["keywords", "shuffle", self.form, "--seed="], b"bad seed ''"),
            (["totals", "--output=x", self.form], b"unknown option '--output'"),
            (["head", "-tx", self.form], b"unknown option '-tx'"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                result = run_cli(*args)
                self.assertEqual((result.returncode, result.stdout), (2, b""))
                self.assertTrue(result.stderr.startswith(b"verdo-cli: " + message + b"\nusage:"), result.stderr)

    def test_every_command_has_its_own_help(self):
        listed = re.findall(rb"^  ([a-z]+) ", self.ok("--help"), re.M)
        self.assertEqual(listed, [b"new", b"head", b"totals", b"trap", b"export", b"import", b"keywords", b"audit"])
        for name in listed:
            with self.subTest(command=name):
                text = self.ok(name.decode(), "--help")
                self.assertTrue(text.startswith(b"usage: verdo-cli " + name), text)
                # --help wins over anything else on the line, but not after "--".
                self.assertEqual(self.ok(name.decode(), "--bogus", "--help"), text)
        self.assertIn(b"-o, --output=PAGE", self.ok("trap", "--help"))
        self.assertEqual(run_cli("totals", "--", "--help").returncode, 1)  # a file named --help


if __name__ == "__main__":
    unittest.main()
