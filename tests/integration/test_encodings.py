"""Pages in their own encodings through verdo-cli: Import of a UTF-8 page
(over http with a charset, and from a file address), Save, Export into the
same page, and the page read back by a real HTML parser (html5lib)."""
import http.server
import os
import shutil
import socketserver
import subprocess
import tempfile
import threading
import unittest

from test_import import fields, run_cli

# The Debian package python3-html5lib installs for Debian's own interpreter,
# which need not be the one running the tests.
PARSER_PYTHON = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else "python3"
PARSE = """
import sys, html5lib
with open(sys.argv[1], "rb") as f:
    tree = html5lib.parse(f.read(), namespaceHTMLElements=False)
title = tree.find(".//title")
metas = {m.get("name"): m.get("content") for m in tree.iter("meta") if m.get("name")}
sys.stdout.buffer.write(("%s\\n%s\\n%s" % (title.text, metas.get("description"), tree.find(".//p").text)).encode())
"""

CAFE = "Caf\u00e9 \u2013 5 \u20ac"
JAPAN = "\u65e5\u672c"
UTF8_PAGE = ("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
             "<TITLE>%s %s</TITLE>\n<meta name=\"description\" content=\"%s\">\n</head>\n"
             "<body>\n<p>Za\u017c\u00f3\u0142\u0107 g\u0119\u015bl\u0105 ja\u017a\u0144</p>\n</body>\n</html>\n"
             % (CAFE, JAPAN, JAPAN)).encode()
UTF16_PAGE = "\ufeff<html>\r\n<head>\r\n<title>x</title>\r\n</head>\r\n<body>x</body>\r\n".encode("utf-16-le")


def parse(path):
    result = subprocess.run([PARSER_PYTHON, "-c", PARSE, path], capture_output=True, timeout=120)
    assert result.returncode == 0, result.stderr.decode()
    return result.stdout.decode("utf-8").split("\n")


class CharsetHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        body, content_type = self.server.answer
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)


class EncodingsCase(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="verdo-enc-")
        self.addCleanup(shutil.rmtree, self.folder)

    def path(self, name):
        return os.path.join(self.folder, name)

    def put(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)
        return self.path(name)

    def bytes(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def serve(self, body, content_type):
        server = socketserver.TCPServer(("127.0.0.1", 0), CharsetHandler)
        server.answer = (body, content_type)
        thread = threading.Thread(target=server.serve_forever, daemon=True)
        thread.start()

        def stop():
            server.shutdown()
            server.server_close()
            thread.join(10)
        self.addCleanup(stop)
        return "http://127.0.0.1:%d/page.htm" % server.server_address[1]

    def import_page(self, address):
        result = run_cli("import", address)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stdout


class RoundTrip(EncodingsCase):
    def round_trip(self, address):
        template = self.import_page(address)
        form = fields(template)
        # The form holds Windows-1252, with references for what it can't hold.
        self.assertEqual(form[b"TITLE"], b"Caf\xe9 \x96 5 \x80 &#26085;&#26412;")
        self.assertEqual(form[b"DESCRIPTION"], b"&#26085;&#26412;")
        form_path = self.put("form.tem", template)
        page = self.path("page.htm")
        result = run_cli("export", form_path, page)
        self.assertEqual(result.returncode, 0, result.stderr)
        exported = self.bytes("page.htm")
        exported.decode("utf-8")  # valid UTF-8, or this raises
        self.assertTrue(exported.startswith(b"<HTML>\r\n<HEAD>\r\n<meta charset=\"utf-8\">\r\n<TITLE>"), exported)
        self.assertEqual(parse(page), [CAFE + " " + JAPAN, JAPAN, "Za\u017c\u00f3\u0142\u0107 g\u0119\u015bl\u0105 ja\u017a\u0144"])

    def test_from_a_file_address(self):
        self.round_trip("file://" + self.put("page.htm", UTF8_PAGE))

    def test_over_http_with_the_answers_charset(self):
        self.put("page.htm", UTF8_PAGE)
        # The page as served holds no declaration: the answer's charset alone says UTF-8.
        undeclared = UTF8_PAGE.replace(b"<meta charset=\"utf-8\">\n", b"")
        form = fields(self.import_page(self.serve(undeclared, "text/html; charset=utf-8")))
        self.assertEqual(form[b"TITLE"], b"Caf\xe9 \x96 5 \x80 &#26085;&#26412;")
        # Served as Latin-1, the same bytes read as Latin-1.
        form = fields(self.import_page(self.serve(undeclared, "text/html; charset=ISO-8859-1")))
        self.assertEqual(form[b"TITLE"], b"Caf\xc3\xa9 \xe2\x80\x93 5 \xe2\x82\xac \xe6\x97\xa5\xe6\x9c\xac")
        self.round_trip(self.serve(UTF8_PAGE, "text/html; charset=utf-8"))


class WidePages(EncodingsCase):
    def test_export_refuses_a_utf16_page_and_leaves_it(self):
        form = self.put("form.tem", run_cli("new").stdout)
        page = self.put("wide.htm", UTF16_PAGE)
        result = run_cli("export", form, page)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr, ("verdo-cli: %s: Error Opening File\n" % page).encode())
        self.assertEqual(self.bytes("wide.htm"), UTF16_PAGE)

    def test_import_refuses_a_utf16_page(self):
        address = "file://" + self.put("wide.htm", UTF16_PAGE)
        result = run_cli("import", address)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stdout, b"")
        self.assertEqual(result.stderr, ("verdo-cli: %s: Error Opening File\n" % address).encode())


if __name__ == "__main__":
    unittest.main()
