"""verdo-cli trap and export: exact bytes, exit statuses, and the safe replace
(permissions, symbolic links, read-only targets, write errors)."""
import os
import shutil
import stat
import subprocess
import tempfile
import unittest

from clisupport import CLI, data, limited, read, run_cli, write

SETPRIV = shutil.which("setpriv")

CREDITS = (b"<!-- Meta Tags Generated with Verdo - Meta Tag Generator.  -->\n"
           b"<!-- More Information:  https://verdo.example.org/  -->\n")
# The trap page as Generate saves it (CR LF), and as the preview shows it:
# LF line ends, without the credits.
GARDEN_TRAP_SAVED = data("garden_trap.htm")
GARDEN_TRAP_PREVIEW = GARDEN_TRAP_SAVED.replace(b"\r\n", b"\n").replace(CREDITS + b"\n", b"")
SIX_LINES = data("six_lines.htm")


def crlf(text):
    return text.replace(b"\n", b"\r\n")


class Files(unittest.TestCase):
    """A folder with the garden form in it, and helpers."""

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)
        self.dir = self.tmp.name
        self.form = self.path("garden.tem")
        write(self.form, data("garden.tem"))

    def path(self, name):
        return os.path.join(self.dir, name)

    def head_block(self):
        result = run_cli("head", self.form)
        self.assertEqual(result.returncode, 0)
        return result.stdout

    def exported(self, tail, found=True):
        return (b"<HTML>\r\n<HEAD>\r\n" + crlf(self.head_block())
                + (b"\r\n" + crlf(CREDITS) if found else b"") + b"\r\n</HEAD>\r\n" + tail)


class FileCommands(Files):

    def test_trap_prints_the_preview_page(self):
        result = run_cli("trap", self.form)
        self.assertEqual((result.returncode, result.stderr), (0, b""))
        self.assertEqual(result.stdout, GARDEN_TRAP_PREVIEW)

    def test_trap_writes_the_generated_page(self):
        page = self.path("trap.htm")
        for _ in range(2):  # the second run replaces the first with the same bytes
            result = run_cli("trap", self.form, "-o", page)
            self.assertEqual((result.returncode, result.stdout, result.stderr), (0, b"", b""))
            self.assertEqual(read(page), GARDEN_TRAP_SAVED)
            self.assertEqual(len(read(page).split(b"\r\n")), 25)  # 24 lines and the end

    def test_trap_failures(self):
        missing = self.path("nowhere/trap.htm")
        result = run_cli("trap", self.form, "-o", missing)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr, b"verdo-cli: " + missing.encode() + b": Error Saving File (no such file or directory)\n")
        result = run_cli("trap", self.path("none.tem"))
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr, b"verdo-cli: " + self.path("none.tem").encode()
                         + b": Error Opening File (no such file or directory)\n")
        self.assertEqual(run_cli("trap").returncode, 2)
        self.assertEqual(run_cli("trap", self.form, "-o").returncode, 2)

    def test_export_pages(self):
        cases = {
            # page as on disk -> what stays behind the new head section, found
            "six.htm": (SIX_LINES, b"<BODY>Hi</BODY>\r\n</HTML>\r\n", True),
            "lf.htm": (b"<head>\n  </head>\nbody\nlast", b"body\r\nlast", True),
            "closing-last.htm": (b"<HTML>\n</HEAD>\n", b"<HTML>\r\n</HEAD>\r\n", False),
            "no-closing.htm": (b"<p>\r\nend without line end", b"<p>\r\nend without line end", False),
            "empty.htm": (b"", b"", False),
        }
        for name, (page, _, _) in cases.items():
            write(self.path(name), page)
        result = run_cli("export", self.form, *[self.path(n) for n in cases])
        self.assertEqual((result.returncode, result.stdout), (0, b""))
        # A page without a closing line that has more after it gets a second head.
        self.assertEqual(result.stderr.decode().splitlines(), [
            "verdo-cli: %s: put a second head in front of the page, which has no line that closes its head with "
            "more after it (--keep-head replaces the head's own elements instead)" % self.path(n)
            for n in ("closing-last.htm", "no-closing.htm")] + ["verdo-cli: 5 pages: 5 changed, 0 unchanged, 0 refused"])
        for name, (_, kept, found) in cases.items():
            with self.subTest(page=name):
                self.assertEqual(read(self.path(name)), self.exported(kept, found))
        self.assertEqual(read(self.path("six.htm")), data("six_lines_exported.htm"))
        # Exporting again into a page with a body replaces the head section again.
        pages = [self.path("six.htm"), self.path("lf.htm")]
        before = [read(p) for p in pages]
        self.assertEqual(run_cli("export", self.form, *pages).returncode, 0)
        self.assertEqual([read(p) for p in pages], before)

    def test_export_says_what_it_dropped_unless_quiet(self):
        page = (b"<!DOCTYPE html>\n<html lang=en>\n<head>\n<link rel=stylesheet href=a.css>\n<title>t</title>\n"
                b"</head><body>\n<p>text</p>\n")
        pages = [self.path(n) for n in ("a.htm", "b.htm", "six.htm")]
        for path, bytes_ in zip(pages, (page, page, SIX_LINES)):
            write(path, bytes_)
        result = run_cli("export", self.form, pages[0], pages[2])
        self.assertEqual((result.returncode, result.stdout), (0, b""))
        self.assertEqual(result.stderr.decode(), "verdo-cli: %s: dropped a stylesheet link, a document type line and "
                         "an attribute on the html tag (--keep-head keeps them)\n"
                         "verdo-cli: 2 pages: 2 changed, 0 unchanged, 0 refused\n" % pages[0])
        self.assertEqual(read(pages[0]), self.exported(b"<body>\r\n<p>text</p>\r\n"))
        result = run_cli("export", "--quiet", self.form, pages[1])
        self.assertEqual((result.returncode, result.stdout, result.stderr), (0, b"", b""))
        self.assertEqual(read(pages[1]), read(pages[0]))

    def test_export_batch_goes_on_after_a_failure(self):
        first, folder, new, last = (self.path(n) for n in ("a.htm", "dir.htm", "new.htm", "z.htm"))
        write(first, SIX_LINES)
        os.mkdir(folder)  # there, but no page to read
        write(last, SIX_LINES)
        unwritable = self.path("gone/x.htm")
        result = run_cli("export", self.form, first, folder, new, unwritable, last)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stdout, b"")
        self.assertEqual(result.stderr.decode().splitlines(), [
            "verdo-cli: %s: Error Opening File (not a regular file)" % folder,
            "verdo-cli: %s: Error Saving File (no such file or directory)" % unwritable,
            "verdo-cli: 5 pages: 3 changed, 0 unchanged, 2 refused",
        ])
        self.assertEqual(read(first), self.exported(b"<BODY>Hi</BODY>\r\n</HTML>\r\n"))
        self.assertEqual(read(last), read(first))
        self.assertEqual(read(new), self.exported(b"", found=False))
        self.assertEqual(os.listdir(folder), [])
        self.assertEqual(run_cli("export", self.form).returncode, 2)

    def test_a_name_that_is_not_utf8_is_refused_not_mistaken(self):
        page = os.path.join(self.dir.encode(), b"caf\xe9.htm")
        write(page, SIX_LINES)
        result = run_cli(b"export", self.form.encode(), page)
        self.assertEqual(result.returncode, 1)
        # The name as messages quote it: its byte that isn't UTF-8 escaped.
        shown = b'"' + page.replace(b"\xe9", b"\\351") + b'"'
        self.assertEqual(result.stderr, b"verdo-cli: " + shown + b": Error Saving File (name isn't valid UTF-8)\n")
        self.assertEqual(read(page), SIX_LINES)
        form = os.path.basename(self.form).encode()
        self.assertEqual(sorted(os.listdir(self.dir.encode())), sorted([b"caf\xe9.htm", form]))

    def test_export_keeps_permissions_and_owner_and_follows_links(self):
        page = self.path("real.htm")
        write(page, SIX_LINES)
        os.chmod(page, 0o640)
        owner = (65534, 65534) if os.geteuid() == 0 else (os.getuid(), os.getgid())
        os.chown(page, *owner)
        os.symlink("real.htm", self.path("link.htm"))
        result = run_cli("export", self.form, self.path("link.htm"))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertTrue(os.path.islink(self.path("link.htm")))
        self.assertEqual(read(page), self.exported(b"<BODY>Hi</BODY>\r\n</HTML>\r\n"))
        self.assertEqual(stat.S_IMODE(os.stat(page).st_mode), 0o640)
        self.assertEqual((os.stat(page).st_uid, os.stat(page).st_gid), owner)

    def test_write_error_leaves_target_as_it_was(self):
        page = self.path("big.htm")
        original = SIX_LINES + b"<P>filler</P>\r\n" * 20000
        write(page, original)
        trap = self.path("trap.htm")
        write(trap, b"old trap\r\n")
        result = run_cli("export", self.form, page, preexec_fn=limited(64 * 1024))
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr, b"verdo-cli: " + page.encode() + b": Error Saving File (file too large)\n")
        result = run_cli("trap", self.form, "-o", trap, preexec_fn=limited(100))
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr, b"verdo-cli: " + trap.encode() + b": Error Saving File (file too large)\n")
        self.assertEqual(read(page), original)
        self.assertEqual(read(trap), b"old trap\r\n")
        self.assertEqual(sorted(os.listdir(self.dir)), ["big.htm", "garden.tem", "trap.htm"])


@unittest.skipUnless(SETPRIV and os.geteuid() == 0, "needs root to act as a user without its rights")
class WithoutRootsRights(Files):
    """Runs verdo-cli as nobody, for whom permission bits hold."""

    def setUp(self):
        super().setUp()
        os.chmod(self.dir, 0o777)
        os.chmod(self.form, 0o644)

    def as_nobody(self, *args):
        return subprocess.run([SETPRIV, "--reuid=nobody", "--regid=nogroup", "--clear-groups", CLI, *args],
                              capture_output=True, timeout=120)

    def test_read_only_page_and_folder_are_refused_and_left_alone(self):
        readonly, locked, writable = (self.path(n) for n in ("ro.htm", "locked.htm", "ok.htm"))
        for page in (readonly, locked, writable):
            write(page, SIX_LINES)
        os.chmod(readonly, 0o444)
        os.chmod(locked, 0o000)
        os.chmod(writable, 0o666)
        sub = self.path("closed")
        os.mkdir(sub)
        inside = os.path.join(sub, "in.htm")
        write(inside, SIX_LINES)
        os.chmod(inside, 0o666)
        os.chmod(sub, 0o755)  # the page may be written, the folder not

        result = self.as_nobody("export", self.form, readonly, locked, writable, inside,
                                os.path.join(sub, "new.htm"))
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr.decode().splitlines(), [
            "verdo-cli: %s: Error Saving File (permission denied)" % readonly,
            "verdo-cli: %s: Error Opening File (permission denied)" % locked,
            "verdo-cli: %s: Error Saving File (permission denied)" % inside,
            "verdo-cli: %s: Error Saving File (permission denied)" % os.path.join(sub, "new.htm"),
            "verdo-cli: 5 pages: 1 changed, 0 unchanged, 4 refused",
        ])
        self.assertEqual(read(readonly), SIX_LINES)
        self.assertEqual(read(locked), SIX_LINES)
        self.assertEqual(read(inside), SIX_LINES)
        self.assertEqual(os.listdir(sub), ["in.htm"])
        self.assertEqual(read(writable), self.exported(b"<BODY>Hi</BODY>\r\n</HTML>\r\n"))
        self.assertEqual(stat.S_IMODE(os.stat(readonly).st_mode), 0o444)

        result = self.as_nobody("trap", self.form, "-o", readonly)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(read(readonly), SIX_LINES)


class FilesThatCouldHurt(Files):
    """Targets and templates that are no regular file, links to names that
    aren't UTF-8, huge templates, and the metadata a replaced page keeps."""

    def special_files(self):
        """A FIFO, a folder, a link to the FIFO and, for root, a character
        device like /dev/null, all made in the test's own folder."""
        fifo, folder, link, device = (self.path(n) for n in ("fifo.htm", "dir.htm", "link.htm", "null.htm"))
        os.mkfifo(fifo)
        os.mkdir(folder)
        os.symlink(fifo, link)
        paths = [fifo, folder, link]
        if os.geteuid() == 0:
            os.mknod(device, 0o666 | stat.S_IFCHR, os.makedev(1, 3))
            paths.append(device)
        return paths

    def test_special_files_are_refused_at_once_and_left_as_they_were(self):
        for path in self.special_files():
            kind = stat.S_IFMT(os.lstat(path).st_mode)
            with self.subTest(path=path):
                for args, words in ((["trap", self.form, "-o", path], b"Error Saving File"),
                                    (["export", self.form, path], b"Error Opening File"),
                                    (["head", path], b"Error Opening File"),
                                    (["import", "file://" + path], b"Error Opening File")):
                    result = run_cli(*args)  # a FIFO would hold a plain open for ever
                    self.assertEqual(result.returncode, 1, args)
                    self.assertTrue(result.stderr.endswith(
                        b"verdo-cli: %s: %s (not a regular file)\n"
                        % ((b"file://" if args[0] == "import" else b"") + path.encode(), words)), result.stderr)
                self.assertEqual(stat.S_IFMT(os.lstat(path).st_mode), kind)

    def test_a_link_to_a_name_that_is_not_utf8_is_refused_not_mistaken(self):
        real = os.path.join(self.dir.encode(), b"caf\xe9.htm")
        write(real, SIX_LINES)
        link = self.path("link.htm")
        os.symlink(b"caf\xe9.htm", link)
        result = run_cli("export", self.form, link)
        self.assertEqual(result.stderr, b"verdo-cli: %s: Error Saving File (name isn't valid UTF-8)\n" % link.encode())
        self.assertEqual(read(real), SIX_LINES)
        self.assertEqual(sorted(os.listdir(self.dir.encode())), [b"caf\xe9.htm", b"garden.tem", b"link.htm"])

    def test_a_template_is_bounded(self):
        huge = self.path("huge.tem")
        write(huge, b"TITLE=huge\r\n")
        os.truncate(huge, (64 << 20) + 1)  # sparse: no disk used
        result = run_cli("head", huge)
        self.assertEqual((result.returncode, result.stdout), (1, b""))
        self.assertEqual(result.stderr, b"verdo-cli: %s: Error Opening File (larger than 64 MiB)\n" % huge.encode())
        # A line of 8 MiB keeps its first 1 MiB.
        long_line = self.path("long.tem")
        write(long_line, b"TITLE=" + b"t" * (8 << 20) + b"\r\nAUTHOR=Ann\r\n")
        result = run_cli("totals", long_line)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn(b"%d" % ((1 << 20) - len(b"TITLE=")), result.stdout)

    def test_the_whole_mode_and_attributes_are_kept_and_a_hard_link_is_broken(self):
        page = self.path("page.htm")
        for mode in (0o4755, 0o2750, 0o1644, 0o444):
            with self.subTest(mode=oct(mode)):
                write(page, SIX_LINES)
                os.chmod(page, mode)
                result = run_cli("export", self.form, page)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertEqual(stat.S_IMODE(os.stat(page).st_mode), mode)
        try:
            os.setxattr(page, "user.origin", b"shop")
        except OSError:
            pass
        else:
            self.assertEqual(run_cli("trap", self.form, "-o", page).returncode, 0)
            self.assertEqual(os.getxattr(page, "user.origin"), b"shop")
        os.chmod(page, 0o644)
        other = self.path("other.htm")
        os.link(page, other)
        before = read(other)
        self.assertEqual(run_cli("trap", self.form, "-o", page).returncode, 0)
        self.assertEqual(read(other), before)  # the other name keeps the old text
        self.assertNotEqual(os.stat(page).st_ino, os.stat(other).st_ino)

    @unittest.skipUnless(SETPRIV and os.geteuid() == 0, "needs root to act as a user without its rights")
    def test_set_id_bits_stay_only_with_their_owner(self):
        # Root's set-id page in a folder anyone may write: nobody may replace
        # it, but the new page is nobody's and must not be set-id for nobody.
        os.chmod(self.dir, 0o777)
        os.chmod(self.form, 0o644)
        page = self.path("page.htm")
        write(page, SIX_LINES)
        os.chmod(page, 0o6777)
        result = subprocess.run([SETPRIV, "--reuid=nobody", "--regid=nogroup", "--clear-groups", CLI,
                                 "export", self.form, page], capture_output=True, timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr)
        status = os.stat(page)
        self.assertNotEqual(status.st_uid, 0)
        self.assertEqual(stat.S_IMODE(status.st_mode), 0o777)

    def test_version_takes_no_arguments(self):
        result = run_cli("--version", "extra")
        self.assertEqual((result.returncode, result.stdout), (2, b""))
        self.assertIn(b"usage:", result.stderr)


if __name__ == "__main__":
    unittest.main()
