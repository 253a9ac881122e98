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
- A body of 2 GiB (declared, endless, or a small gzip transfer encoding
  that unpacks to it) stops at 64 MiB: a failed download, with flat memory
  and no disk left used. Endless headers, or endless trailers after a
  chunked body, stop at 1 MiB. Within that, a line keeps at most its first 1 MiB,
  and a line longer than that applies nothing but can still end the head
  section.
- Nothing arriving for the stall time ends the transfer, however slowly bytes
  came before; bytes that keep coming, however slowly, don't; the whole
  transfer ends after its overall limit (VERDO_TRANSFER_TIMEOUT here).
- The scratch file never has a name: none is seen while the import runs, and
  none stays after the command is interrupted or killed.
- A file address is read only when it names a regular file, and a read error
  there is a failed download."""
import os
import re
import signal
import socket
import struct
import subprocess
import tempfile
import threading
import time
import unittest
import zlib

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
                self.assertRegex(result.stderr, re.escape(b"verdo-cli: %s: Error Opening File (" % server.url().encode())
                                 + rb"[^\n]+\)\n\Z")
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
    CAP = 64 << 20

    def import_peak_rss(self, body_parts, head):
        """Runs the import of a page sent as body_parts after the header lines
        `head`; its status, output, stderr, peak RSS in KiB and the bytes sent."""
        sent = [0]

        def behave(connection):
            connection.sendall(head)
            for part in body_parts():
                connection.sendall(part)
                sent[0] += len(part)

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
        server.close()
        return child.returncode, streams["stdout"], streams["stderr"], usage.ru_maxrss, sent[0]

    def endless_line_page(self, size):
        head = b"<HTML>\r\n<HEAD>\r\n<TITLE>Huge</TITLE>\r\n<meta name=description content="
        end = b">\r\n<meta name=author content=Ann>\r\n</HEAD>\r\n"
        block = memoryview(b"x" * (1 << 20))

        def parts():
            yield head
            left = size - len(head) - len(end)
            while left:
                piece = min(left, len(block))
                yield block[:piece]
                left -= piece
            yield end
        return parts

    def test_a_long_line_within_the_cap_applies_nothing_with_flat_memory(self):
        small = self.endless_line_page(200)
        big = self.endless_line_page(48 << 20)
        code, out, err, small_rss, _ = self.import_peak_rss(small, headers(200))
        self.assertEqual(code, 0, err)
        code, out, err, big_rss, _ = self.import_peak_rss(big, headers(48 << 20))
        self.assertEqual(code, 0, err)
        got = fields(out)
        # The endless line applies nothing; the lines around it do.
        self.assertEqual((got[b"TITLE"], len(got[b"DESCRIPTION"]), got[b"AUTHOR"]), (b"Huge", 0, b"Ann"))
        # Flat memory: the 48 MiB page costs a few MiB more than a tiny one.
        self.assertLess(big_rss - small_rss, 32 * 1024, (small_rss, big_rss))
        self.assertNoScratchFile()

    def test_two_gib_bodies_stop_at_the_cap(self):
        _, _, _, small_rss, _ = self.import_peak_rss(self.endless_line_page(200), headers(200))
        endless = (b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n\r\n")
        packer = zlib.compressobj(9, zlib.DEFLATED, 31)  # gzip; packed a piece at a time, so this test stays small
        zeros = bytes(1 << 20)
        packed = b"".join(packer.compress(zeros) for _ in range(256)) + packer.flush()  # unpacks to 256 MiB
        bomb = (b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nTransfer-Encoding: gzip\r\n"
                b"Connection: close\r\n\r\n")
        cases = [
            ("declared 2 GiB", self.endless_line_page(self.GIB2), headers(self.GIB2), b"OpenUrl failed: 63\n"),
            ("2 GiB without a length", self.endless_line_page(self.GIB2), endless, b"OpenUrl failed: 23\n"),
            ("gzip transfer encoding", lambda: iter([packed]), bomb, b"OpenUrl failed: 23\n"),
        ]
        for what, parts, head, diagnostic in cases:
            with self.subTest(what):
                code, out, err, rss, sent = self.import_peak_rss(parts, head)
                self.assertEqual((code, out), (1, b""), err)
                self.assertTrue(err.startswith(diagnostic), err)
                self.assertTrue(err.endswith(b": Error Opening File (larger than 64 MiB)\n"), err)
                self.assertLess(sent, 2 * self.CAP, "the transfer went on past the cap")
                self.assertLess(rss - small_rss, 32 * 1024, (small_rss, rss))
                self.assertNoScratchFile()  # it had no name: what it held went with the command

    def test_endless_headers_or_trailers_stop_at_1_mib(self):
        _, _, _, small_rss, _ = self.import_peak_rss(self.endless_line_page(200), headers(200))
        endless = lambda: iter([(b"X-Filler: " + b"f" * 1000 + b"\r\n") * 64] * 1024)  # 64 MiB
        # Debian's libcurl 7.88.1 stops headers (not trailers) at 300 KB itself, in its own words.
        ours = b"headers larger than 1 MiB)\n"
        cases = [(b"HTTP/1.1 200 OK\r\n", (ours, b"failure when receiving data from the peer)\n")),
                 (b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\n<p>x\n\r\n0\r\n", (ours,))]
        for head, reasons in cases:
            with self.subTest(head=head):
                code, out, err, rss, sent = self.import_peak_rss(endless, head)
                self.assertEqual((code, out), (1, b""), err)
                self.assertIn(err.rsplit(b"Error Opening File (", 1)[-1], reasons)
                self.assertLess(sent, 16 << 20, "the transfer went on past the bound")
                self.assertLess(rss - small_rss, 32 * 1024, (small_rss, rss))

def drip(first, dripped, gap):
    """A behaviour: headers and `first` at once, then `dripped` a byte every `gap` seconds."""
    def behave(connection):
        connection.sendall(first)
        for byte in dripped:
            time.sleep(gap)
            connection.sendall(bytes([byte]))
    return behave


class TimeLimits(ImportCase):
    def test_slow_bytes_keep_the_transfer_going(self):
        # A byte every 2 s with a stall time of 3 s: never 3 s without a byte.
        self.env["VERDO_STALL_TIMEOUT"] = "3"
        server = self.serve(drip(headers(len(PAGE)) + PAGE[:-4], PAGE[-4:], 2))
        result = self.run_cli(server.url())
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(fields(result.stdout)[b"AUTHOR"], b"Ann")

    def test_silence_after_a_burst_ends_the_transfer(self):
        self.env["VERDO_STALL_TIMEOUT"] = "2"
        quiet = threading.Event()
        self.addCleanup(quiet.set)

        def behave(connection):
            connection.sendall(headers(len(PAGE)) + PAGE[:-4])
            quiet.wait(60)  # and then nothing

        server = self.serve(behave)
        result = self.run_cli(server.url())
        self.assertEqual(result.returncode, 1)
        self.assertTrue(result.stderr.startswith(b"OpenUrl failed: 28\n"), result.stderr)
        self.assertTrue(result.stderr.endswith(b"Error Opening File (nothing arrived for 2 s)\n"), result.stderr)
        self.assertNoScratchFile()

    def test_the_whole_transfer_has_a_limit(self):
        # Bytes every half second for 20 s: never stalled, but over the limit of 3 s.
        self.env["VERDO_TRANSFER_TIMEOUT"] = "3"
        server = self.serve(drip(headers(len(PAGE) + 40) + PAGE, b" " * 40, 0.5))
        result = self.run_cli(server.url())
        self.assertEqual(result.returncode, 1)
        self.assertTrue(result.stderr.startswith(b"OpenUrl failed: 28\n"), result.stderr)
        self.assertNoScratchFile()


class ScratchFileHasNoName(ImportCase):
    def test_nothing_named_while_it_runs_or_after_it_is_stopped(self):
        for how in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGKILL):
            with self.subTest(signal=how.name):
                server = self.serve(drip(headers(len(PAGE) + 100) + PAGE, b" " * 100, 0.2))
                child = subprocess.Popen([CLI, "import", server.url()], stdout=subprocess.DEVNULL,
                                         stderr=subprocess.DEVNULL, env=self.env)
                time.sleep(1)
                self.assertEqual(os.listdir(self.tmp.name), [], "a scratch file with a name")
                child.send_signal(how)
                child.wait(timeout=60)
                self.assertNoScratchFile()


class FileAddresses(ImportCase):
    def test_special_files_and_read_errors_fail_at_once(self):
        fifo = os.path.join(self.tmp.name, "fifo.htm")
        os.mkfifo(fifo)
        # mknod in a folder of the test's own: never the machine's /dev.
        nodes = []
        if os.geteuid() == 0:
            zero = os.path.join(self.tmp.name, "zero")
            os.mknod(zero, 0o666 | 0o020000, os.makedev(1, 5))
            nodes.append(zero)
        for path in [fifo, *nodes]:
            with self.subTest(path=path):
                result = self.run_cli("file://" + path)
                self.assertEqual(result.returncode, 1)
                self.assertEqual(result.stderr, b"OpenUrl failed: 37\nverdo-cli: file://%s: Error Opening File "
                                 b"(not a regular file)\n" % path.encode())
        if os.path.exists("/proc/self/mem"):  # reading it at its start fails (EIO)
            result = self.run_cli("file:///proc/self/mem")
            self.assertEqual(result.returncode, 1)
            self.assertTrue(result.stderr.startswith(b"OpenUrl failed: 26\n"), result.stderr)
            self.assertTrue(result.stderr.endswith(b"Error Opening File (input/output error)\n"), result.stderr)


if __name__ == "__main__":
    unittest.main()
