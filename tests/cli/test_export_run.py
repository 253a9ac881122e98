"""verdo-cli export's --only, --dry-run and --diff, its summary, progress and --quiet, "-" as a page,
audit's lost report and import's hint for a path."""
import contextlib
import os
import pty
import shutil
import subprocess
import tempfile
import unittest

from clisupport import CLI, data, read, run_cli, write

FORM = data("garden.tem")  # author "Web Team", robots "noindex, nocache"
PAGES = {
    "crlf.htm": b'<html>\r\n<head>\r\n  <meta charset="utf-8">\r\n  <title>Mine</title>\r\n'
                b'  <meta name="description" content="own">\r\n  <meta name="author" content="Old">\r\n'
                b'</head>\r\n<body>x</body>\r\n</html>\r\n',
    "sub/bom.htm": b"\xef\xbb\xbf<!doctype html>\n<html><head><title>Caf\xc3\xa9</title>\n</head>\n<body>\n</body>",
    "plain.htm": b"<p>no head at all</p>\n",
}


class ExportRun(unittest.TestCase):
    def setUp(self):
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.dir = tmp.name
        self.form = os.path.join(self.dir, "form.tem")
        write(self.form, FORM)
        self.site = os.path.join(self.dir, "site")
        for name, page in PAGES.items():
            os.makedirs(os.path.dirname(os.path.join(self.site, name)), exist_ok=True)
            write(os.path.join(self.site, name), page)

    def export(self, *args, cwd=None):
        return subprocess.run([CLI, "export", *args], capture_output=True, timeout=120, cwd=cwd or self.site)

    def snapshot(self):
        files = {}
        for folder, _, names in os.walk(self.dir):
            for path in [folder] + [os.path.join(folder, n) for n in names]:
                st = os.lstat(path)
                files[path] = (st.st_mtime_ns, st.st_ctime_ns, st.st_ino, st.st_mode, st.st_size,
                               None if os.path.isdir(path) else read(path))
        return files

    def test_only_replaces_the_fields_named_and_leaves_the_rest(self):
        page = os.path.join(self.site, "crlf.htm")
        self.assertEqual(self.export("--keep-head", "--only", "Author, robots", self.form, page).returncode, 0)
        out = read(page)
        present, absent = [b"<title>Mine", b'content="own"', b"Web Team", b'NAME="robots"'], [b"Old", b"keywords"]
        self.assertEqual([p for p in present if p not in out] + [a for a in absent if a in out], [])
        for args, message in [(["--keep-head", "--only=titel"], b"title, description, keywords, author"),
                              (["--only", "title"], b"--only goes with --keep-head")]:
            result = self.export(*args, self.form, page)
            self.assertEqual(result.returncode, 2)
            self.assertIn(message, result.stderr)

    def test_dry_run_and_diff_leave_every_file_and_folder_as_it_was(self):
        before = self.snapshot()
        for args in (["--dry-run"], ["--diff"], ["--keep-head", "--dry-run"], ["--keep-head", "--diff"]):
            with self.subTest(args=args):
                result = self.export(*args, self.form, *PAGES, "new.htm")
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertEqual(self.snapshot(), before)
                self.assertEqual(b"bom.htm: would have dropped a document type line" in result.stderr,
                                 "--keep-head" not in args)

    def test_diff_applies_with_patch_to_give_what_a_real_run_writes(self):
        pages = [*PAGES, "new.htm"]
        for mode in ([], ["--keep-head"], ["--keep-head", "--only", "author,robots"]):
            with self.subTest(mode=mode):
                patched = os.path.join(self.dir, "patched")
                shutil.rmtree(patched, ignore_errors=True)
                shutil.copytree(self.site, patched)
                diff = self.export(*mode, "--diff", self.form, *pages)
                self.assertEqual(diff.returncode, 0, diff.stderr)
                subprocess.run(["patch", "-s", "-p1", "-d", patched], input=diff.stdout, check=True)
                self.assertEqual(self.export(*mode, "--quiet", self.form, *pages).returncode, 0)
                for page in pages:
                    self.assertEqual(read(os.path.join(patched, page)), read(os.path.join(self.site, page)), page)
                # Nothing left to change (a whole run adds its credits again to a page it gave a head).
                again = self.export(*mode, "--diff", self.form, *(pages if mode else pages[:2]))
                self.assertEqual(again.stdout, b"")
        # An absolute page's labels are a/ and b/ with its path: patch -p1 applies the diff from /.
        page = os.path.join(self.dir, "patched", "crlf.htm")
        diff = self.export("--keep-head", "--diff", self.form, page).stdout
        self.assertTrue(diff.startswith(b"--- a" + page.encode()), diff[:80])
        subprocess.run(["patch", "-s", "-p1", "-d", "/"], input=diff, check=True)
        self.assertEqual(self.export("--keep-head", "--diff", self.form, page).stdout, b"")

    def test_summary_and_progress_on_stderr_unless_quiet(self):
        os.mkfifo(os.path.join(self.site, "fifo.htm"))
        self.assertEqual(self.export("--keep-head", self.form, "plain.htm").stderr, b"")
        cases = [((), b"verdo-cli: 3 pages: 1 changed, 1 unchanged, 1 refused\n"),
                 (("--dry-run",), b"verdo-cli: 3 pages: 2 to change, 0 unchanged, 1 refused (dry run: nothing written)\n"),
                 (("--quiet",), b"")]
        for extra, summary in cases:
            with self.subTest(extra=extra):
                write(os.path.join(self.site, "crlf.htm"), PAGES["crlf.htm"])
                result = self.export(*extra, "--keep-head", self.form, "crlf.htm", "crlf.htm", "fifo.htm")
                self.assertEqual(result.returncode, 1)
                self.assertTrue(result.stderr.endswith(b"(not a regular file)\n" + summary), result.stderr)
        # On a terminal: the count of pages done, redrawn in place and taken away before the summary.
        for extra in ((), ("--quiet",)):
            master, slave = pty.openpty()
            subprocess.run([CLI, "export", "--dry-run", *extra, self.form, "crlf.htm", "plain.htm"], cwd=self.site,
                           stderr=slave, stdout=subprocess.DEVNULL, env={**os.environ, "VERDO_PROGRESS_AFTER": "0"},
                           timeout=60)
            os.close(slave)
            shown = b""
            with contextlib.suppress(OSError):  # EIO once the other side is closed and read
                while chunk := os.read(master, 4096):
                    shown += chunk
            os.close(master)
            if extra:
                self.assertEqual(shown, b"")
            else:
                self.assertTrue(shown.startswith(b"\rverdo-cli: 1 of 2 pages\x1b[K"), shown)
                self.assertIn(b"\r\x1b[Kverdo-cli: 2 pages: 2 to change", shown)

    def test_a_page_of_dash_is_standard_input_and_output(self):
        page = PAGES["crlf.htm"]
        real = os.path.join(self.dir, "real.htm")
        for args in (["export", self.form], ["export", "--keep-head", self.form], ["trap", self.form, "-o"]):
            with self.subTest(args=args):
                write(real, page)
                result = run_cli(*args, "-", input=page)
                self.assertEqual((result.returncode, result.stderr), (0, b""))
                self.assertEqual(run_cli(*args, real).returncode, 0)
                self.assertEqual(result.stdout, read(real))
        self.assertTrue(run_cli("audit", "-", input=page).stdout.startswith(b"-: title 4, description 3, keywords 0"))
        # ./- is a file of that name.
        write(os.path.join(self.dir, "-"), page)
        self.assertEqual(self.export("--keep-head", "form.tem", "./-", cwd=self.dir).stdout, b"")
        self.assertIn(b"<TITLE>Garden Tools</TITLE>", read(os.path.join(self.dir, "-")))
        for args in (["export", "-", "-"], ["export", self.form, "-", "a.htm", "-"], ["audit", "-", "-"]):
            self.assertEqual(run_cli(*args, input=page).returncode, 2, args)

    def test_audit_report_that_cant_be_written_and_import_of_a_path(self):
        with open("/dev/full", "wb") as full:
            result = subprocess.run([CLI, "audit", self.site], stdout=full, stderr=subprocess.PIPE, timeout=60)
        self.assertEqual((result.returncode, result.stderr), (3, b"verdo-cli: standard output: write error\n"))
        path = os.path.join(self.site, "my page.htm")
        result = run_cli("import", path)
        self.assertEqual((result.returncode, result.stderr.decode()), (1, "verdo-cli: %s: Error Opening File (not an "
                         "address; for a file, use file://%s)\n" % (path, path.replace(" ", "%20"))))
        # A colon in a file's name, or a drive letter, names no scheme Import takes.
        write(os.path.join(self.site, "v2:six.htm"), b"")
        result = run_cli("import", "v2:six.htm", cwd=self.site)
        self.assertEqual((result.returncode, result.stderr.decode()), (1, "verdo-cli: v2:six.htm: Error Opening File "
                         "(not an address; for a file, use file://%s/v2%%3Asix.htm)\n" % os.path.realpath(self.site)))
        self.assertIn(b"file:///...)\n", run_cli("import", "C:/x.htm").stderr)


if __name__ == "__main__":
    unittest.main()
