"""HTTP on the wire against the running server: failures row by row, header order, HEAD, forms,
chunked bodies, one answer per connection."""
import socket
import time
import unittest

from quillara_process import ServerFixture, connect, raw_exchange, split_response


def read_all(s):
    chunks = []
    while chunk := s.recv(65536):
        chunks.append(chunk)
    return b"".join(chunks)


class HttpWireTest(ServerFixture, unittest.TestCase):
    def exchange(self, data, **kw):
        return raw_exchange(self.port, data, **kw)

    def test_failure_table(self):
        long_line = b"a" * 16385
        many = b"".join(b"X: 1\r\n" for _ in range(1026))
        cases = [
            ("no blank in the request line", b"GARBAGE\r\n\r\n", None),
            ("version other than HTTP/digits", b"GET / FOO/1.1\r\nHost: h\r\n\r\n", None),
            ("version in lower case", b"GET / http/1.1\r\nHost: h\r\n\r\n", None),
            ("version without digits", b"GET / HTTP/x.y\r\nHost: h\r\n\r\n", None),
            ("continue asked with a foreign version",
             b"POST / FOO/1.1\r\nHost: h\r\nExpect: 100-continue\r\nContent-Length: 0\r\n\r\n", None),
            ("request line too long", b"GET /" + long_line + b" HTTP/1.1\r\n\r\n", None),
            ("header line too long", b"GET / HTTP/1.1\r\nX: " + long_line + b"\r\n\r\n", None),
            ("more than 1025 header lines", b"GET / HTTP/1.1\r\nHost: h\r\n" + many + b"\r\n", None),
            ("HTTP/1.1 without Host", b"GET / HTTP/1.1\r\n\r\n", "HTTP/1.1 400 Bad Request"),
            ("Expect other than 100-continue", b"POST / HTTP/1.1\r\nHost: h\r\nExpect: x\r\n\r\n",
             "HTTP/1.1 417 Expectation Failed"),
            ("POST body without length", b"POST / HTTP/1.1\r\nHost: h\r\n\r\nabc",
             "HTTP/1.1 411 Length Required"),
            ("unknown transfer coding", b"POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: gzip\r\n\r\n",
             "HTTP/1.1 400 Bad Request"),
            ("authorization other than Basic", b"GET / HTTP/1.1\r\nHost: h\r\nAuthorization: Bearer t\r\n\r\n", None),
            ("body over 256 MiB", b"POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 300000000\r\n\r\n",
             "HTTP/1.1 413 Request Entity Too Long"),
        ]
        for name, request, status in cases:
            with self.subTest(name):
                answer = self.exchange(request)
                if status is None:
                    self.assertEqual(answer, b"")
                else:
                    line, headers, body = split_response(answer)
                    self.assertEqual(line, status)
                    self.assertIn(("Connection", "close"), headers)
                    self.assertIn(("Content-Length", "0"), headers)
                    self.assertEqual(body, b"")

    def test_header_order_and_page(self):
        line, headers, body = split_response(self.exchange(b"GET / HTTP/1.1\r\nHost: localhost\r\n\r\n"))
        self.assertEqual(line, "HTTP/1.1 200 OK")
        self.assertEqual([n for n, _ in headers], ["Connection", "Content-Type", "Content-Length", "Date"])
        self.assertEqual(dict(headers)["Content-Type"], "text/html; charset=ISO-8859-1")
        self.assertEqual(int(dict(headers)["Content-Length"]), len(body))
        self.assertRegex(dict(headers)["Date"], r"^[A-Z][a-z]{2}, \d\d [A-Z][a-z]{2} \d{4} \d\d:\d\d:\d\d GMT$")

    def test_head_has_the_length_without_the_body(self):
        _, get_headers, body = split_response(self.exchange(b"GET / HTTP/1.0\r\n\r\n"))
        line, headers, head_body = split_response(self.exchange(b"HEAD / HTTP/1.0\r\n\r\n"))
        self.assertEqual(line, "HTTP/1.1 200 OK")
        self.assertEqual(dict(headers)["Content-Length"], str(len(body)))
        self.assertEqual(head_body, b"")

    def test_form_and_chunked_posts_are_answered(self):
        form = b"POST / HTTP/1.1\r\nHost: h\r\nContent-Type: application/x-www-form-urlencoded\r\n" \
               b"Content-Length: 7\r\n\r\na=1&b=2"
        chunked = b"POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\n" \
                  b"3\r\nabc\r\n0\r\n\r\n"
        for request in (form, chunked):
            self.assertEqual(split_response(self.exchange(request))[0], "HTTP/1.1 200 OK")

    def test_other_paths_are_redirected_home(self):
        line, headers, _ = split_response(self.exchange(b"GET /nothing-here HTTP/1.1\r\nHost: h\r\n\r\n"))
        self.assertEqual(line, "HTTP/1.1 302 Moved Temporarily")
        self.assertEqual(dict(headers)["Location"], "/")

    def test_only_the_first_of_two_requests_is_answered(self):
        answer = self.exchange(b"GET / HTTP/1.1\r\nHost: h\r\n\r\nGET /x HTTP/1.1\r\nHost: h\r\n\r\n")
        self.assertEqual(answer.count(b"HTTP/1.1 "), 1)

    def test_connection_ends_in_order(self):
        """Whether the request was read whole or answered early, the client reads the whole answer
        and then the end of the stream, never a reset, even with bytes it sent past the request."""
        cases = [
            ("request read whole", b"GET / HTTP/1.1\r\nHost: h\r\n\r\n", "HTTP/1.1 200 OK"),
            ("bytes after the body", b"POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 3\r\n\r\nabc\r\n",
             "HTTP/1.1 200 OK"),
            ("answered before the body", b"POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 300000000\r\n\r\n"
             + b"x" * (256 * 1024), "HTTP/1.1 413 Request Entity Too Long"),
        ]
        for name, request, status in cases:
            with self.subTest(name):
                with connect("127.0.0.1", self.port) as s:
                    s.sendall(request)
                    answer = read_all(s)  # a reset raises here
                line, headers, body = split_response(answer)
                self.assertEqual(line, status)
                self.assertEqual(int(dict(headers)["Content-Length"]), len(body))

    def test_continue_before_the_body(self):
        for version in (b"HTTP/1.1", b"HTTP/1.2"):  # the interim answer is always HTTP/1.1
            with self.subTest(version):
                answer = self.exchange(b"POST / " + version + b"\r\nHost: h\r\nExpect: 100-continue\r\n"
                                       b"Content-Length: 0\r\n\r\n")
                self.assertTrue(answer.startswith(b"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n"), answer[:80])

    def test_continue_arrives_while_the_body_is_held_back(self):
        # A client that sends its body only after the interim answer gets it at once: held back
        # for a packet to fill, it would come only after a delay of the system's (200 ms here).
        # A stall of the machine could delay one try past the bound, never three.
        waits = []
        for _ in range(3):
            with connect("127.0.0.1", self.port, timeout=5) as s:
                s.sendall(b"POST / HTTP/1.1\r\nHost: h\r\nExpect: 100-continue\r\nContent-Length: 5\r\n\r\n")
                start = time.monotonic()
                interim = b""
                while not interim.endswith(b"\r\n\r\n"):
                    chunk = s.recv(1)
                    self.assertTrue(chunk, interim)
                    interim += chunk
                waits.append(time.monotonic() - start)
                self.assertEqual(interim, b"HTTP/1.1 100 Continue\r\n\r\n")
                s.sendall(b"hello")
                self.assertTrue(read_all(s).startswith(b"HTTP/1.1 200 OK\r\n"))
        self.assertLess(min(waits), 0.15, waits)

    def test_end_of_input_is_not_body_data(self):
        # The head and the client's half-close arrive in one segment: the end of input is
        # already there when the server looks for body bytes, and none follows.
        cases = [
            ("POST without length or body", b"POST / HTTP/1.1\r\nHost: h\r\n\r\n", b"HTTP/1.1 200 OK\r\n"),
            ("Expect other than 100-continue", b"POST / HTTP/1.1\r\nHost: h\r\nExpect: junk\r\n\r\n",
             b"HTTP/1.1 417 Expectation Failed\r\n"),
            ("Expect 100-continue", b"POST / HTTP/1.1\r\nHost: h\r\nExpect: 100-continue\r\nContent-Length: 0\r\n\r\n",
             b"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n"),
        ]
        for name, request, start in cases:
            with self.subTest(name):
                s = connect("127.0.0.1", self.port)
                with s:
                    s.setsockopt(socket.IPPROTO_TCP, socket.TCP_CORK, 1)
                    s.sendall(request)
                    s.shutdown(socket.SHUT_WR)  # sends the held head with the FIN
                    answer = read_all(s)
                self.assertTrue(answer.startswith(start), answer[:80])


if __name__ == "__main__":
    unittest.main()
