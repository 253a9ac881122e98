"""verdo-cli new, head and totals: exact bytes; --help, --version and usage errors."""
import os
import tempfile
import unittest

from clisupport import GARDEN_META, data, run_cli, write

FORM = data("garden.tem")


class ComposeCommands(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)
        self.form = os.path.join(self.tmp.name, "garden.tem")
        write(self.form, FORM)

    def ok(self, *args):
        result = run_cli(*args)
        self.assertEqual((result.returncode, result.stderr), (0, b""), args)
        return result.stdout

    def test_head_and_totals(self):
        self.assertEqual(self.ok("head", self.form), b"<TITLE>Garden Tools</TITLE>\n" + GARDEN_META)
        self.assertEqual(self.ok("head", "--trap", self.form), b"\n<TITLE>Garden Tools</TITLE>\n\n" + GARDEN_META)
        self.assertEqual(self.ok("totals", self.form),
                         b"Title: 12\nDescription: 16\nKeywords: 19\nAuthor: 8\nCopyright: 16\n")

    def test_new_prints_the_form_at_start_as_save_writes_it(self):
        start = self.ok("new")
        self.assertEqual(len(start), 290)
        self.assertTrue(start.startswith(b"OWNER=Verdo 1.0\r\nTITLE=\r\nDESCRIPTION=\r\nKW1=\r\n"))
        # The form at start has no distribution chosen, which the head block
        # calls Global; the template file knows only Global and Local, and
        # writes Local.
        write(self.form, start)
        self.assertEqual(self.ok("head", self.form),
                         b'<TITLE></TITLE>\n<META NAME="description" CONTENT="">\n'
                         b'<META NAME="keywords" CONTENT="">\n'
                         b'<META NAME="copyright" CONTENT="Copyright \xa9 2000">\n'
                         b'<META NAME="distribution" CONTENT="Local">')

    def test_help_and_version(self):
        self.assertTrue(self.ok("--help").startswith(b"usage: verdo-cli COMMAND [ARGS]\n"))
        self.assertEqual(self.ok("--version"), b"verdo-cli 1.0.0.1\n")

    def test_usage_errors_name_the_fault_and_print_nothing(self):
        cases = [
            ([], b"no command given"),
            (["frobnicate"], b"unknown command 'frobnicate'"),
            (["head"], b"head takes one template file"),
            (["head", "--x", self.form], b"unknown option '--x'"),
            (["totals", "-v"], b"unknown option '-v'"),
            (["totals", self.form, self.form], b"totals takes one template file"),
            (["trap", self.form, "--o"], b"unknown option '--o'"),
            (["export", "--wet-run", self.form, "page.htm"], b"unknown option '--wet-run'"),
            (["import", "-k", "file:///dev/null"], b"unknown option '-k'"),
            (["keywords", "upper", self.form, "--sed", "1"], b"unknown option '--sed'"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                result = run_cli(*args)
                self.assertEqual((result.returncode, result.stdout), (2, b""))
                self.assertTrue(result.stderr.startswith(b"verdo-cli: " + message + b"\nusage:"), result.stderr)
        # A file whose name starts with "-" is given with its folder.
        write(os.path.join(self.tmp.name, "-x.tem"), FORM)
        self.assertEqual(run_cli("totals", "./-x.tem", cwd=self.tmp.name).returncode, 0)


if __name__ == "__main__":
    unittest.main()
