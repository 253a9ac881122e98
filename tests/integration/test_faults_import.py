"""verdo-cli import against servers on 127.0.0.1 that misbehave: one that
resets the connection in the middle of the body, one that drips the body a
byte a second, one that sends a body of 2 GiB.

What must happen:
- A reset connection is a failed download: "Error Opening File", nothing
  printed, and the scratch copy of the page is removed.
- A server that drips is waited for: bytes keep arriving, so the transfer is
  not stalled; the import ends when the server ends its body, and applies the
  page. (The window keeps painting meanwhile: the download reports progress
  while it waits.)
- A body of 2 GiB, one line of it nearly all of it, is imported with flat
  memory: a line keeps at most its first 1 MiB, and a line longer than that
  applies nothing but can still end the head section."""
import os
import socket
import struct
import subprocess
import tempfile
import threading
import time
import unittest

BIN = os.environ.get("VERDO_BIN", os.path.join(os.path.dirname(__file__), "..", "..", "build", "bin"))
CLI = os.path.join(BIN, "verdo-cli")

PAGE = (b"<HTML>\r\n<HEAD>\r\n<TITLE>Faulty server</TITLE>\r\n"
        b"<meta name=author content=Ann>\r\n</HEAD>\r\n<BODY>\r\n")


def fields(template):
    return dict(line.split(b"=", 1) for line in template.split(b"\r\n") if line)


class OneShotServer:
    """Answers connections on 127.0.0.1 with `behave(connection)` once the request is read."""

    def __init__(self, behave):
        self.behave = behave
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(4)
        self.listener.settimeout(60)
        self.port = self.listener.getsockname()[1]
        self.errors = []
        self.thread = threading.Thread(target=self.serve, daemon=True)
        self.thread.start()

    def url(self, path="/page.htm"):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def serve(self):
        try:
            connection, _ = self.listener.accept()
        except OSError:
            return  # closed before anyone came
        with connection:
            connection.settimeout(60)
            request = b""
            while b"\r\n\r\n" not in request:
                chunk = connection.recv(4096)
                if not chunk:
                    return
                request += chunk
            try:
                self.behave(connection)
            except OSError as error:  # the client went away: the test says whether that was right
                self.errors.append(error)

    def close(self):
        self.listener.close()
        self.thread.join(timeout=60)


def headers(length):
    return (b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: %d\r\n"
            b"Connection: close\r\n\r\n" % length)


def reset(connection):
    """Closing with a zero linger time sends RST instead of FIN."""
    connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))


class ImportCase(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)
        self.env = dict(os.environ, TMPDIR=self.tmp.name)

    def serve(self, behave):
        server = OneShotServer(behave)
        self.addCleanup(server.close)
        return server

    def run_cli(self, *args):
        # The timeout only guards against a hang; no timing is asserted.
        return subprocess.run([CLI, "import", *args], capture_output=True, timeout=300, env=self.env)

    def assertNoScratchFile(self):
        self.assertEqual(os.listdir(self.tmp.name), [])


class ResetConnection(ImportCase):
    def test_reset_in_the_middle_of_the_body_fails(self):
        body = PAGE + b"<P>filler</P>\r\n" * 100000  # 1.5 MiB, more than any socket buffer
        for sent in (0, 1, len(PAGE), 256 * 1024):
            with self.subTest(sent=sent):
                def behave(connection, sent=sent):
                    connection.sendall(headers(len(body)) + body[:sent])
                    time.sleep(0.2)  # let the client take what was sent
                    reset(connection)
                server = self.serve(behave)
                result = self.run_cli(server.url())
                self.assertEqual(result.returncode, 1)
                self.assertEqual(result.stdout, b"")
                self.assertIn(b"verdo-cli: %s: Error Opening File\n" % server.url().encode(), result.stderr)
                self.assertNoScratchFile()

    def test_reset_before_any_answer_fails(self):
        server = self.serve(reset)
        result = self.run_cli(server.url())
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stdout, b"")
        self.assertNoScratchFile()


class DrippingServer(ImportCase):
    def test_is_waited_for_until_it_ends(self):
        dripped = 4  # bytes, a second apart: the test takes a few seconds

        def behave(connection):
            connection.sendall(headers(len(PAGE)) + PAGE[:-dripped])
            for byte in PAGE[-dripped:]:
                time.sleep(1)
                connection.sendall(bytes([byte]))

        server = self.serve(behave)
        result = self.run_cli(server.url())
        self.assertEqual(result.returncode, 0, result.stderr)
        got = fields(result.stdout)
        self.assertEqual((got[b"TITLE"], got[b"AUTHOR"]), (b"Faulty server", b"Ann"))
        self.assertEqual(server.errors, [])
        self.assertNoScratchFile()


class HugeBody(ImportCase):
    GIB2 = 2 << 30

    def import_peak_rss(self, body_parts, length):
        """Runs the import of a page sent as body_parts; its status, output and peak RSS in KiB."""
        def behave(connection):
            connection.sendall(headers(length))
            for part in body_parts():
                connection.sendall(part)

        server = self.serve(behave)
        child = subprocess.Popen([CLI, "import", server.url()], stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, env=self.env)
        watchdog = threading.Timer(600, child.kill)  # only against a hang
        watchdog.start()
        streams = {}
        readers = [threading.Thread(target=lambda name=name: streams.__setitem__(name, getattr(child, name).read()))
                   for name in ("stdout", "stderr")]
        for reader in readers:
            reader.start()
        # This child's own usage, which Popen's wait would not give.
        _, status, usage = os.wait4(child.pid, 0)
        child.returncode = os.waitstatus_to_exitcode(status)
        watchdog.cancel()
        for reader in readers:
            reader.join()
        child.stdout.close()
        child.stderr.close()
        return child.returncode, streams["stdout"], streams["stderr"], usage.ru_maxrss

    def test_two_gib_body_with_one_endless_line(self):
        head = b"<HTML>\r\n<HEAD>\r\n<TITLE>Huge</TITLE>\r\n<meta name=description content="
        end = b">\r\n<meta name=author content=Ann>\r\n</HEAD>\r\n"
        block = memoryview(b"x" * (1 << 20))
        middle = self.GIB2 - len(head) - len(end)

        def big():
            yield head
            left = middle
            while left:
                size = min(left, len(block))
                yield block[:size]
                left -= size
            yield end

        def small():
            yield head + b"short" + end

        code, out, err, small_rss = self.import_peak_rss(small, len(head) + 5 + len(end))
        self.assertEqual(code, 0, err)
        self.assertEqual(fields(out)[b"DESCRIPTION"], b"short")

        code, out, err, big_rss = self.import_peak_rss(big, self.GIB2)
        self.assertEqual(code, 0, err)
        got = fields(out)
        # The endless line applies nothing; the lines around it do.
        self.assertEqual((got[b"TITLE"], len(got[b"DESCRIPTION"]), got[b"AUTHOR"]), (b"Huge", 0, b"Ann"))
        # Flat memory: the 2 GiB page costs a few MiB more than a tiny one.
        self.assertLess(big_rss - small_rss, 32 * 1024, (small_rss, big_rss))
        self.assertNoScratchFile()


if __name__ == "__main__":
    unittest.main()
