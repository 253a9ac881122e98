"""cpack -G DEB: the package's Depends come from the binaries."""
import os
import pathlib
import subprocess
import tempfile
import unittest

BUILD = pathlib.Path(os.environ["VERDO_BUILD"])


class DebTest(unittest.TestCase):
    def test_package_depends_on_qt_and_curl_runtimes(self):
        with tempfile.TemporaryDirectory() as out:
            result = subprocess.run(["cpack", "-G", "DEB", "-B", out], cwd=BUILD, capture_output=True, text=True)
            self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
            debs = list(pathlib.Path(out).glob("*.deb"))
            self.assertEqual(len(debs), 1)
            fields = subprocess.run(["dpkg-deb", "-f", str(debs[0]), "Package", "Version", "Depends"],
                                    capture_output=True, text=True, check=True).stdout
            self.assertIn("Package: verdo\n", fields)
            self.assertIn("Version: 1.0.0.1\n", fields)
            depends = fields.split("Depends:", 1)[1]
            for runtime in ("libqt6core6", "libqt6widgets6", "libqt6dbus6", "libcurl4"):
                self.assertIn(runtime, depends)
            contents = subprocess.run(["dpkg-deb", "-c", str(debs[0])], capture_output=True, text=True).stdout
            for path in ("./usr/bin/verdo", "./usr/bin/verdo-cli", "./usr/share/applications/",
                         "./usr/share/metainfo/", "./usr/share/man/man1/verdo-cli.1"):
                self.assertIn(path, contents)


if __name__ == "__main__":
    unittest.main()
