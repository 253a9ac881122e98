"""cmake --install into a temporary prefix, then the desktop's own validators."""
import filecmp
import os
import pathlib
import subprocess
import tempfile
import unittest

BUILD = pathlib.Path(os.environ["VERDO_BUILD"])
SOURCE = pathlib.Path(__file__).resolve().parents[2]
APP_ID = "org.example.verdo.Verdo"


def run(*args, **kw):
    return subprocess.run(args, capture_output=True, text=True, **kw)


class InstallTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.prefix = pathlib.Path(cls.tmp.name) / "usr"
        result = run("cmake", "--install", str(BUILD), "--prefix", str(cls.prefix))
        if result.returncode != 0:
            raise AssertionError(result.stdout + result.stderr)
        cls.share = cls.prefix / "share"

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_executables_and_version(self):
        for name in ("verdo", "verdo-cli"):
            self.assertTrue(os.access(self.prefix / "bin" / name, os.X_OK), name)
        out = run(str(self.prefix / "bin" / "verdo-cli"), "--version")
        self.assertEqual(out.stdout, "verdo-cli 1.0.0.1\n")
        # No display needed, and no window opens.
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        out = run(str(self.prefix / "bin" / "verdo"), "--version", env=env, timeout=60)
        self.assertEqual((out.returncode, out.stdout), (0, "verdo 1.0.0.1\n"))

    def test_desktop_entry_validates(self):
        entry = self.share / "applications" / f"{APP_ID}.desktop"
        result = run("desktop-file-validate", str(entry))
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertIn("Exec=verdo\n", entry.read_text())

    def test_metainfo_validates(self):
        metainfo = self.share / "metainfo" / f"{APP_ID}.metainfo.xml"
        result = run("appstreamcli", "validate", "--no-net", "--pedantic", str(metainfo))
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertIn('release version="1.0.0.1"', metainfo.read_text())

    def test_icons_are_the_window_icon(self):
        icons = self.share / "icons" / "hicolor"
        self.assertTrue(filecmp.cmp(icons / "scalable" / "apps" / f"{APP_ID}.svg",
                                    SOURCE / "res" / "verdo.svg", shallow=False))
        for size in (16, 32, 48, 64, 128, 256):
            png = icons / f"{size}x{size}" / "apps" / f"{APP_ID}.png"
            kind = run("file", "-b", str(png)).stdout
            self.assertIn(f"PNG image data, {size} x {size}", kind)

    def test_man_pages_render(self):
        for page in ("verdo", "verdo-cli"):
            path = self.share / "man" / "man1" / f"{page}.1"
            text = path.read_text()
            self.assertIn("1.0.0.1", text)
            result = run("man", "--warnings", "-l", str(path), env={**os.environ, "MANWIDTH": "80", "MAN_KEEP_FORMATTING": ""})
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(result.stderr.strip(), "")

    def test_help_page_is_installed_with_the_documentation(self):
        # The program looks for it at ../share/doc/verdo/help.html from its own folder.
        page = self.prefix / "bin" / ".." / "share" / "doc" / "verdo" / "help.html"
        self.assertTrue(filecmp.cmp(page, SOURCE / "res" / "help" / "help.html", shallow=False))

    def test_bash_completion_completes_commands(self):
        script = self.share / "bash-completion" / "completions" / "verdo-cli"
        probe = (f"_init_completion() {{ cur=${{COMP_WORDS[COMP_CWORD]}}; prev=${{COMP_WORDS[COMP_CWORD-1]}}; "
                 f"words=(\"${{COMP_WORDS[@]}}\"); cword=$COMP_CWORD; }}; source {script}; "
                 "COMP_WORDS=(verdo-cli keywords s); COMP_CWORD=2; _verdo_cli; echo ${COMPREPLY[@]}")
        result = run("bash", "-c", probe)
        self.assertEqual(result.stdout.strip(), "shuffle")


if __name__ == "__main__":
    unittest.main()
