"""Starts the real quillara executable, copied with its web root into a temporary folder, with a
temporary Wine prefix, and talks to it over real sockets."""
import os
import queue
import shutil
import signal
import socket
import subprocess
import tempfile
import threading
import time

BIN = os.environ.get("QUILLARA_BIN", os.path.join(os.path.dirname(__file__), "../../build/bin"))
FIXTURES = os.environ.get("QUILLARA_FIXTURES", os.path.join(os.path.dirname(__file__), "../fixtures"))


def free_port():
    with socket.socket(socket.AF_INET6, socket.SOCK_STREAM) as s:
        s.bind(("::", 0))
        return s.getsockname()[1]


def connect(host, port, timeout=5):
    family = socket.AF_INET6 if ":" in host else socket.AF_INET
    s = socket.socket(family, socket.SOCK_STREAM)
    s.settimeout(timeout)
    s.connect((host, port))
    return s


def can_connect(host, port):
    try:
        connect(host, port, 2).close()
        return True
    except OSError:
        return False


class Quillara:
    """One headless server process with its own copy of the program and its own prefix."""

    def __init__(self, port_text, prefix_fixture=None, workdir=None, env=None, args=(), preexec=None,
                 access_log=True):
        self.dir = workdir or tempfile.mkdtemp(prefix="quillara-acc-")
        self.app = os.path.join(self.dir, "app")
        if not os.path.exists(self.app):
            shutil.copytree(BIN, self.app, symlinks=True)
        self.prefix = os.path.join(self.dir, "prefix")
        if prefix_fixture and not os.path.exists(self.prefix):
            shutil.copytree(os.path.join(FIXTURES, "prefixes", prefix_fixture), self.prefix, symlinks=True)
        extra_env = env
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env["WINEPREFIX"] = self.prefix
        env.update(extra_env or {})
        # The access log goes to a file unless the test asks otherwise, so that standard output
        # carries only the state lines the tests read.
        self.access_log = os.path.join(self.dir, "access.log")
        if access_log:
            args = ["--access-log", self.access_log, *args]
        self.proc = subprocess.Popen(
            [os.path.join(self.app, "quillara"), "--headless", "--port", port_text, *args],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env, preexec_fn=preexec)
        self.lines = queue.Queue()
        self.errors = queue.Queue()
        threading.Thread(target=self._pump, args=(self.proc.stdout, self.lines), daemon=True).start()
        threading.Thread(target=self._pump, args=(self.proc.stderr, self.errors), daemon=True).start()

    @staticmethod
    def _pump(stream, q):
        for raw in stream:
            q.put(raw.decode("utf-8", "replace").rstrip("\r\n"))

    def next_line(self, timeout=10, errors=False):
        return (self.errors if errors else self.lines).get(timeout=timeout)

    def expect(self, *expected, timeout=10):
        got = [self.next_line(timeout) for _ in expected]
        assert got == list(expected), f"expected {expected}, got {got}"

    def send(self, command):
        self.proc.stdin.write((command + "\n").encode())
        self.proc.stdin.flush()

    def wait(self, timeout=10):
        return self.proc.wait(timeout)

    def close(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGKILL)
            self.proc.wait()
        for s in (self.proc.stdin, self.proc.stdout, self.proc.stderr):
            try:
                s.close()
            except OSError:
                pass
        shutil.rmtree(self.dir, ignore_errors=True)


def wait_until(predicate, timeout=5):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if predicate():
            return True
        time.sleep(0.05)
    return predicate()


def raw_exchange(port, data, host="127.0.0.1", timeout=5, shut_write=False):
    """Sends bytes, reads until the server closes; returns what came back."""
    s = connect(host, port, timeout)
    try:
        s.sendall(data)
        if shut_write:
            s.shutdown(socket.SHUT_WR)
        chunks = []
        while True:
            try:
                chunk = s.recv(65536)
            except ConnectionResetError:
                break
            if not chunk:
                break
            chunks.append(chunk)
        return b"".join(chunks)
    finally:
        s.close()


def split_response(data):
    """(status line, [(name, value)], body) of one raw response."""
    head, _, body = data.partition(b"\r\n\r\n")
    lines = head.decode("latin-1").split("\r\n")
    headers = [tuple(line.split(": ", 1)) for line in lines[1:] if line]
    return lines[0], headers, body


class ServerFixture:
    """One headless server for a whole test class; list it before unittest.TestCase."""
    fixture_prefix = "win64"
    fixture_env = None
    fixture_args = ()

    @classmethod
    def setUpClass(cls):
        cls.start_server(cls.fixture_prefix, cls.fixture_env)

    @classmethod
    def tearDownClass(cls):
        cls.stop_server()

    @classmethod
    def start_server(cls, prefix="win64", env=None):
        cls.port = free_port()
        cls.server = Quillara(str(cls.port), prefix, env=env, args=cls.fixture_args)
        for _ in range(3):
            cls.server.next_line()

    @classmethod
    def stop_server(cls):
        cls.server.send("Termina")
        cls.server.wait()
        cls.server.close()
