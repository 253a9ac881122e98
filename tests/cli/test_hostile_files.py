"""Another user's links and swaps against root's export and audit, and the
audit's walk: nothing read or written through a name that changed hands,
nothing skipped in silence, bounded descriptors whatever the depth."""
import ctypes
import functools
import os
import resource
import shutil
import subprocess
import tempfile
import unittest

from clisupport import CLI, read, run_cli, write

SETPRIV = shutil.which("setpriv")
AS_NOBODY = [SETPRIV, "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
NOBODY = 65534
PAGE = b"<html><head><title>Mine</title></head>\n<body>x</body></html>\n"
SECRET = b"<html><head><title>SECRET</title></head>\n<body>root only</body></html>\n"
TRIES = 40

# Exchanges two names for ever, atomically (renameat2 RENAME_EXCHANGE), as
# an attacker would between the program's steps.
SWAPPER = """
import ctypes, sys
libc = ctypes.CDLL(None, use_errno=True)
a, b = (name.encode() for name in sys.argv[1:3])
while True:
    libc.renameat2(-100, a, -100, b, 2)
"""

# Moves the folder x into b and back, for ever.
MOVER = """
import os
while True:
    os.rename("x", "b/x")
    os.rename("b/x", "x")
"""


@unittest.skipUnless(SETPRIV and os.geteuid() == 0, "needs root, and setpriv to act as another user")
class AnotherUsersFolder(unittest.TestCase):
    """Root works in a folder that nobody may write; beside it, a root-only
    folder with a root-only page."""

    def setUp(self):
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.site = os.path.join(tmp.name, "site")
        self.secret = os.path.join(tmp.name, "secret")
        self.fresh_site()
        os.mkdir(self.secret, 0o700)
        self.secret_page = os.path.join(self.secret, "index.htm")
        write(self.secret_page, SECRET)
        os.chmod(self.secret_page, 0o600)
        self.form = os.path.join(tmp.name, "form.tem")
        write(self.form, run_cli("new").stdout)

    def fresh_site(self):
        shutil.rmtree(self.site, ignore_errors=True)
        os.mkdir(self.site)
        os.chmod(self.site, 0o777)

    def path(self, name):
        return os.path.join(self.site, name)

    def nobodys(self, name, link=None, folder=False):
        path = self.path(name)
        if link:
            os.symlink(link, path)
        elif folder:
            os.mkdir(path)
        else:
            write(path, PAGE)
        os.chown(path, NOBODY, NOBODY, follow_symlinks=False)
        return path

    def test_links_lead_only_to_their_owners_files(self):
        self.nobodys("own.htm")
        self.nobodys("dir", folder=True)
        self.nobodys("dir/page.htm")
        cases = [  # nobody's link, what it leads to, the page named through it, followed
            ("to-root.htm", self.secret_page, "to-root.htm", False),
            ("to-root-folder", self.secret, "to-root-folder/index.htm", False),
            ("to-missing.htm", os.path.join(self.secret, "new.htm"), "to-missing.htm", False),
            ("to-own.htm", "own.htm", "to-own.htm", True),
            ("to-own-folder", "dir", "to-own-folder/page.htm", True),
        ]
        for name, target, page, followed in cases:
            self.nobodys(name, link=target)
            page = self.path(page)
            for args in (["export", self.form, page], ["export", "--keep-head", self.form, page],
                         ["audit", "--json", page], ["trap", self.form, "-o", page], ["head", page]):
                with self.subTest(link=name, command=args[0:2]):
                    result = run_cli(*args)
                    refused = b": Error %s File (link to another owner's file)\n" % (
                        b"Saving" if args[0] == "trap" else b"Opening")
                    self.assertEqual(result.stderr.endswith(refused), not followed, result.stderr)
                    self.assertNotIn(b"SECRET", result.stdout)
        self.assertEqual(read(self.secret_page), SECRET)
        self.assertEqual(os.listdir(self.secret), ["index.htm"])

    def test_swaps_give_the_old_page_the_new_one_or_a_refusal(self):
        fifo = self.path("fifo")
        writes = (["export", "--keep-head", self.form], ["export", self.form], ["audit", "--json"])
        cases = [  # names swapped, the page worked on, what is done to it
            ("page.htm", "evil", "page.htm", lambda: self.nobodys("evil", link=self.secret_page), writes),
            ("sub", "evil", "sub/index.htm", lambda: self.nobodys("evil", link=self.secret), writes),
            # A FIFO stands in for a device: neither may be opened.
            ("page.htm", "fifo", "page.htm", lambda: (os.mkfifo(fifo), os.chown(fifo, NOBODY, NOBODY)),
             [["audit", "--json"]]),
        ]
        libc = ctypes.CDLL(None, use_errno=True)
        for first, second, page, plant, commands in cases:
            with self.subTest(swapped=second, page=page):
                self.fresh_site()
                if page.startswith("sub/"):
                    self.nobodys("sub", folder=True)
                self.nobodys(page)
                plant()
                # Any open of the FIFO (a device would be opened alike) shows here.
                watch = libc.inotify_init1(os.O_NONBLOCK)
                self.assertEqual(libc.inotify_add_watch(watch, fifo.encode(), 0x20) >= 0, second == "fifo")
                swapper = subprocess.Popen([*AS_NOBODY, "python3", "-c", SWAPPER, first, second], cwd=self.site)
                try:
                    for _ in range(TRIES):
                        for args in commands:
                            self.assertNotIn(b"SECRET", run_cli(*args, self.path(page)).stdout)
                finally:
                    swapper.kill()
                    swapper.wait()
                with self.assertRaises(BlockingIOError):  # the FIFO is only audited: no event but IN_OPEN
                    os.read(watch, 4096)
                os.close(watch)
                self.assertEqual(read(self.secret_page), SECRET)
                self.assertEqual(os.listdir(self.secret), ["index.htm"])
                # Nothing read through the link written out.
                files = [os.path.join(top, name) for top, _, names in os.walk(self.site) for name in names]
                self.assertEqual([f for f in files if os.path.isfile(f) and not os.path.islink(f)
                                  and b"SECRET" in read(f)], [])

    def test_a_folder_moved_while_read_is_told_and_the_rest_reported(self):
        for folder in ("a", "a/b", "a/x"):
            self.nobodys(folder, folder=True)
        for n in range(50):
            self.nobodys("a/x/p%02d.htm" % n)
        os.mkdir(self.path("z"))
        write(self.path("z/last.htm"), PAGE)
        last = self.path("z/last.htm").encode() + b": title 4"
        mover = subprocess.Popen([*AS_NOBODY, "python3", "-c", MOVER], cwd=self.path("a"))
        try:
            for _ in range(TRIES):
                self.assertIn(last, run_cli("audit", self.site).stdout)
        finally:
            mover.kill()
            mover.wait()


class FolderWalk(unittest.TestCase):

    def setUp(self):
        self.addCleanup(os.umask, os.umask(0o022))  # a site others may read, whatever the runner's umask
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.dir = tmp.name

    def path(self, *names):
        return os.path.join(self.dir, *names)

    def test_what_cant_be_read_is_told_and_the_rest_reported(self):
        os.makedirs(self.path("site", "closed"))
        write(self.path("site", "a.htm"), PAGE)
        write(self.path("site", "closed", "b.htm"), PAGE)
        os.symlink("loop.htm", self.path("site", "loop.htm"))
        os.mkfifo(self.path("site", "fifo.htm"))
        os.chmod(self.path("site", "closed"), 0o300)  # may be entered, not listed
        long_name = self.path("x" * 300 + ".htm")
        cases = {  # name told -> reason
            self.path("site", "closed"): "permission denied",
            self.path("site", "fifo.htm"): "not a regular file",
            self.path("site", "loop.htm"): "too many levels of symbolic links",
            long_name: "file name too long",
        }
        as_user = AS_NOBODY if os.geteuid() == 0 else []  # root reads any folder
        if as_user and not SETPRIV:
            self.skipTest("needs setpriv to act as a user without root's rights")
        os.chmod(self.dir, 0o755)
        result = subprocess.run([*as_user, CLI, "audit", self.path("site"), long_name], capture_output=True)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(sorted(result.stderr.decode().splitlines()),
                         sorted("verdo-cli: %s: Error Opening File (%s)" % told for told in cases.items()))
        self.assertTrue(result.stdout.startswith(self.path("site", "a.htm").encode() + b": title 4"), result.stdout)
        self.assertTrue(result.stdout.splitlines()[-1].startswith(b"1 page, 1 with problems"), result.stdout)

    def test_depth_takes_no_more_descriptors(self):
        self.addCleanup(subprocess.run, ["rm", "-rf", self.dir])  # too deep for shutil
        depth = 2000
        folder = os.open(self.dir, os.O_RDONLY)
        for level in range(depth):
            if level % 500 == 0:
                page = os.open("p.htm", os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=folder)
                os.write(page, PAGE)
                os.close(page)
            os.mkdir("d", dir_fd=folder)
            below = os.open("d", os.O_RDONLY, dir_fd=folder)
            os.close(folder)
            folder = below
        os.close(folder)
        few_descriptors = functools.partial(resource.setrlimit, resource.RLIMIT_NOFILE, (16, 16))
        result = run_cli("audit", self.dir, preexec_fn=few_descriptors)
        self.assertEqual(result.stderr, b"")
        self.assertTrue(result.stdout.splitlines()[-1].startswith(b"4 pages, 4 with problems"), result.stdout[-200:])
        # A batch takes no more descriptors than there are either.
        form = self.path("form.tem")
        write(form, run_cli("new").stdout)
        pages = [self.path(*["d"] * level, "p.htm") for level in range(0, depth, 500)]
        result = run_cli("export", "--quiet", form, *pages, preexec_fn=few_descriptors)
        self.assertEqual((result.returncode, result.stderr), (0, b""))


if __name__ == "__main__":
    unittest.main()
