"""Static files beside the executable: types, byte-order marks, 304, 404, excluded folders."""
import os
import unittest

from quillara_process import ServerFixture, raw_exchange, split_response


class WebFilesTest(ServerFixture, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        app = cls.server.app
        os.makedirs(os.path.join(app, "js"), exist_ok=True)
        os.makedirs(os.path.join(app, "Templates"), exist_ok=True)
        with open(os.path.join(app, "index.html"), "wb") as f:
            f.write(b"<h1>index</h1>")
        with open(os.path.join(app, "js", "site.css"), "wb") as f:
            f.write(b"\xef\xbb\xbfbody{color:red}")
        with open(os.path.join(app, "Templates", "x.html"), "wb") as f:
            f.write(b"secret template")
        with open(os.path.join(app, "readme.txt"), "wb") as f:
            f.write(b"text")

    def get(self, path, method="GET", extra=""):
        data = f"{method} {path} HTTP/1.1\r\nHost: h\r\n{extra}\r\n".encode()
        return split_response(raw_exchange(self.port, data))

    def test_file_with_type_and_last_modified(self):
        line, headers, body = self.get("/index.html")
        h = dict(headers)
        self.assertEqual((line, body), ("HTTP/1.1 200 OK", b"<h1>index</h1>"))
        self.assertEqual(h["Content-Type"], "text/html; charset=ISO-8859-1")
        self.assertIn("Last-Modified", h)
        line, head_headers, head_body = self.get("/index.html", "HEAD")
        self.assertEqual(dict(head_headers)["Content-Length"], "14")
        self.assertEqual(head_body, b"")

    def test_byte_order_mark_is_left_out(self):
        _, headers, body = self.get("/js/site.css")
        self.assertEqual(dict(headers)["Content-Type"], "text/css; charset=utf-8")
        self.assertEqual(body, b"body{color:red}")

    def test_not_modified_and_modified(self):
        modified = dict(self.get("/index.html")[1])["Last-Modified"]
        line, headers, body = self.get("/index.html", extra=f"If-Modified-Since: {modified}\r\n")
        self.assertEqual((line, body), ("HTTP/1.1 304 Not Modified", b""))
        line, _, body = self.get("/index.html", extra="If-Modified-Since: Sun, 06 Nov 1994 08:49:37 GMT\r\n")
        self.assertEqual((line, body), ("HTTP/1.1 200 OK", b"<h1>index</h1>"))

    def test_not_served(self):
        cases = {
            "/missing.png": "HTTP/1.1 404 Not Found",
            "/templates/x.html": "HTTP/1.1 302 Moved Temporarily",   # excluded folder, any case
            "/TEMPLATES/x.html": "HTTP/1.1 302 Moved Temporarily",
            "/js/../Templates/x.html": "HTTP/1.1 404 Not Found",  # the resolved folder counts
            "/js/%2e%2e/Templates/x.html": "HTTP/1.1 404 Not Found",
            "/../../../../etc/hostname.html": "HTTP/1.1 404 Not Found",  # never outside the root
            "/js/..%2F..%2F..%2Fetc%2Fx.css": "HTTP/1.1 404 Not Found",
            "/readme.txt": "HTTP/1.1 302 Moved Temporarily",        # extension not listed
            "/js/": "HTTP/1.1 302 Moved Temporarily",               # no default document
        }
        for path, status in cases.items():
            with self.subTest(path):
                line, _, body = self.get(path)
                self.assertEqual(line, status)
                self.assertNotIn(b"secret", body)
        line, _, body = self.get("/index.html", "POST", "Content-Length: 0\r\n")
        self.assertEqual(line, "HTTP/1.1 302 Moved Temporarily")


if __name__ == "__main__":
    unittest.main()
