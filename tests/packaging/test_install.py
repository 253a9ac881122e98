"""cmake --install into a temporary prefix, then the desktop's own validators."""
import filecmp
import gzip
import os
import pathlib
import re
import shutil
import subprocess
import tempfile
import unittest

BUILD = pathlib.Path(os.environ["VERDO_BUILD"])
SOURCE = pathlib.Path(__file__).resolve().parents[2]
APP_ID = "org.example.verdo"


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
        text = entry.read_text()
        self.assertIn("Exec=verdo %f\n", text)
        self.assertIn("MimeType=application/x-verdo-template;\n", text)
        # The class of the window's X11 WM_CLASS (the executable's name).
        self.assertIn("StartupWMClass=verdo\n", text)

    def test_template_type_is_known_by_name_and_by_content(self):
        if not shutil.which("update-mime-database"):
            self.skipTest("needs shared-mime-info (scripts/install-deps.sh)")
        with tempfile.TemporaryDirectory() as tmp:
            mime = pathlib.Path(tmp, "mime")
            shutil.copytree(self.share / "mime", mime)
            result = run("update-mime-database", str(mime))
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertIn("application/x-verdo-template:*.tem\n", (mime / "globs").read_text())
            magic = (mime / "magic").read_bytes()
            self.assertIn(b"[50:application/x-verdo-template]\n>0=\x00\x06OWNER=", magic)

    def test_activation_file_names_the_installed_program(self):
        service = self.share / "dbus-1" / "services" / "Deri.Didivizavud.service"
        self.assertEqual(service.read_text(),
                         f"[D-BUS Service]\nName=Deri.Didivizavud\nExec={self.prefix}/bin/verdo -Automation\n")

    def test_help_without_a_window(self):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        out = run(str(self.prefix / "bin" / "verdo"), "--help", env=env, timeout=60)
        self.assertEqual(out.returncode, 0, out.stderr)
        self.assertTrue(out.stdout.startswith("usage: verdo [FILE.tem]\n"), out.stdout)
        for option in ("-Automation", "-Embedding", "--help", "--version"):
            self.assertIn(option, out.stdout)

    def test_metainfo_validates(self):
        metainfo = self.share / "metainfo" / f"{APP_ID}.metainfo.xml"
        result = run("appstreamcli", "validate", "--no-net", "--pedantic", str(metainfo))
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertNotRegex(result.stdout, r"(?m)^[EWIP]: ", "not even a pedantic remark")
        self.assertIn('release version="1.0.0.1"', metainfo.read_text())

    def test_icons_are_the_window_icon(self):
        icons = self.share / "icons" / "hicolor"
        self.assertTrue(filecmp.cmp(icons / "scalable" / "apps" / f"{APP_ID}.svg",
                                    SOURCE / "res" / "verdo.svg", shallow=False))
        for size in (16, 32, 48, 64, 128, 256):
            png = icons / f"{size}x{size}" / "apps" / f"{APP_ID}.png"
            kind = run("file", "-b", str(png)).stdout
            self.assertIn(f"PNG image data, {size} x {size}", kind)

    def rendered_man_page(self, page):
        path = self.share / "man" / "man1" / f"{page}.1.gz"
        self.assertIn(b"1.0.0.1", gzip.decompress(path.read_bytes()))
        result = run("man", "--warnings", "-l", str(path), env={**os.environ, "MANWIDTH": "80", "LANG": "C.UTF-8"})
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stderr.strip(), "")
        # Without the overstrike of bold and underline, with plain hyphens.
        return re.sub(".\b", "", result.stdout).replace("\u2010", "-").replace("\u2212", "-")

    def test_man_pages_render(self):
        for page in ("verdo", "verdo-cli"):
            self.rendered_man_page(page)
        text = self.rendered_man_page("verdo-cli")
        words = " ".join(text.split())
        for section in ("SYNOPSIS", "EXIT STATUS", "ENVIRONMENT", "FILES", "EXAMPLES", "NOTES"):
            self.assertRegex(text, f"(?m)^{section}$")
        for word in ("CURL_CA_BUNDLE", "VERDO_STALL_TIMEOUT", "temp.htm", "renamed over the old file",
                     "verdo-cli export site.tem", "verdo-cli import https://"):
            self.assertIn(word, words)

    def test_help_page_is_installed_with_the_documentation(self):
        # The program looks for it at ../share/doc/verdo/help.html from its own folder.
        page = self.prefix / "bin" / ".." / "share" / "doc" / "verdo" / "help.html"
        self.assertTrue(filecmp.cmp(page, SOURCE / "res" / "help" / "help.html", shallow=False))

    def test_help_opens_the_installed_page_from_a_moved_tree(self):
        """Help (Alt+H) in the installed program on a virtual display opens the page
        installed with it; the desktop's opener, xdg-open, is a stand-in first on
        PATH that writes the address down."""
        if not (shutil.which("xvfb-run") and shutil.which("xdotool")):
            self.skipTest("needs xvfb and xdotool (scripts/install-deps.sh)")
        with tempfile.TemporaryDirectory() as tmp:
            tmp = pathlib.Path(tmp)
            moved = tmp / "moved"
            shutil.copytree(self.prefix, moved, symlinks=True)
            opened, opener = tmp / "opened", tmp / "bin" / "xdg-open"
            opener.parent.mkdir()
            opener.write_text('#!/bin/sh\nprintf "%s\\n" "$*" >> "$OPENED"\n')
            opener.chmod(0o755)
            script = ('"$VERDO" & verdo=$!; window=$(xdotool search --sync --name "^Verdo$" | head -n 1); '
                      'xdotool windowfocus --sync "$window" key alt+h; '
                      'for i in $(seq 600); do [ -s "$OPENED" ] && break; sleep 0.1; done; kill $verdo')
            env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS")}
            env.update(PATH=f"{opener.parent}:{env['PATH']}", HOME=str(tmp), XDG_DATA_HOME=str(tmp / "data"),
                       QT_QPA_PLATFORM="xcb", VERDO=str(moved / "bin" / "verdo"), OPENED=str(opened))
            run("xvfb-run", "-a", "sh", "-c", script, env=env, cwd=tmp, timeout=120)
            page = moved / "share" / "doc" / "verdo" / "help.html"
            self.assertEqual(opened.read_text() if opened.exists() else None, page.as_uri() + "\n")

    def test_help_man_page_and_completions_list_every_command_and_option(self):
        cli = str(self.prefix / "bin" / "verdo-cli")
        usage = run(cli, "--help").stdout
        commands = re.findall(r"(?m)^  ([a-z]+) ", usage)
        self.assertGreaterEqual(len(commands), 7)
        options = {"--help", "--version"}
        for command in commands:
            for short, long in re.findall(r"(?m)^  (?:(-\w), )?(--[a-z-]+)", run(cli, command, "--help").stdout):
                options |= {long} | ({short} if short else set())
        self.assertTrue({"--cleared", "--trap", "-o", "--output", "--seed"} <= options, options)
        man = self.rendered_man_page("verdo-cli")
        synopsis = man.split("SYNOPSIS", 1)[1].split("DESCRIPTION", 1)[0]
        completions = {
            "bash": (self.share / "bash-completion" / "completions" / "verdo-cli").read_text(),
            "zsh": (self.share / "zsh" / "vendor-completions" / "_verdo-cli").read_text(),
            "fish": (self.share / "fish" / "vendor_completions.d" / "verdo-cli.fish").read_text(),
        }
        for command in commands:
            self.assertIn(f"verdo-cli {command}", synopsis, command)
            for shell, text in completions.items():
                self.assertRegex(text, rf"\b{command}\b", (shell, command))
        for option in options:
            self.assertIn(option, man, option)
            for shell, text in completions.items():
                if shell == "fish":  # fish spells them "-l output" and "-s o"
                    option = ("-l " if option.startswith("--") else "-s ") + option.lstrip("-")
                self.assertIn(option, text, (shell, option))

    def complete(self, *words):
        """What the bash completion offers for the last word; _filedir's files show as "files:EXT"."""
        script = self.share / "bash-completion" / "completions" / "verdo-cli"
        line = " ".join(f"'{w}'" for w in ("verdo-cli",) + words)
        probe = (f"_init_completion() {{ cur=${{COMP_WORDS[COMP_CWORD]}}; prev=${{COMP_WORDS[COMP_CWORD-1]}}; "
                 f"words=(\"${{COMP_WORDS[@]}}\"); cword=$COMP_CWORD; }}; "
                 f"_filedir() {{ COMPREPLY=(\"files:$1\"); }}; source {script}; "
                 f"COMP_WORDS=({line}); COMP_CWORD={len(words)}; _verdo_cli; echo ${{COMPREPLY[@]}}")
        return run("bash", "-c", probe).stdout.strip()

    def test_bash_completion_offers_forms_pages_and_options(self):
        cases = [
            (("keywords", "s"), "shuffle"),
            (("keywords", "upper", ""), "files:tem"),
            (("keywords", "--seed", "3", "upper", ""), "files:tem"),
            (("keywords", "--seed", ""), ""),
            (("head", "--trap", ""), "files:tem"),
            (("head", "--t"), "--trap"),
            (("export", ""), "files:tem"),
            (("export", "site.tem", ""), "files:"),  # a page: any file
            (("export", "site.tem", "a.htm", ""), "files:"),
            (("trap", "-o", ""), "files:"),
            (("trap", "--output", ""), "files:"),
            (("trap", "--"), "--help --output"),
            (("import", "https://x/", ""), "files:tem"),
            (("ex",), "export"),
        ]
        for words, offered in cases:
            with self.subTest(words=words):
                self.assertEqual(self.complete(*words), offered)


if __name__ == "__main__":
    unittest.main()
