"""The root page, the method invoker page and its gate, and the template tags."""
import re
import socket
import unittest

from quillara_process import ServerFixture, split_response


def exchange(port, request, source=None, host="127.0.0.1"):
    family = socket.AF_INET6 if ":" in host else socket.AF_INET
    s = socket.socket(family, socket.SOCK_STREAM)
    s.settimeout(5)
    if source:
        s.bind((source, 0))  # another address of this machine, not one of the three local texts
    s.connect((host, port))
    s.sendall(request)
    data = b""
    while chunk := s.recv(65536):
        data += chunk
    s.close()
    return split_response(data)


class PagesTest(ServerFixture, unittest.TestCase):
    def get(self, path, host_header="localhost", source=None, host="127.0.0.1"):
        request = f"GET {path} HTTP/1.1\r\nHost: {host_header}\r\n\r\n".encode()
        return exchange(self.port, request, source, host)

    def test_root_page_for_slash_and_the_empty_path(self):
        for request in (b"GET / HTTP/1.1\r\nHost: h\r\n\r\n", b"GET HTTP/1.0\r\n\r\n"):
            with self.subTest(request=request):
                line, headers, body = exchange(self.port, request)
                self.assertEqual(line, "HTTP/1.1 200 OK")
                self.assertIn(b"<title>Quillara</title>", body)
                self.assertNotIn(b"<#", body)
        self.assertIn(b"<title>Quillara</title>", self.get("/reversestring")[2])

    def test_other_paths_redirect_home(self):
        line, headers, _ = self.get("/nothing-here")
        self.assertEqual((line, dict(headers)["Location"]), ("HTTP/1.1 302 Moved Temporarily", "/"))

    def test_tag_values(self):
        body = self.get("/", host_header="example:8080")[2].decode("cp1252")
        self.assertIn("<dt>Host</dt><dd>example</dd>", body)
        self.assertIn("<dt>Porta</dt><dd>8080</dd>", body)
        self.assertRegex(body, r"<dt>Ora del server</dt><dd>\d\d/\d\d/\d{4}( \d\d:\d\d:\d\d)?</dd>")
        body = self.get("/", host_header="example")[2].decode("cp1252")
        self.assertIn(f"<dt>Porta</dt><dd>{self.port}</dd>", body)  # the port the connection came to
        body = self.get("/", host_header="example:x")[2].decode("cp1252")
        self.assertIn("<dt>Porta</dt><dd>-1</dd>", body)

    def test_invoker_gate(self):
        for host in ("127.0.0.1", "::1"):
            with self.subTest(host=host):
                line, _, body = self.get("/ServerFunctionInvoker", host=host)
                self.assertEqual(line, "HTTP/1.1 200 OK")
                self.assertIn(b"Server Functions", body)
                self.assertIn(b'<a href="/ServerFunctionInvoker" target="_blank">Server Functions</a>',
                              self.get("/", host=host)[2])
        line, headers, _ = self.get("/ServerFunctionInvoker", source="127.0.0.2")
        self.assertEqual((line, dict(headers)["Location"]), ("HTTP/1.1 302 Moved Temporarily", "/"))
        body = self.get("/", source="127.0.0.2")[2]
        self.assertNotIn(b"Server Functions", body)
        self.assertIn(b"<title>Quillara</title>", body)


if __name__ == "__main__":
    unittest.main()
