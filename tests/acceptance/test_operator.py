"""The operator's side of the program: the command line and the access log."""
import os
import re
import signal
import subprocess
import threading
import unittest

from quillara_process import (WAIT_SCALE, WINE, Quillara, free_port, linux_only, program, program_env,
                              raw_exchange, split_response, wait_until)

LINE = re.compile(r'^(\S+) - - \[\d{2}/\w{3}/\d{4}:\d{2}:\d{2}:\d{2} [+-]\d{4}\] '
                  r'"((?:[^"\\\x00-\x1f\x7f-\xff]|\\x[0-9A-F]{2})*)" (\d{3}) (\d+|-) (\d+)$')


def run(*args):
    r = subprocess.run(program(*args), capture_output=True, timeout=20 * WAIT_SCALE, env=program_env())
    if WINE:  # a Windows console program ends its lines with CR LF
        r.stdout, r.stderr = r.stdout.replace(b"\r\n", b"\n"), r.stderr.replace(b"\r\n", b"\n")
    return r


def log_lines(path):
    if not os.path.exists(path):
        return []
    with open(path, "rb") as f:
        return f.read().decode("ascii").splitlines()


class CommandLineTest(unittest.TestCase):
    def test_help_version_and_unknown_options(self):
        r = run("--help")
        self.assertEqual((r.returncode, r.stderr), (0, b""))
        lines = r.stdout.decode().splitlines()
        self.assertTrue(lines[0].startswith("usage: quillara"))
        options = [line.split()[0] for line in lines[1:]]
        self.assertEqual(options, ["--headless", "--port", "--access-log", "--limit", "--help", "--version"])
        r = run("--version")
        self.assertEqual(r.returncode, 0)
        self.assertRegex(r.stdout.decode(), r"^quillara \d+\.\d+\.\d+\n$")
        for args in (["--bogus"], ["--port"], ["-h"], ["--limit", "session-timeout=0"],
                     ["--limit", "session-timeout=1s"], ["--limit", "session-timeout="]):
            with self.subTest(args=args):
                r = run(*args)
                self.assertEqual((r.returncode, r.stdout), (2, b""))
                self.assertTrue(r.stderr.startswith(b"usage: quillara"))

    def test_an_access_log_that_cannot_be_opened_stops_the_start(self):
        r = run("--headless", "--port", str(free_port()), "--access-log", "/nonexistent-folder/access.log")
        self.assertEqual(r.returncode, 1)
        self.assertIn(b"Cannot open the access log", r.stderr)


class AccessLogTest(unittest.TestCase):
    def start(self, access_log=True):
        port = free_port()
        q = Quillara(str(port), "win64", access_log=access_log)
        self.addCleanup(q.close)
        for _ in range(3):
            q.next_line()
        return q, port

    def get(self, port, raw):
        return raw_exchange(port, raw)

    def test_one_line_per_answered_request(self):
        q, port = self.start()
        page = self.get(port, b"GET / HTTP/1.1\r\nHost: h\r\n\r\n")
        self.get(port, b"HEAD /css/quillara.css HTTP/1.1\r\nHost: h\r\n\r\n")
        self.get(port, b'GET /a"b\x01\xc3\xa8 HTTP/1.1\r\nHost: h\r\n\r\n')
        self.get(port, b"GARBAGE\r\n\r\n")  # closed without an answer: no line
        # many clients at once: no line lost, none mixed with another
        def client(n):
            for i in range(25):
                self.get(port, b"GET /dataserver/rest/TServerMethods1/EchoString/%d-%d HTTP/1.1\r\nHost: h\r\n\r\n" % (n, i))
        threads = [threading.Thread(target=client, args=(n,)) for n in range(8)]
        for t in threads:
            t.start()
        for t in threads:
            t.join(60)
        self.assertTrue(wait_until(lambda: len(log_lines(q.access_log)) >= 203, 10 * WAIT_SCALE))
        lines = log_lines(q.access_log)
        self.assertEqual(len(lines), 203)
        fields = []
        for line in lines:
            m = LINE.match(line)
            self.assertIsNotNone(m, line)
            fields.append(m.groups())
        _, _, body = split_response(page)
        self.assertEqual(fields[0], ("127.0.0.1", "GET / HTTP/1.1", "200", str(len(body)), fields[0][4]))
        self.assertEqual(fields[1][1:4], ("HEAD /css/quillara.css HTTP/1.1", "200", "-"))
        self.assertEqual(fields[2][1], "GET /a\\x22b\\x01\\xC3\\xA8 HTTP/1.1")
        echoed = sorted(f[1] for f in fields[3:])
        self.assertEqual(echoed, sorted("GET /dataserver/rest/TServerMethods1/EchoString/%d-%d HTTP/1.1" % (n, i)
                                        for n in range(8) for i in range(25)))
        self.assertTrue(all(f[2] == "200" for f in fields[3:]))

    @linux_only("Windows has no hang-up signal; log rotation there copies and truncates")
    def test_hang_up_reopens_the_file_for_log_rotation(self):
        q, port = self.start()
        self.get(port, b"GET /first.html HTTP/1.1\r\nHost: h\r\n\r\n")
        self.assertTrue(wait_until(lambda: len(log_lines(q.access_log)) == 1, 10))
        os.rename(q.access_log, q.access_log + ".1")
        q.proc.send_signal(signal.SIGHUP)
        self.assertTrue(wait_until(lambda: q.proc.poll() is None, 0.5))
        self.get(port, b"GET /second.html HTTP/1.1\r\nHost: h\r\n\r\n")
        self.assertTrue(wait_until(lambda: len(log_lines(q.access_log)) == 1, 10))
        self.assertIn("/second.html", log_lines(q.access_log)[0])
        self.assertIn("/first.html", log_lines(q.access_log + ".1")[0])
        self.assertEqual(len(log_lines(q.access_log + ".1")), 1)

    def test_headless_logs_to_standard_output_by_default(self):
        q, port = self.start(access_log=False)
        self.get(port, b"GET /x.html HTTP/1.1\r\nHost: h\r\n\r\n")
        line = q.next_line()
        self.assertRegex(line, LINE)
        self.assertIn('"GET /x.html HTTP/1.1" 404', line)
        q.send("Arresta")
        self.assertEqual(q.next_line(), "Server non in funzione")


if __name__ == "__main__":
    unittest.main()
