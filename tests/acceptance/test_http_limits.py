"""What one hostile or broken client may hold of the server: threads (silent or non-reading
clients, too many connections), descriptors, memory for request bodies, and what a download
announces against what it sends."""
import os
import resource
import socket
import threading
import time
import unittest

import fcntl
import termios

from quillara_process import (ServerFixture, connect, linux_only, open_descriptors, raw_exchange, sanitized,
                              split_response, unread_by_server, wait_for_sockets, wait_settled, wait_until)

BIG = 16 << 20  # well above what loopback socket buffers hold in flight


def read_head(s):
    """(status line, headers dict, body bytes already received) of a response being read."""
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = s.recv(65536)
        if not chunk:
            break
        data += chunk
    line, headers, body = split_response(data)
    return line, dict(headers), body


def read_rest(s):
    """(bytes, how it ended): "closed" for an orderly end, "reset" for a failed transfer."""
    chunks = []
    while True:
        try:
            chunk = s.recv(1 << 20)
        except ConnectionResetError:
            return b"".join(chunks), "reset"
        if not chunk:
            return b"".join(chunks), "closed"
        chunks.append(chunk)


def slow_client(port, timeout=10):
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)  # keeps the server's send blocked
    s.settimeout(timeout)
    s.connect(("127.0.0.1", port))
    return s


def waiting_bytes(s):
    """Bytes received on the socket and not yet read."""
    return int.from_bytes(fcntl.ioctl(s.fileno(), termios.FIONREAD, b"\0\0\0\0"), "little")


def established(s):
    return s.getsockopt(socket.IPPROTO_TCP, socket.TCP_INFO, 8)[0] == 1  # TCP_ESTABLISHED


def cpu_seconds(pid):
    fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def ok(port):
    try:
        return split_response(raw_exchange(port, b"GET / HTTP/1.1\r\nHost: h\r\n\r\n"))[0] == "HTTP/1.1 200 OK"
    except OSError:
        return False


class DownloadLengthTest(ServerFixture, unittest.TestCase):
    """A file that changes while it is sent: exactly the announced bytes, or a failed transfer."""

    def test_file_changing_during_the_download(self):
        path = os.path.join(self.server.app, "big.png")

        def grow():
            with open(path, "ab") as f:
                f.write(b"b" * (4 << 20))

        def shrink():
            os.truncate(path, 1 << 20)

        for name, change, ending in (("grows", grow, "closed"), ("shrinks", shrink, "reset")):
            with self.subTest(name):
                with open(path, "wb") as f:
                    f.write(b"a" * BIG)
                s = slow_client(self.port)
                try:
                    s.sendall(b"GET /big.png HTTP/1.1\r\nHost: h\r\n\r\n")
                    line, headers, body = read_head(s)
                    self.assertEqual(line, "HTTP/1.1 200 OK")
                    self.assertEqual(headers["Content-Length"], str(BIG))
                    # the server is blocked a few MiB into the file once nothing more arrives
                    wait_settled(lambda: waiting_bytes(s))
                    change()
                    rest, how = read_rest(s)
                finally:
                    s.close()
                self.assertEqual(how, ending)
                received = len(body) + len(rest)
                if ending == "closed":
                    self.assertEqual(received, BIG)
                else:
                    self.assertLess(received, BIG)


class SendStallTest(ServerFixture, unittest.TestCase):
    """Clients that ask for a large file and never read it lose their connection after the send
    timeout, and with it the module they held."""
    fixture_args = ("--limit", "send-timeout=1")

    def test_non_reading_clients_do_not_lock_the_pool(self):
        with open(os.path.join(self.server.app, "big.png"), "wb") as f:
            f.write(b"a" * BIG)
        stalled = []
        try:
            for _ in range(33):  # one more than there are modules
                s = slow_client(self.port)
                s.sendall(b"GET /big.png HTTP/1.1\r\nHost: h\r\n\r\n")
                stalled.append(s)
            # all but the one left without a module have their answers stalled
            wait_until(lambda: sum(waiting_bytes(s) > 0 for s in stalled) >= 32, timeout=10)
            self.assertTrue(ok(self.port))  # waits for a module the stalled ones give up
            # Reading now would let a transfer move again: first see them all reset.
            self.assertTrue(wait_until(lambda: not any(established(s) for s in stalled), timeout=15))
            for s in stalled:
                _, headers, body = read_head(s)
                rest, how = read_rest(s)
                self.assertEqual(how, "reset")
                self.assertLess(len(body) + len(rest), BIG)
        finally:
            for s in stalled:
                s.close()


class IdleConnectionTest(ServerFixture, unittest.TestCase):
    """A connection that sends nothing is closed after the idle timeout; one that keeps sending,
    however slowly, is not."""
    fixture_args = ("--limit", "idle-timeout=1")

    def test_silent_connection_is_closed(self):
        s = connect("127.0.0.1", self.port, timeout=10)
        start = time.monotonic()
        try:
            rest, _ = read_rest(s)
        finally:
            s.close()
        self.assertEqual(rest, b"")
        self.assertLess(time.monotonic() - start, 5)

    def test_slow_sender_counts_idle_not_total_time(self):
        s = connect("127.0.0.1", self.port, timeout=10)
        try:
            for part in (b"GET / HTTP/1.1\r\n", b"Host: h\r\n", b"X: 1\r\n", b"X: 2\r\n", b"\r\n"):
                s.sendall(part)
                time.sleep(0.6)  # 3 s in all, never 1 s without a byte
            line, _, _ = read_head(s)
        finally:
            s.close()
        self.assertEqual(line, "HTTP/1.1 200 OK")


class ConnectionCapTest(ServerFixture, unittest.TestCase):
    """Past the connection cap a new connection gets a short 503 and is closed at once."""
    fixture_args = ("--limit", "max-connections=4")

    def test_connection_past_the_cap(self):
        sockets = open_descriptors(self.server.proc.pid, "socket:") or 0
        held = [connect("127.0.0.1", self.port) for _ in range(4)]
        try:
            wait_for_sockets(self.server.proc.pid, sockets + 4)
            answer = raw_exchange(self.port, b"GET / HTTP/1.1\r\nHost: h\r\n\r\n", timeout=5)
            line, headers, body = split_response(answer)
            self.assertEqual(line, "HTTP/1.1 503 Service Unavailable")
            self.assertIn(("Connection", "close"), headers)
            self.assertEqual(body, b"")
        finally:
            for s in held:
                s.close()
        self.assertTrue(wait_until(lambda: ok(self.port)))


@unittest.skipIf(sanitized(), "the sanitizers' own checks need descriptors, which this test uses up")
@linux_only("the descriptor limit is set with prlimit and read from /proc")
class DescriptorShortageTest(ServerFixture, unittest.TestCase):
    """Out of descriptors the listener backs off instead of spinning, and serves again once
    connections close."""

    def test_accept_failing_for_descriptors(self):
        pid = self.server.proc.pid
        in_use = len(os.listdir(f"/proc/{pid}/fd"))
        limit = in_use + 16
        resource.prlimit(pid, resource.RLIMIT_NOFILE, (limit, limit))
        clients = []
        try:
            for _ in range(40):  # more than the descriptors left: accept fails with EMFILE
                clients.append(connect("127.0.0.1", self.port))
            wait_settled(lambda: open_descriptors(pid))  # accepting until out of descriptors
            before, start = cpu_seconds(pid), time.monotonic()
            time.sleep(1.5)
            used = (cpu_seconds(pid) - before) / (time.monotonic() - start)
            self.assertLess(used, 0.2, "share of a core used while out of descriptors")
        finally:
            for s in clients:
                s.close()
        self.assertTrue(wait_until(lambda: ok(self.port), timeout=10))


class BodyBudgetTest(ServerFixture, unittest.TestCase):
    """Large request bodies in flight share one memory budget: past it a new one is refused with
    503 before any of it is read; small bodies and later large ones go through."""

    def head(self, framing):
        s = connect("127.0.0.1", self.port, timeout=5)
        s.sendall(b"POST / HTTP/1.1\r\nHost: h\r\n" + framing)
        return s

    def refused(self, s):
        s.settimeout(1)
        try:
            return read_head(s)[0] == "HTTP/1.1 503 Service Unavailable"
        except socket.timeout:
            return False  # waiting for the body: admitted

    def test_budget_for_bodies_in_flight(self):
        declared = b"Content-Length: %d\r\n\r\n" % (200 << 20)
        chunked = b"Transfer-Encoding: chunked\r\n\r\n%x\r\n" % (200 << 20)
        held = [self.head(declared), self.head(declared)]  # 400 MiB of 512 taken
        try:
            # taken once the server has read both heads
            wait_until(lambda: all(unread_by_server(self.port, h) in (0, None) for h in held))
            for name, framing in (("declared length", declared), ("chunk size", chunked)):
                with self.subTest(name):
                    s = self.head(framing)
                    with s:
                        self.assertTrue(self.refused(s))
            small = raw_exchange(self.port, b"POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 5\r\n\r\nhello")
            self.assertEqual(split_response(small)[0], "HTTP/1.1 200 OK")
        finally:
            for h in held:
                h.close()

        def admitted():
            with self.head(declared) as s:
                return not self.refused(s)
        self.assertTrue(wait_until(admitted))


if __name__ == "__main__":
    unittest.main()
