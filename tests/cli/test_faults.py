"""Writes that fail or are cut short: a file-size limit reached at many points
of each kind of write, a full disk (a small tmpfs, when this user may mount
one), and verdo-cli killed with SIGKILL while it exports a large page.

After a failed write the target holds exactly what it held before and no
temporary file is left. After a kill the page is wholly the old one or wholly
the new one. The new page is first written to a temporary file that has no
name (O_TMPFILE); only once complete and on disk is it given a name beside the
target ("PAGE.XXXXXX") and renamed over it. A kill between those two steps is
the one thing that can leave a file behind: that named temporary file, holding
the whole new page."""
import os
import random
import re
import shutil
import subprocess
import tempfile
import time
import unittest

from clisupport import CLI, limited, read, run_cli, write

FORM = (b"TITLE=Faults\r\nDESCRIPTION=Pages written while things go wrong\r\n"
        b"KW1=disk\r\nKW2=limit\r\nAUTHOR=Test\r\nNOINDEX=yes\r\n")
HEAD = b"<HTML>\r\n<HEAD>\r\n<TITLE>Old</TITLE>\r\n</HEAD>\r\n"
BODY_LINE = b"<P>Some text of the old page, kept as it is.</P>\r\n"


class WriteCase(unittest.TestCase):
    """A folder with the form in it, and the writes verdo-cli makes."""

    # Each kind of write: the command, and the page there before it (None: no file).
    KINDS = {
        "export, head section found": ("export", HEAD + BODY_LINE * 200),
        "export, no head section": ("export", BODY_LINE * 200),
        "export, new page": ("export", None),
        "trap -o over a page": ("trap", HEAD + BODY_LINE * 3),
        "trap -o, new page": ("trap", None),
    }

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)
        self.form = os.path.join(self.tmp.name, "form.tem")
        write(self.form, FORM)

    def args(self, command, page):
        return ["export", self.form, page] if command == "export" else ["trap", self.form, "-o", page]

    def written(self, command, before):
        """What the write gives when nothing goes wrong."""
        folder = tempfile.mkdtemp(dir=self.tmp.name)
        page = os.path.join(folder, "page.htm")
        if before is not None:
            write(page, before)
        result = run_cli(*self.args(command, page))
        self.assertEqual(result.returncode, 0, result.stderr)
        return read(page)

    def check_failed(self, result, folder, page, before, what):
        self.assertEqual(result.returncode, 1, what)
        self.assertEqual(result.stderr, b"verdo-cli: %s: Error Saving File (file too large)\n" % page.encode(), what)
        if before is None:
            self.assertEqual(os.listdir(folder), [], what)
        else:
            self.assertEqual(os.listdir(folder), ["page.htm"], what)
            self.assertEqual(read(page), before, what)


class FileSizeLimit(WriteCase):
    def test_file_size_limit_anywhere_in_the_write(self):
        for kind, (command, before) in self.KINDS.items():
            after = self.written(command, before)
            # The first byte, the middle, each side of the head section's end,
            # the last byte: the write stops there.
            end = after.find(b"</HEAD>")
            cuts = sorted(cut for cut in {1, len(after) // 2, end, end + 9, len(after) - 1} if cut < len(after))
            for cut in cuts:
                with self.subTest(kind=kind, limit=cut):
                    folder = tempfile.mkdtemp(dir=self.tmp.name)
                    page = os.path.join(folder, "page.htm")
                    if before is not None:
                        write(page, before)
                    result = run_cli(*self.args(command, page), preexec_fn=limited(cut))
                    self.check_failed(result, folder, page, before, "%s, limit %d" % (kind, cut))
            with self.subTest(kind=kind, limit="exactly the new page"):
                folder = tempfile.mkdtemp(dir=self.tmp.name)
                page = os.path.join(folder, "page.htm")
                if before is not None:
                    write(page, before)
                result = run_cli(*self.args(command, page), preexec_fn=limited(len(after)))
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertEqual(read(page), after)


class FullDisk(WriteCase):
    """A 1 MiB tmpfs, filled up to leave less room than the new page needs."""

    def setUp(self):
        super().setUp()
        self.disk = tempfile.mkdtemp(dir=self.tmp.name)
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", "verdo-test", self.disk],
                                 capture_output=True)
        if mounted.returncode != 0:
            self.skipTest("can't mount a tmpfs here: %s" % mounted.stderr.decode().strip())
        self.addCleanup(subprocess.run, ["umount", "-l", self.disk], capture_output=True)

    def free(self):
        status = os.statvfs(self.disk)
        return status.f_bavail * status.f_frsize

    def fill(self, leave):
        """Fills the disk until at most `leave` bytes are free."""
        filler = os.path.join(self.disk, "filler")
        with open(filler, "ab") as f:
            try:
                f.write(b"\0" * max(0, self.free() - leave))
                f.flush()
                while self.free() > leave:
                    f.write(b"\0" * 4096)
                    f.flush()
            except OSError:
                pass  # the disk is full

    def test_full_disk_in_the_middle_of_the_write(self):
        big_before = HEAD + BODY_LINE * 6000  # about 300 KiB: several pages of the disk
        for command, before, room in [("export", big_before, 0), ("export", big_before, 64 * 1024),
                                      ("export", big_before, 256 * 1024), ("export", None, 0),
                                      ("trap", HEAD, 0), ("trap", None, 0)]:
            with self.subTest(command=command, before=None if before is None else len(before), room=room):
                for name in os.listdir(self.disk):
                    os.unlink(os.path.join(self.disk, name))
                page = os.path.join(self.disk, "page.htm")
                if before is not None:
                    write(page, before)
                after = self.written(command, before)
                self.assertLess(room, len(after))
                self.fill(room)
                free = self.free()
                result = run_cli(*self.args(command, page))
                self.assertEqual(result.returncode, 1, result.stderr)
                self.assertEqual(result.stderr, b"verdo-cli: %s: Error Saving File (no space left on device)\n" % page.encode())
                names = sorted(os.listdir(self.disk))
                self.assertEqual(names, ["filler"] if before is None else ["filler", "page.htm"])
                if before is not None:
                    self.assertEqual(read(page), before)
                self.assertEqual(self.free(), free)  # nothing unnamed holds the space either


class KilledWhileExporting(unittest.TestCase):
    """SIGKILL at random moments of the export of a 32 MiB page."""

    RUNS = 6

    def test_page_is_wholly_old_or_wholly_new(self):
        with tempfile.TemporaryDirectory() as folder:
            form = os.path.join(folder, "form.tem")
            write(form, FORM)
            page = os.path.join(folder, "page.htm")
            old = HEAD + BODY_LINE * (32 * 1024 * 1024 // len(BODY_LINE))

            # One whole export: the new page, and how long a run takes here.
            write(page, old)
            started = time.monotonic()
            result = run_cli("export", form, page)
            took = time.monotonic() - started
            self.assertEqual(result.returncode, 0, result.stderr)
            new = read(page)
            self.assertNotEqual(new, old)

            seed = random.randrange(1 << 30)
            chosen = random.Random(seed)
            leftover = re.compile(r"^page\.htm\.[A-Za-z0-9]{6}$")
            for run in range(self.RUNS):
                write(page, old)
                delay = chosen.uniform(0, took)
                child = subprocess.Popen([CLI, "export", form, page],
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                time.sleep(delay)
                child.kill()
                child.wait(timeout=60)
                what = "run %d, killed after %.3f s of %.3f s (seed %d)" % (run, delay, took, seed)
                now = read(page)
                self.assertIn(now, (old, new), what)
                for name in os.listdir(folder):
                    if name in ("form.tem", "page.htm"):
                        continue
                    self.assertRegex(name, leftover, what)
                    self.assertEqual(read(os.path.join(folder, name)), new, what)
                    os.unlink(os.path.join(folder, name))


class FailingSync(WriteCase):
    """A disk that takes writes and then can't keep them: an ext4 image on a
    tmpfs that is full by the time the page's bytes are synced. The sync's
    failure is a failed write, and the page stays the old one."""

    def mount(self, *args):
        done = subprocess.run(["mount", *args], capture_output=True)
        if done.returncode != 0:
            self.skipTest("can't mount here: %s" % done.stderr.decode().strip())
        self.addCleanup(subprocess.run, ["umount", "-l", args[-1]], capture_output=True)

    def setUp(self):
        super().setUp()
        if shutil.which("mkfs.ext4") is None:
            self.skipTest("no mkfs.ext4")
        backing, self.disk = (tempfile.mkdtemp(dir=self.tmp.name) for _ in range(2))
        self.mount("-t", "tmpfs", "-o", "size=24m", "verdo-test", backing)
        self.image = os.path.join(backing, "disk.img")
        write(self.image, b"")
        os.truncate(self.image, 64 << 20)  # more than the tmpfs holds
        subprocess.run(["mkfs.ext4", "-q", "-F", self.image], check=True, capture_output=True)
        self.mount("-o", "loop", self.image, self.disk)
        self.backing = backing

    def test_a_failed_sync_is_a_failed_write(self):
        page = os.path.join(self.disk, "page.htm")
        before = HEAD + BODY_LINE * ((8 << 20) // len(BODY_LINE))
        write(page, before)
        os.sync()
        # Fill the tmpfs under the image: the next bytes the image is given are lost.
        with open(os.path.join(self.backing, "filler"), "wb") as filler:
            try:
                while True:
                    filler.write(b"\0" * (1 << 20))
                    filler.flush()
            except OSError:
                pass
        result = run_cli("export", self.form, page)
        self.assertEqual(result.returncode, 1, result.stderr)
        self.assertRegex(result.stderr, re.escape(b"verdo-cli: %s: Error Saving File (fsync failed: " % page.encode())
                         + rb"[a-z ]+\)\n\Z")
        self.assertEqual(sorted(os.listdir(self.disk)), ["lost+found", "page.htm"])
        self.assertEqual(read(page), before)


@unittest.skipUnless(os.path.exists("/dev/full"), "needs /dev/full")
class FullStandardOutput(unittest.TestCase):
    """A result printed to a full disk is a failure, not a success."""

    def test_each_printing_command_fails(self):
        with tempfile.TemporaryDirectory() as tmp:
            form = os.path.join(tmp, "form.tem")
            write(form, FORM)
            for args in (["new"], ["head", form], ["totals", form], ["trap", form],
                         ["keywords", "upper", form], ["--version"]):
                with self.subTest(args=args), open("/dev/full", "wb") as full:
                    result = subprocess.run([CLI, *args], stdout=full, stderr=subprocess.PIPE, timeout=60)
                    self.assertEqual(result.returncode, 1)
                    self.assertEqual(result.stderr, b"verdo-cli: standard output: write error\n")


if __name__ == "__main__":
    unittest.main()
