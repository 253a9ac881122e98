"""verdo-cli import URL [FORM.tem] against servers started here on 127.0.0.1:
HTTP (redirections, error statuses, stalls, cut bodies), HTTPS with a
certificate made by the test, FTP (a small passive-mode server of our own)
and file addresses."""
import http.server
import os
import re
import shutil
import socket
import socketserver
import ssl
import subprocess
import tempfile
import threading
import unittest

BIN = os.environ.get("VERDO_BIN", os.path.join(os.path.dirname(__file__), "..", "..", "build", "bin"))
CLI = os.path.join(BIN, "verdo-cli")

PAGE = (b"<HTML>\r\n<HEAD>\r\n<TITLE>My Page</TITLE>\r\n"
        b"<META NAME=\"Description\" CONTENT=\"About me\">\r\n"
        b"<meta name=\"keywords\" content=\"red, green,,blue\">\r\n"
        b"</HEAD>\r\n<BODY>\r\n<meta name=author content=body>\r\n</BODY>\r\n")
PAGE_FIELDS = {b"TITLE": b"My Page", b"DESCRIPTION": b"About me",
               b"KW1": b"red", b"KW2": b"green", b"KW3": b"blue"}
ERROR_BODY = b"<html><head>\n<title>Not Found</title>\n</head>\n"


def env_without_ca(**extra):
    env = {k: v for k, v in os.environ.items()
           if k not in ("CURL_CA_BUNDLE", "SSL_CERT_FILE", "SSL_CERT_DIR")}
    env.update(extra)
    return env


def run_cli(*args, env=None, cwd=None):
    # The timeout only guards against a hang; no timing is asserted.
    return subprocess.run([CLI, *args], capture_output=True, timeout=120,
                          env=env if env is not None else env_without_ca(), cwd=cwd)


def fields(template):
    assert template.endswith(b"\r\n"), template[-20:]
    return dict(line.split(b"=", 1) for line in template[:-2].split(b"\r\n"))


def refused_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


# ---------------------------------------------------------------- HTTP --

class PageHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def send_body(self, status, body, length=None, extra=()):
        self.send_response(status)
        self.send_header("Content-Length", str(len(body) if length is None else length))
        for name, value in extra:
            self.send_header(name, value)
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)
        self.wfile.flush()

    def redirect(self, location):
        self.send_body(302, b"moved\n", extra=[("Location", location)])

    def do_GET(self):
        server = self.server
        server.requests.append((self.path, self.headers))
        path = self.path.split("?", 1)[0]
        if path in ("/page.htm", "/long"):
            self.send_body(200, PAGE)
        elif path.startswith("/redirect/"):
            left = int(path.rsplit("/", 1)[1])  # redirections still to come
            self.redirect("/redirect/%d" % (left - 1) if left > 1 else "/page.htm")
        elif path == "/to-file":
            self.redirect(server.file_address)
        elif path.startswith("/status/"):
            self.send_body(int(path.rsplit("/", 1)[1]), ERROR_BODY)
        elif path == "/stall-before-headers":
            server.stop.wait(60)
        elif path == "/stall-in-body":
            self.send_response(200)
            self.send_header("Content-Length", "100000")
            self.end_headers()
            self.wfile.write(PAGE[:60])
            self.wfile.flush()
            server.stop.wait(60)
        elif path == "/cut-short":
            self.send_body(200, PAGE, length=len(PAGE) + 500)
        elif path == "/empty":
            self.send_body(200, b"")
        elif path in server.bodies:
            self.send_body(200, server.bodies[path])
        else:
            self.send_body(404, ERROR_BODY)


class LoopbackHttpServer(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    block_on_close = False

    def __init__(self, tls_context=None):
        super().__init__(("127.0.0.1", 0), PageHandler)
        if tls_context is not None:
            self.socket = tls_context.wrap_socket(self.socket, server_side=True)
        self.requests = []
        self.bodies = {}
        self.file_address = ""
        self.stop = threading.Event()
        self.thread = threading.Thread(target=self.serve_forever, daemon=True)
        self.thread.start()

    def url(self, path, host="127.0.0.1"):
        scheme = "https" if isinstance(self.socket, ssl.SSLSocket) else "http"
        return "%s://%s:%d%s" % (scheme, host, self.server_address[1], path)

    def close(self):
        self.stop.set()
        self.shutdown()
        self.server_close()
        self.thread.join(10)


# ----------------------------------------------------------------- FTP --

class FtpSession(socketserver.StreamRequestHandler):
    """Just enough FTP for a passive-mode download: login, PWD, CWD, TYPE,
    EPSV/PASV, SIZE, RETR, QUIT."""

    def reply(self, text):
        self.wfile.write(text.encode() + b"\r\n")
        self.wfile.flush()

    def handle(self):
        root = self.server.root
        folder = root
        data_listener = None
        self.reply("220 loopback test server")
        while True:
            line = self.rfile.readline()
            if not line:
                break
            command, _, argument = line.decode("latin-1").rstrip("\r\n").partition(" ")
            command = command.upper()
            self.server.commands.append(command)
            target = os.path.normpath(os.path.join(folder, argument.lstrip("/")))
            if argument.startswith("/"):
                target = os.path.normpath(os.path.join(root, argument.lstrip("/")))
            if command == "USER":
                self.reply("331 password please")
            elif command == "PASS":
                self.reply("230 logged in")
            elif command == "PWD":
                self.reply('257 "/"')
            elif command == "CWD":
                if os.path.isdir(target) and target.startswith(root):
                    folder = target
                    self.reply("250 ok")
                else:
                    self.reply("550 no such folder")
            elif command == "TYPE":
                self.reply("200 ok")
            elif command in ("EPSV", "PASV"):
                if data_listener:
                    data_listener.close()
                data_listener = socket.socket()
                data_listener.bind(("127.0.0.1", 0))
                data_listener.listen(1)
                data_listener.settimeout(30)
                port = data_listener.getsockname()[1]
                if command == "EPSV":
                    self.reply("229 Entering Extended Passive Mode (|||%d|)" % port)
                else:
                    self.reply("227 Entering Passive Mode (127,0,0,1,%d,%d)" % (port >> 8, port & 255))
            elif command == "SIZE":
                if os.path.isfile(target):
                    self.reply("213 %d" % os.path.getsize(target))
                else:
                    self.reply("550 no such file")
            elif command == "RETR":
                if not os.path.isfile(target) or data_listener is None:
                    self.reply("550 no such file")
                    continue
                self.reply("150 opening data connection")
                data, _ = data_listener.accept()
                with open(target, "rb") as source:
                    data.sendall(source.read())
                data.close()
                data_listener.close()
                data_listener = None
                self.reply("226 transfer complete")
            elif command == "QUIT":
                self.reply("221 bye")
                break
            else:
                self.reply("502 not implemented")
        if data_listener:
            data_listener.close()


class LoopbackFtpServer(socketserver.ThreadingMixIn, socketserver.TCPServer):
    daemon_threads = True
    block_on_close = False

    def __init__(self, root):
        super().__init__(("127.0.0.1", 0), FtpSession)
        self.root = os.path.realpath(root)
        self.commands = []
        self.thread = threading.Thread(target=self.serve_forever, daemon=True)
        self.thread.start()

    def url(self, path):
        return "ftp://127.0.0.1:%d%s" % (self.server_address[1], path)

    def close(self):
        self.shutdown()
        self.server_close()
        self.thread.join(10)


# --------------------------------------------------------------- tests --

class ImportCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.start_form = run_cli("new").stdout

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="verdo-import-")
        self.addCleanup(shutil.rmtree, self.dir, True)

    def expected(self, changes, base=None):
        form = fields(base or self.start_form)
        form.update(changes)
        return b"".join(k + b"=" + v + b"\r\n" for k, v in form.items())

    def assert_imports(self, address, changes=PAGE_FIELDS, *args, env=None):
        result = run_cli("import", address, *args, env=env, cwd=self.dir)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stderr, b"")
        self.assertEqual(fields(result.stdout), fields(self.expected(changes)))
        self.assertEqual(result.stdout, self.expected(changes))
        return result

    def assert_fails(self, address, env=None, reason=None):
        """The failure's words, then why in brackets (exactly `reason` when given)."""
        result = run_cli("import", address, env=env, cwd=self.dir)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stdout, b"")
        self.assertRegex(result.stderr, re.escape(b"verdo-cli: " + address.encode() + b": Error Opening File (")
                         + (re.escape(reason.encode()) if reason else b"[^\n]+") + rb"\)\n\Z")
        return result


class HttpImport(ImportCase):
    def setUp(self):
        super().setUp()
        self.server = LoopbackHttpServer()
        self.addCleanup(self.server.close)
        self.page_file = os.path.join(self.dir, "local.htm")
        with open(self.page_file, "wb") as out:
            out.write(PAGE)
        self.server.file_address = "file://" + self.page_file

    def test_sends_the_fixed_request(self):
        self.assert_imports(self.server.url("/page.htm"))
        path, headers = self.server.requests[-1]
        self.assertEqual(path, "/page.htm")
        self.assertEqual(headers.get_all("User-Agent"), ["Verdo 1.0 Agent"])
        self.assertEqual(headers.get_all("Accept"), ["*/*"])
        self.assertEqual(sorted(headers.keys()), ["Accept", "Host", "User-Agent"])

    def test_connects_directly_whatever_the_proxy_settings(self):
        proxy = "http://127.0.0.1:%d" % refused_port()
        env = env_without_ca(http_proxy=proxy, HTTP_PROXY=proxy, all_proxy=proxy, ALL_PROXY=proxy)
        self.assert_imports(self.server.url("/page.htm"), env=env)

    def test_applies_the_page_on_top_of_a_template(self):
        form = os.path.join(self.dir, "form.tem")
        with open(form, "wb") as out:
            out.write(self.expected({b"AUTHOR": b"Ann", b"KW4": b"kept", b"TITLE": b"Old"}))
        result = run_cli("import", self.server.url("/page.htm"), form)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout, self.expected({**PAGE_FIELDS, b"AUTHOR": b"Ann", b"KW4": b"kept"}))

    def test_an_address_without_its_scheme_is_refused(self):
        result = self.assert_fails(self.server.url("/page.htm").split("://", 1)[1])
        self.assertIn(b"(not an address; write it with its scheme: http://, https://, ftp:// or file:///...)\n",
                      result.stderr)
        self.assertNotIn(b"OpenUrl failed", result.stderr)
        self.assertEqual(self.server.requests, [])

    def test_address_of_any_length(self):
        address = self.server.url("/long?" + "q" * 400)
        self.assert_imports(address)
        self.assertEqual(self.server.requests[-1][0], "/long?" + "q" * 400)

    def test_follows_up_to_ten_redirections(self):
        self.assert_imports(self.server.url("/redirect/10"))
        self.assertEqual(self.server.requests[-1][0], "/page.htm")

    def test_more_than_ten_redirections_fail(self):
        result = self.assert_fails(self.server.url("/redirect/11"))
        self.assertIn(b"OpenUrl failed: 47\n", result.stderr)  # too many redirects
        self.assertNotIn("/page.htm", [path for path, _ in self.server.requests])

    def test_redirection_to_a_file_address_is_refused(self):
        result = self.assert_fails(self.server.url("/to-file"))
        self.assertIn(b"OpenUrl failed: 1\n", result.stderr)  # scheme not allowed there

    def test_error_statuses_fail(self):
        for status in (404, 500, 403):
            with self.subTest(status=status):
                result = self.assert_fails(self.server.url("/status/%d" % status))
                self.assertIn(b"OpenUrl failed: 22\n", result.stderr)

    def test_a_server_that_stalls_is_given_up(self):
        env = env_without_ca(VERDO_STALL_TIMEOUT="2")
        for path in ("/stall-before-headers", "/stall-in-body"):
            with self.subTest(path=path):
                result = self.assert_fails(self.server.url(path), env=env)
                self.assertIn(b"OpenUrl failed: 28\n", result.stderr)  # timed out

    def test_a_body_cut_short_fails(self):
        result = self.assert_fails(self.server.url("/cut-short"))
        self.assertIn(b"OpenUrl failed: 18\n", result.stderr)  # partial file

    def test_empty_body_leaves_the_form(self):
        self.assert_imports(self.server.url("/empty"), {})

    def test_body_of_exactly_1023_bytes(self):
        head = b"<title>Exact</title>\n"
        self.server.bodies["/full.htm"] = head + b"x" * (1023 - len(head) - 1) + b"\n"
        self.server.bodies["/open.htm"] = head + b"y" * (1023 - len(head) - 27) + b"\n<meta name=author content=z>"[:27]
        self.assertEqual(len(self.server.bodies["/full.htm"]), 1023)
        self.assertEqual(len(self.server.bodies["/open.htm"]), 1023)
        self.assert_imports(self.server.url("/full.htm"), {b"TITLE": b"Exact"})
        self.assert_imports(self.server.url("/open.htm"), {b"TITLE": b"Exact"})

    def test_line_ends_are_stored_as_sent(self):
        # CR LF lines read as lines; lone CRs end no line, so nothing was
        # turned into LF on the way.
        self.server.bodies["/crlf.htm"] = b"<title>Crlf</title>\r\n<meta name=author content=\"A\">\r\n"
        self.server.bodies["/cr.htm"] = b"<title>Cr</title>\r<meta name=author content=B>\r"
        self.assert_imports(self.server.url("/crlf.htm"), {b"TITLE": b"Crlf", b"AUTHOR": b"A"})
        self.assert_imports(self.server.url("/cr.htm"), {})

    def test_runs_side_by_side_and_leaves_no_file_behind(self):
        scratch = os.path.join(self.dir, "tmp")
        os.mkdir(scratch)
        env = env_without_ca(TMPDIR=scratch)
        runs = [subprocess.Popen([CLI, "import", self.server.url("/page.htm")], env=env, cwd=self.dir,
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE) for _ in range(4)]
        for process in runs:
            out, err = process.communicate(timeout=120)
            self.assertEqual((process.returncode, err), (0, b""))
            self.assertEqual(out, self.expected(PAGE_FIELDS))
        self.assertEqual(os.listdir(scratch), [])
        self.assertFalse(os.path.exists(os.path.join(self.dir, "temp.htm")))


class AddressFailures(ImportCase):
    def test_refused_connection(self):
        result = self.assert_fails("http://127.0.0.1:%d/page.htm" % refused_port(),
                                   reason="couldn't connect to server")
        # The window's diagnostic line, once; the reason line replaces nothing else.
        self.assertEqual(result.stderr.count(b"OpenUrl failed: 7\n"), 1)

    def test_addresses_that_are_not_accepted(self):
        for address in ("", "gopher://127.0.0.1:%d/" % refused_port(), "http://", "file:///no/such/page.htm",
                        "file://" + self.dir):
            with self.subTest(address=address):
                self.assert_fails(address)

    def test_usage(self):
        for args in ((), ("a", "b", "c")):
            with self.subTest(args=args):
                result = run_cli("import", *args)
                self.assertEqual((result.returncode, result.stdout), (2, b""))

    def test_missing_form_file(self):
        result = run_cli("import", "file:///dev/null", os.path.join(self.dir, "none.tem"))
        self.assertEqual((result.returncode, result.stdout), (1, b""))
        self.assertIn(b"none.tem: Error Opening File", result.stderr)


class FileImport(ImportCase):
    def test_reads_a_page_on_disk(self):
        path = os.path.join(self.dir, "page with blank.htm")
        with open(path, "wb") as out:
            out.write(PAGE)
        self.assert_imports("file://" + path.replace(" ", "%20"))

    def test_hostile_bytes_are_kept_or_ignored(self):
        path = os.path.join(self.dir, "junk.htm")
        with open(path, "wb") as out:
            out.write(b"\x00\xff" * 1000 + b"\n<meta name=author content=\"caf\xe9\x00x\">\n" + b"=" * (3 << 20))
        # A NUL is taken as a browser shows it: U+FFFD, as its reference.
        self.assert_imports("file://" + path, {b"AUTHOR": b"caf\xe9&#65533;x"})


class HttpsImport(ImportCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.pki = tempfile.mkdtemp(prefix="verdo-pki-")
        p = lambda name: os.path.join(cls.pki, name)

        def openssl(*args):
            subprocess.run(["openssl", *args], check=True, capture_output=True, timeout=60)

        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=Verdo Test CA",
                "-keyout", p("ca.key"), "-out", p("ca.pem"))
        for name, names in (("good", "DNS:localhost,IP:127.0.0.1"), ("wrong", "DNS:wrong.invalid")):
            with open(p(name + ".ext"), "w") as ext:
                ext.write("subjectAltName=%s\n" % names)
            openssl("req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=" + name,
                    "-keyout", p(name + ".key"), "-out", p(name + ".csr"))
            openssl("x509", "-req", "-in", p(name + ".csr"), "-CA", p("ca.pem"), "-CAkey", p("ca.key"),
                    "-CAcreateserial", "-days", "2", "-extfile", p(name + ".ext"), "-out", p(name + ".pem"))
        cls.ca = p("ca.pem")
        cls.servers = {}
        for name in ("good", "wrong"):
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(p(name + ".pem"), p(name + ".key"))
            cls.servers[name] = LoopbackHttpServer(context)

    @classmethod
    def tearDownClass(cls):
        for server in cls.servers.values():
            server.close()
        shutil.rmtree(cls.pki, True)

    def test_trusted_certificate_for_the_host(self):
        env = env_without_ca(CURL_CA_BUNDLE=self.ca)
        for host in ("127.0.0.1", "localhost"):
            with self.subTest(host=host):
                self.assert_imports(self.servers["good"].url("/page.htm", host), env=env)
        self.assertEqual(self.servers["good"].requests[-1][1].get("User-Agent"), "Verdo 1.0 Agent")

    def test_unknown_authority_fails(self):
        self.assert_fails(self.servers["good"].url("/page.htm"))

    def test_certificate_for_another_host_fails(self):
        self.assert_fails(self.servers["wrong"].url("/page.htm"), env=env_without_ca(CURL_CA_BUNDLE=self.ca))

    def test_error_status_over_https_fails(self):
        self.assert_fails(self.servers["good"].url("/status/404"), env=env_without_ca(CURL_CA_BUNDLE=self.ca))


class FtpImport(ImportCase):
    def setUp(self):
        super().setUp()
        os.mkdir(os.path.join(self.dir, "site"))
        with open(os.path.join(self.dir, "site", "page.htm"), "wb") as out:
            out.write(PAGE)
        self.server = LoopbackFtpServer(self.dir)
        self.addCleanup(self.server.close)

    def test_fetches_in_passive_mode(self):
        self.assert_imports(self.server.url("/site/page.htm"))
        self.assertIn("RETR", self.server.commands)
        self.assertTrue({"EPSV", "PASV"} & set(self.server.commands))

    def test_missing_file_fails(self):
        self.assert_fails(self.server.url("/site/none.htm"))


if __name__ == "__main__":
    unittest.main()
