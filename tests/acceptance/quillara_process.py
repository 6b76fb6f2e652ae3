"""Starts the real quillara executable, copied with its web root into a temporary folder, with a
temporary Wine prefix, and talks to it over real sockets.

With QUILLARA_WINE set (the wine64 loader) the program is the Windows build, quillara.exe, run
under Wine in the prefix QUILLARA_WINE_PREFIX that the test run created: the fixture's registry
values are written into that prefix's real registry with Wine's reg command, and its drive C:
gets the fixture's folders."""
import os
import re
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
WINE = os.environ.get("QUILLARA_WINE", "")
WINE_PREFIX = os.environ.get("QUILLARA_WINE_PREFIX", "")


EXPORTER_STUB = os.environ.get("QUILLARA_EXPORTER_STUB", "")
# A Windows program under Wine takes seconds to start on a loaded machine: waits grow with it.
WAIT_SCALE = 4 if WINE else 1
# The signals that stop the headless program: Wine turns SIGINT into the console's Ctrl+C, while
# SIGTERM ends a Windows process at once, as the system has no such request.
STOP_SIGNALS = (signal.SIGINT,) if WINE else (signal.SIGTERM, signal.SIGINT)
# The system's own texts inside the program's messages, by meaning.
SYSTEM_TEXT = {
    "is a directory": "Directory name invalid." if WINE else "Is a directory",
}


def sanitized():
    """True when the program under test is built with AddressSanitizer: its allocator and its
    descriptors are not those of the plain program."""
    path = os.path.join(BIN, "quillara")
    if not os.path.exists(path):
        return False
    with open(path, "rb") as f:
        return b"__asan_init" in f.read()


def linux_only(reason):
    """Skips a test in the Windows run, saying why it only applies to the Linux program."""
    import unittest
    return unittest.skipIf(bool(WINE), "Linux only: " + reason)


def program(*args):
    """The command that runs the program with these arguments."""
    if WINE:
        return [WINE, os.path.join(BIN, "quillara.exe"), *args]
    return [os.path.join(BIN, "quillara"), *args]


def program_env():
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    if WINE:
        env.update(WINEPREFIX=WINE_PREFIX, WINEDEBUG="-all")
    return env


def install_exporter(path, script):
    """Puts an exporter that runs the shell script at path: the script itself on Linux, on Windows
    a small program that carries out the script's lines."""
    if WINE:
        shutil.copyfile(EXPORTER_STUB, path)
        with open(os.path.splitext(path)[0] + ".sh", "w") as f:
            f.write(script)
        return
    with open(path, "w") as f:
        f.write(script)
    os.chmod(path, 0o700)


class WinePrefix:
    """The run's one Wine prefix, loaded with one fixture at a time."""
    loaded = object()  # the fixture whose registry values and folders the prefix holds now
    folders = set()

    @staticmethod
    def env():
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env.update(WINEPREFIX=WINE_PREFIX, WINEDEBUG="-all")
        return env

    @classmethod
    def reg(cls, *args, check=True):
        # Wine's reg now and then fails once right after heavy use of the prefix; a second try
        # tells that apart from a real failure.
        for last in (False, True):
            done = subprocess.run([WINE, "reg"] + list(args), env=cls.env(), check=check and last,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if done.returncode == 0 or not check:
                return
            time.sleep(0.5)

    @classmethod
    def load(cls, fixture):
        if fixture == cls.loaded:
            return
        drive_c = os.path.join(WINE_PREFIX, "drive_c")
        for name in cls.folders:
            shutil.rmtree(os.path.join(drive_c, name), ignore_errors=True)
        cls.folders = set()
        for root, view in (("HKLM", "/reg:32"), ("HKLM", "/reg:64"), ("HKCU", "/reg:64")):
            cls.reg("delete", root + "\\Software\\Tavernis", "/f", view, check=False)
        if fixture:
            source = os.path.join(FIXTURES, "prefixes", fixture)
            for hive, root in (("system.reg", "HKLM"), ("user.reg", "HKCU")):
                path = os.path.join(source, hive)
                if os.path.exists(path):
                    for key, view, name, kind, data in cls.hive_values(path):
                        if name is None:
                            cls.reg("add", root + "\\" + key, "/f", view)
                        else:
                            cls.reg("add", root + "\\" + key, "/v", name, "/t", kind, "/d", data, "/f", view)
            fixture_c = os.path.join(source, "drive_c")
            if os.path.isdir(fixture_c):
                shutil.copytree(fixture_c, drive_c, dirs_exist_ok=True)
                cls.folders = set(os.listdir(fixture_c))
        cls.loaded = fixture

    @staticmethod
    def unescape(text):
        return re.sub(r"\\(x[0-9a-fA-F]{1,4}|.)",
                      lambda m: chr(int(m.group(1)[1:], 16)) if m.group(1)[0] == "x" and len(m.group(1)) > 1
                      else m.group(1), text)

    @classmethod
    def hive_values(cls, path):
        """(key, view, name, type, data) of each key and value in a fixture hive file; name None
        for the key itself. In a 64-bit prefix a machine key below Wow6432Node is the 32-bit
        view's, in a 32-bit prefix every key is; reg writes that view with /reg:32."""
        key = None
        with open(path, encoding="utf-8") as f:
            lines = [line.rstrip("\n") for line in f]
        win64 = any(line.startswith("#arch=win64") for line in lines)
        for line in lines:
            header = re.match(r"^\[(.*)\]", line)
            if header:
                parts = cls.unescape(header.group(1)).split("\\")
                view = "/reg:64" if win64 else "/reg:32"
                if win64 and len(parts) > 1 and parts[1].lower() == "wow6432node":
                    view, parts = "/reg:32", parts[:1] + parts[2:]
                key = "\\".join(parts)
                yield key, view, None, None, None
                continue
            value = re.match(r'^"((?:[^"\\]|\\.)*)"=(.*)$', line)
            if not key or not value:
                continue
            name, data = cls.unescape(value.group(1)), value.group(2)
            text = re.match(r'^(?:str\(2\):)?"(.*)"$', data)
            if text:
                kind = "REG_EXPAND_SZ" if data.startswith("str(2)") else "REG_SZ"
                yield key, view, name, kind, cls.unescape(text.group(1))
            elif data.startswith("dword:"):
                yield key, view, name, "REG_DWORD", str(int(data[6:], 16))


def free_port():
    with socket.socket(socket.AF_INET6, socket.SOCK_STREAM) as s:
        s.bind(("::", 0))
        return s.getsockname()[1]


def connect(host, port, timeout=5):
    family = socket.AF_INET6 if ":" in host else socket.AF_INET
    s = socket.socket(family, socket.SOCK_STREAM)
    try:
        s.settimeout(timeout)
        s.connect((host, port))
    except OSError:
        s.close()
        raise
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
        if WINE:
            # A restart in the same folder keeps what the earlier run left in the prefix.
            if not workdir:
                WinePrefix.load(prefix_fixture)
            self.prefix = WINE_PREFIX
        elif prefix_fixture and not os.path.exists(self.prefix):
            shutil.copytree(os.path.join(FIXTURES, "prefixes", prefix_fixture), self.prefix, symlinks=True)
        extra_env = env
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env["WINEPREFIX"] = self.prefix
        if WINE:
            env["WINEDEBUG"] = "-all"
        env.update(extra_env or {})
        # The access log goes to a file unless the test asks otherwise, so that standard output
        # carries only the state lines the tests read.
        self.access_log = os.path.join(self.dir, "access.log")
        if access_log:
            args = ["--access-log", self.access_log, *args]
        if WINE:
            program = [WINE, os.path.join(self.app, "quillara.exe")]
        else:
            program = [os.path.join(self.app, "quillara")]
        self.proc = subprocess.Popen(
            program + ["--headless", "--port", port_text, *args],
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
        return (self.errors if errors else self.lines).get(timeout=timeout * WAIT_SCALE)

    def expect(self, *expected, timeout=10):
        got = [self.next_line(timeout) for _ in expected]
        assert got == list(expected), f"expected {expected}, got {got}"

    def send(self, command):
        self.proc.stdin.write((command + "\n").encode())
        self.proc.stdin.flush()

    def wait(self, timeout=10):
        return self.proc.wait(timeout * WAIT_SCALE)

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
    """Polls predicate until it holds or timeout seconds pass; returns its last value."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if predicate():
            return True
        time.sleep(0.05)
    return predicate()


def wait_settled(measure, still=0.3, timeout=10):
    """Polls measure until its value has not changed for still seconds (or timeout seconds
    pass); returns the value."""
    end = time.monotonic() + timeout
    value, since = measure(), time.monotonic()
    while time.monotonic() < end:
        time.sleep(0.05)
        now = measure()
        if now != value:
            value, since = now, time.monotonic()
        elif time.monotonic() - since >= still:
            break
    return value


def open_descriptors(pid, kind=""):
    """How many descriptors the process holds whose target starts with kind ("socket:" for its
    sockets), read from /proc; None where that cannot be seen."""
    try:
        names = os.listdir(f"/proc/{pid}/fd")
    except OSError:
        return None
    count = 0
    for name in names:
        try:
            count += os.readlink(f"/proc/{pid}/fd/{name}").startswith(kind)
        except OSError:
            pass  # closed meanwhile
    return count


def wait_for_sockets(pid, count, timeout=10, fallback=0.5):
    """Waits until the process holds at least count sockets, that is until it has accepted the
    connections a test opened. The Windows program's sockets are not seen that way: there it
    waits fallback seconds."""
    if WINE or open_descriptors(pid, "socket:") is None:
        time.sleep(fallback * WAIT_SCALE)
        return True
    return wait_until(lambda: open_descriptors(pid, "socket:") >= count, timeout * WAIT_SCALE)


def unread_by_server(server_port, client):
    """Bytes the client sent on its connection that the server has not read yet, from the
    kernel's table of TCP connections; None when the connection is not found there."""
    client_port = client.getsockname()[1]
    for table in ("/proc/net/tcp", "/proc/net/tcp6"):
        try:
            with open(table) as f:
                rows = f.read().splitlines()[1:]
        except OSError:
            continue
        for row in rows:
            fields = row.split()
            local, remote = int(fields[1].rsplit(":", 1)[1], 16), int(fields[2].rsplit(":", 1)[1], 16)
            if local == server_port and remote == client_port:
                return int(fields[4].split(":")[1], 16)
    return None


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
