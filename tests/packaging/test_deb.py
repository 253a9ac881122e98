"""cpack -G DEB: two packages, verdo-cli and verdo, that lintian accepts, whose
Depends come from the binaries, and that install and remove cleanly."""
import gzip
import os
import pathlib
import re
import shutil
import subprocess
import tempfile
import time
import unittest

BUILD = pathlib.Path(os.environ["VERDO_BUILD"])
VERSION = "1.0.0.1"
PACKAGE_VERSION = VERSION + "-1"
SANITIZED = "VERDO_SANITIZERS:BOOL=ON" in (BUILD / "CMakeCache.txt").read_text()


def run(*args, **kw):
    return subprocess.run(args, capture_output=True, text=True, **kw)


def field(deb, name):
    return run("dpkg-deb", "-f", str(deb), name).stdout.strip()


def contents(deb):
    listing = run("dpkg-deb", "-c", str(deb)).stdout.splitlines()
    return {line.split()[-1] for line in listing}


class DebTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        # A packager's strict umask must not reach the packages' modes (lintian checks them).
        result = run("cpack", "-G", "DEB", "-B", cls.tmp.name, cwd=BUILD, preexec_fn=lambda: os.umask(0o077))
        if result.returncode != 0:
            raise AssertionError(result.stdout + result.stderr)
        cls.debs = {field(deb, "Package"): deb for deb in pathlib.Path(cls.tmp.name).glob("*.deb")}

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_two_packages_depending_on_what_each_binary_needs(self):
        self.assertEqual(sorted(self.debs), ["verdo", "verdo-cli"])
        for name, deb in self.debs.items():
            with self.subTest(package=name):
                self.assertEqual(field(deb, "Version"), PACKAGE_VERSION)
                depends = field(deb, "Depends")
                self.assertEqual(re.findall(r"libcurl4[^,]*", depends), ["libcurl4 (>= 7.85.0)"])
                self.assertIn("libc6", depends)  # computed from the binary
                self.assertIn("fonts-liberation2", depends)  # titles are measured in it
                self.assertNotIn("verdo-cli", depends)  # they share no files
        cli = field(self.debs["verdo-cli"], "Depends")
        self.assertNotIn("libqt6", cli)  # the command-line tool needs no Qt at all
        self.assertIn("libgumbo1", cli)
        window = field(self.debs["verdo"], "Depends")
        for runtime in ("libqt6core6", "libqt6widgets6", "libqt6dbus6", "libqt6svg6", "qt6-qpa-plugins"):
            self.assertIn(runtime, window)
        self.assertEqual(field(self.debs["verdo"], "Recommends"), "qt6-wayland")
        synopses = set()
        for name, deb in self.debs.items():
            description = field(deb, "Description").splitlines()
            self.assertGreater(len(description), 2, name)  # an extended description
            synopses.add(description[0])
        self.assertEqual(len(synopses), 2, synopses)  # each package its own

    def test_each_package_holds_its_own_files(self):
        cli, window = contents(self.debs["verdo-cli"]), contents(self.debs["verdo"])
        self.assertFalse(cli & {p for p in window if not p.endswith("/")}, "files in both packages")
        for path in ("./usr/bin/verdo-cli", "./usr/share/man/man1/verdo-cli.1.gz",
                     "./usr/share/bash-completion/completions/verdo-cli",
                     "./usr/share/zsh/vendor-completions/_verdo-cli",
                     "./usr/share/fish/vendor_completions.d/verdo-cli.fish",
                     "./usr/share/doc/verdo-cli/copyright", "./usr/share/doc/verdo-cli/changelog.Debian.gz",
                     "./usr/share/lintian/overrides/verdo-cli"):
            self.assertIn(path, cli)
        for path in ("./usr/bin/verdo", "./usr/share/man/man1/verdo.1.gz",
                     "./usr/share/applications/org.example.verdo.desktop",
                     "./usr/share/metainfo/org.example.verdo.metainfo.xml",
                     "./usr/share/mime/packages/verdo-template.xml",
                     "./usr/share/dbus-1/services/Deri.Didivizavud.service",
                     "./usr/share/doc/verdo/copyright", "./usr/share/doc/verdo/changelog.Debian.gz",
                     "./usr/share/doc/verdo/help.html"):
            self.assertIn(path, window)

    def test_activation_file_names_the_installed_program(self):
        with tempfile.TemporaryDirectory() as root:
            subprocess.run(["dpkg-deb", "-x", str(self.debs["verdo"]), root], check=True)
            text = pathlib.Path(root, "usr/share/dbus-1/services/Deri.Didivizavud.service").read_text()
            self.assertEqual(text, "[D-BUS Service]\nName=Deri.Didivizavud\nExec=/usr/bin/verdo -Automation\n")
            changelog = gzip.decompress(pathlib.Path(root, "usr/share/doc/verdo/changelog.Debian.gz").read_bytes())
            self.assertTrue(changelog.startswith(b"verdo (%s) " % PACKAGE_VERSION.encode()))
            copyright = pathlib.Path(root, "usr/share/doc/verdo/copyright").read_text()
            self.assertTrue(copyright.startswith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"))
            self.assertIn("License: Expat\n Permission is hereby granted", copyright)

    def test_binaries_are_hardened(self):
        # The sanitizer build brings its own run-time checks and goes without.
        if SANITIZED:
            self.skipTest("a sanitizer build is not hardened as packaged")
        with tempfile.TemporaryDirectory() as root:
            for deb in self.debs.values():
                subprocess.run(["dpkg-deb", "-x", str(deb), root], check=True)
            for name in ("verdo", "verdo-cli"):
                binary = os.path.join(root, "usr", "bin", name)
                dynamic = run("readelf", "-W", "-d", binary).stdout
                self.assertRegex(dynamic, r"\(FLAGS\)\s+BIND_NOW", name)
                symbols = set(re.findall(r" UND (\w+)@", run("readelf", "-W", "--dyn-syms", binary).stdout))
                self.assertIn("__stack_chk_fail", symbols, name)
                self.assertTrue({s for s in symbols if re.fullmatch(r"__\w+_chk", s)} - {"__stack_chk_fail"},
                                name)  # fortified functions
                self.assertIn("GNU_RELRO", run("readelf", "-W", "-l", binary).stdout, name)

    def test_programs_hold_no_path_of_the_build_machine(self):
        if SANITIZED:
            self.skipTest("a sanitizer build names its source files for its reports")
        source = pathlib.Path(__file__).resolve().parents[2]
        with tempfile.TemporaryDirectory() as root:
            for deb in self.debs.values():
                subprocess.run(["dpkg-deb", "-x", str(deb), root], check=True)
            for name in ("verdo", "verdo-cli"):
                program = pathlib.Path(root, "usr", "bin", name).read_bytes()
                for path in (str(source), str(BUILD)):
                    for encoding in ("utf-8", "utf-16-le"):  # Qt keeps its string literals in UTF-16
                        self.assertFalse(path.encode(encoding) in program, (name, path, encoding))

    def test_lintian_finds_no_error_and_no_warning(self):
        if not shutil.which("lintian"):
            self.skipTest("needs lintian (scripts/install-deps.sh)")
        for name, deb in self.debs.items():
            with self.subTest(package=name):
                result = run("lintian", "--pedantic", "--tag-display-limit", "0", str(deb))
                complaints = [line for line in result.stdout.splitlines() if re.match(r"[EW]: ", line)]
                self.assertEqual(complaints, [], result.stdout + result.stderr)

    def test_install_run_and_remove_leave_nothing(self):
        if os.geteuid() != 0:
            self.skipTest("dpkg -i needs root")
        if run("dpkg-query", "-W", "verdo").returncode == 0 or run("dpkg-query", "-W", "verdo-cli").returncode == 0:
            self.skipTest("a verdo package is installed already; it is left alone")
        before = run("dpkg", "--audit")
        installed = run("dpkg", "-i", str(self.debs["verdo-cli"]), str(self.debs["verdo"]))
        if installed.returncode != 0 and "lock" in installed.stderr:
            self.skipTest("dpkg is busy: " + installed.stderr.strip())
        try:
            self.assertEqual(installed.returncode, 0, installed.stdout + installed.stderr)
            self.assertEqual(run("/usr/bin/verdo-cli", "--version").stdout, "verdo-cli %s\n" % VERSION)
            env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
            self.assertEqual(run("/usr/bin/verdo", "--version", env=env, timeout=60).stdout, "verdo %s\n" % VERSION)
            usage = run("/usr/bin/verdo", "--help", env=env, timeout=60)
            self.assertEqual(usage.returncode, 0)
            self.assertTrue(usage.stdout.startswith("usage: verdo"))
            self.check_installed_activation(env)
            files = run("dpkg", "-L", "verdo", "verdo-cli").stdout.split()
        finally:
            removed = run("dpkg", "-r", "verdo", "verdo-cli")
        self.assertEqual(removed.returncode, 0, removed.stdout + removed.stderr)
        for package in ("verdo", "verdo-cli"):
            status = run("dpkg-query", "-W", "-f=${Status}", package).stdout
            self.assertNotIn("installed", status.replace("not-installed", ""), package)
        # No file of either package is left (the folders they shared with others stay).
        left = [path for path in files if os.path.isfile(path) or os.path.islink(path)]
        self.assertEqual(left, [])
        self.assertEqual(run("dpkg", "--audit").stdout, before.stdout)

    def check_installed_activation(self, env):
        """A client's request starts the installed program through the shipped file;
        an ordinary start of it removes a per-user file left for a program that is gone."""
        with tempfile.TemporaryDirectory() as home:
            env = {**env, "XDG_DATA_HOME": home, "XDG_DATA_DIRS": "/usr/share", "QT_QPA_PLATFORM": "offscreen"}
            daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                                      stdout=subprocess.PIPE, text=True, env=env)
            try:
                address = daemon.stdout.readline().strip()
                created = run("gdbus", "call", "--address", address, "--dest", "Deri.Didivizavud",
                              "--object-path", "/Deri/Didivizavud",
                              "--method", "Deri.Didivizavud.ClassFactory.CreateInstance", timeout=120)
                self.assertEqual(created.stdout, "(objectpath '/Deri/Didivizavud/Object1',)\n", created.stderr)
            finally:
                daemon.terminate()
                daemon.wait()
                daemon.stdout.close()
            stale = pathlib.Path(home, "dbus-1", "services", "Deri.Didivizavud.service")
            stale.parent.mkdir(parents=True)
            stale.write_text("[D-BUS Service]\nName=Deri.Didivizavud\nExec=/gone/verdo -Automation\n")
            verdo = subprocess.Popen(["/usr/bin/verdo"], env={**env, "DBUS_SESSION_BUS_ADDRESS": "unix:path=/nonexistent"})
            try:
                for _ in range(600):  # the bound guards against a hang; no timing is asserted
                    if not stale.exists() or verdo.poll() is not None:
                        break
                    time.sleep(0.1)
                self.assertFalse(stale.exists())
            finally:
                verdo.kill()
                verdo.wait()


if __name__ == "__main__":
    unittest.main()
