"""What a client can reach on disk through the server, tried as a careless or hostile client would:
unset data folders, names and links that lead out, control bytes in static paths, folders asked
for as files, uploads that fail half way, a product list shared by many callers, and request
text placed into pages."""
import http.client
import json
import os
import re
import resource
import signal
import threading
import time
import unittest
import urllib.parse

from quillara_process import (SYSTEM_TEXT, WAIT_SCALE, Quillara, ServerFixture, free_port, install_exporter,
                              linux_only, raw_exchange, split_response, wait_until)

M = "/dataserver/rest/TServerMethods1"


def call(port, method, path, body=None, headers=None, timeout=30):
    conn = http.client.HTTPConnection("127.0.0.1", port, timeout=timeout)
    conn.request(method, path, body=body, headers=headers or {})
    r = conn.getresponse()
    data = r.read()
    conn.close()
    return r.status, dict(r.getheaders()), data


def put_file(port, name, content):
    body = json.dumps({"contenuto": content})
    status, _, data = call(port, "POST", M + "/%22PutFile%22/" + urllib.parse.quote(name, safe=""), body)
    return status, json.loads(data)


class UnsetFoldersTest(unittest.TestCase):
    """A registry without Brontal's keys leaves both folders empty."""

    def test_every_file_method_fails_and_nothing_outside_is_touched(self):
        port = free_port()
        q = Quillara(str(port), None)
        self.addCleanup(q.close)
        for _ in range(3):
            q.next_line()
        status, _, data = call(port, "GET", M + "/ListaFiles494")
        self.assertEqual((status, json.loads(data)), (500, {"error": "The folder setting ExportPath is not set"}))
        status, _, data = call(port, "GET", M + "/LeggiFile494/etc%2Fpasswd")
        self.assertEqual(json.loads(data), {"error": "The folder setting ExportPath is not set"})
        status, headers, data = call(port, "GET", M + "/GetFile/etc%2Fpasswd")
        self.assertEqual((status, data), (200, b"Errore: The folder setting ExportPath is not set"))
        name = "quillara-acc-%d.txt" % os.getpid()
        self.assertEqual(put_file(port, name, "x"), (200, {"result": ["The folder setting ImportPath is not set"]}))
        self.assertFalse(os.path.exists("/" + name))
        self.assertFalse(os.path.exists(os.path.join(q.app, name)))


class DataFoldersTest(ServerFixture, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.export = os.path.join(cls.server.prefix, "drive_c", "Brontal", "Export")
        cls.imports = os.path.join(cls.server.prefix, "drive_c", "Brontal", "Import")
        cls.outside = os.path.join(cls.server.dir, "outside")
        os.makedirs(cls.outside)
        with open(os.path.join(cls.outside, "secret.xml"), "w") as f:
            f.write("secret")

    @linux_only("Unix symbolic links are invisible through Wine: Windows sees the linked files themselves")
    def test_names_and_links_that_lead_out_are_refused(self):
        inside = "The file name must name a file inside the folder: "
        for folder in (self.export, self.imports):
            for link, target in (("out", self.outside), ("link.xml", os.path.join(self.outside, "secret.xml"))):
                if not os.path.lexists(os.path.join(folder, link)):
                    os.symlink(target, os.path.join(folder, link))
        cases = [
            ("../Import/a.xml", inside + "../Import/a.xml"),
            ("out/secret.xml", inside + "out/secret.xml"),
            ("link.xml", inside + "link.xml"),
            ("a:b", "The path format is not supported"),
            ("a\x01b.xml", "Invalid characters in path"),
        ]
        for name, message in cases:
            with self.subTest(name=name):
                quoted = urllib.parse.quote(name, safe="")
                _, _, data = call(self.port, "GET", M + "/LeggiFile494/" + quoted)
                self.assertEqual(json.loads(data), {"error": message})
                _, _, data = call(self.port, "GET", M + "/GetFile/" + quoted)
                self.assertEqual(data, b"Errore: " + message.encode())
                self.assertEqual(put_file(self.port, name, "overwritten"), (200, {"result": [message]}))
        with open(os.path.join(self.outside, "secret.xml")) as f:
            self.assertEqual(f.read(), "secret")

    def test_parallel_uploads_of_one_name_never_mix(self):
        contents = ["%d" % n * (256 * 1024) for n in range(8)]
        results = []
        lock = threading.Lock()

        def upload(content):
            for _ in range(4):
                r = put_file(self.port, "same.xml", content)
                with lock:
                    results.append(r)

        threads = [threading.Thread(target=upload, args=(c,)) for c in contents]
        for t in threads:
            t.start()
        for t in threads:
            t.join(60)
        self.assertEqual(len(results), 32)
        for status, body in results:
            self.assertEqual(status, 200, body)
            self.assertRegex(body["result"][0], r'^(OK|Cannot create file ".*same\.xml"\. .+)$')
        self.assertIn((200, {"result": ["OK"]}), results)
        with open(os.path.join(self.imports, "same.xml"), "rb") as f:
            self.assertIn(f.read()[3:].decode(), contents)
        self.assertEqual([n for n in os.listdir(self.imports) if n.startswith(".quillara")], [])

    @linux_only("Unix symbolic links are invisible through Wine, and a file name that is not UTF-8 has no "
                "Windows form")
    def test_listing_visits_each_folder_once_and_stays_inside(self):
        loop = os.path.join(self.export, "Sub", "loop")
        os.makedirs(os.path.dirname(loop), exist_ok=True)
        os.symlink(self.export, loop)
        away = os.path.join(self.export, "away")
        os.symlink(self.outside, away)
        with open(os.path.join(self.export, "once.xml"), "w") as f:
            f.write("<a/>")
        odd = os.path.join(self.export.encode(), b"\xff.xml")
        with open(odd, "w") as f:
            f.write("<a/>")
        try:
            _, _, data = call(self.port, "GET", M + "/ListaFiles494")
            names = [x["nome"] for x in json.loads(json.loads(data)["result"][0])["file"]]
            self.assertEqual(names.count("once.xml"), 1, names)
            self.assertNotIn("secret.xml", names)
            self.assertFalse(any("\ufffd" in n for n in names), names)
            _, _, body = call(self.port, "GET", M + "/GetFile/once.xml")
            self.assertEqual(body, b"<a/>")
        finally:
            for p in (loop, away, odd, os.path.join(self.export, "once.xml")):
                os.remove(p)

    def test_names_outside_ascii_are_listed_read_and_uploaded(self):
        # On Windows the program must hand such names to the system in UTF-16: in the ANSI code
        # page their UTF-8 bytes name another file.
        name = "Citt\u00e0 \u20ac.xml"
        quoted = urllib.parse.quote(name, safe="")
        source = os.path.join(self.export, name)
        with open(source, "wb") as f:
            f.write("\ufeff<a>\u00e8</a>".encode("utf-8"))
        uploaded = os.path.join(self.imports, name)
        self.addCleanup(lambda: [os.remove(p) for p in (source, uploaded) if os.path.exists(p)])
        _, _, data = call(self.port, "GET", M + "/ListaFiles494")
        names = [x["nome"] for x in json.loads(json.loads(data)["result"][0])["file"]]
        self.assertIn(name, names)
        _, _, data = call(self.port, "GET", M + "/LeggiFile494/" + quoted)
        self.assertEqual(json.loads(json.loads(data)["result"][0]), {"file": [{"contenuto": "<a>\u00e8</a>"}]})
        status, _, body = call(self.port, "GET", M + "/GetFile/" + quoted)
        self.assertEqual((status, body), (200, "\ufeff<a>\u00e8</a>".encode("utf-8")))
        self.assertEqual(put_file(self.port, name, "<b>\u20ac</b>"), (200, {"result": ["OK"]}))
        with open(uploaded, "rb") as f:
            self.assertEqual(f.read(), "\ufeff<b>\u20ac</b>".encode("utf-8"))

    def test_a_folder_is_not_sent_as_a_file(self):
        status, headers, data = call(self.port, "GET", M + "/GetFile/Sub")
        self.assertEqual(status, 200)
        self.assertRegex(data.decode(),
                         r'^Errore: Cannot open file ".*Sub"\. ' + re.escape(SYSTEM_TEXT["is a directory"]) + "$")
        self.assertEqual(int(headers["Content-Length"]), len(data))

    def test_control_bytes_in_a_static_path_are_not_found(self):
        for path in ("/quillara%00.css", "/css/quillara.css%00.html", "/css%00/quillara.css", "/css/quillara%0A.css"):
            with self.subTest(path=path):
                line, _, body = split_response(raw_exchange(self.port, b"GET " + path.encode() + b" HTTP/1.1\r\nHost: h\r\n\r\n"))
                self.assertEqual(line, "HTTP/1.1 404 Not Found")
                self.assertNotIn(b"ELF", body)

    def test_request_headers_are_escaped_in_pages(self):
        data = raw_exchange(self.port, b"GET / HTTP/1.1\r\nHost: <script>alert('x')</script>:80\r\n\r\n")
        line, _, body = split_response(data)
        self.assertEqual(line, "HTTP/1.1 200 OK")
        self.assertNotIn(b"<script>", body)
        self.assertIn(b"&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;", body)


class FailedUploadTest(unittest.TestCase):
    """A write that fails half way (here: past the process's file-size limit) leaves the file
    that was there untouched and nothing half-written beside it."""

    @linux_only("the file size limit is set with setrlimit, which Windows has no counterpart of")
    def test_failed_write_keeps_the_old_file(self):
        def limit():
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (64 * 1024, 64 * 1024))

        port = free_port()
        q = Quillara(str(port), "win64", preexec=limit)
        self.addCleanup(q.close)
        for _ in range(3):
            q.next_line()
        imports = os.path.join(q.prefix, "drive_c", "Brontal", "Import")
        self.assertEqual(put_file(port, "ordine.xml", "<old/>"), (200, {"result": ["OK"]}))
        status, result = put_file(port, "ordine.xml", "x" * (200 * 1024))
        self.assertEqual(status, 200)
        self.assertRegex(result["result"][0], r'^Cannot create file ".*ordine\.xml"\. File too large$')
        with open(os.path.join(imports, "ordine.xml"), "rb") as f:
            self.assertEqual(f.read(), b"\xef\xbb\xbf<old/>")
        self.assertEqual([n for n in os.listdir(imports) if n != ".keep"], ["ordine.xml"])
        self.assertEqual(q.proc.poll(), None)  # the limit did not end the server


class ProductListTest(ServerFixture, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.folder = os.path.join(cls.server.prefix, "drive_c", "orsolan", "Pellandro", "STIVALO")
        os.makedirs(os.path.join(cls.folder, "json"), exist_ok=True)
        cls.exporter = os.path.join(cls.folder, "stivalo.exe")

    def write_exporter(self, script):
        install_exporter(self.exporter, "#!/bin/sh\necho run >> runs.txt\n" + script)
        runs = os.path.join(self.folder, "runs.txt")
        if os.path.exists(runs):
            os.remove(runs)

    def runs(self):
        with open(os.path.join(self.folder, "runs.txt")) as f:
            return len(f.read().split())

    def parallel(self, count, path):
        answers = []
        lock = threading.Lock()

        def one():
            a = call(self.port, "GET", path, timeout=90)
            with lock:
                answers.append(a)

        threads = [threading.Thread(target=one) for _ in range(count)]
        for t in threads:
            t.start()
        return threads, answers

    def test_parallel_callers_share_one_run(self):
        self.write_exporter("sleep 1\nprintf '{\"n\":1}' > json/prodotti.json\n")
        threads, answers = self.parallel(6, M + "/ListaProdotti")
        for t in threads:
            t.join(30)
        self.assertEqual([(s, json.loads(d)) for s, _, d in answers], [(200, {"result": ['{"n":1}']})] * 6)
        self.assertEqual(self.runs(), 1)

    def test_waiting_callers_do_not_shut_out_others(self):
        # The exporter outlasts the echo calls however slowly the machine serves them.
        self.write_exporter("sleep %d\nprintf '{\"n\":2}' > json/prodotti.json\n" % (3 * WAIT_SCALE))
        threads, answers = self.parallel(40, M + "/ListaProdotti")
        # the callers are waiting once the exporter has started
        wait_until(lambda: os.path.exists(os.path.join(self.folder, "runs.txt")), timeout=10 * WAIT_SCALE)
        start = time.monotonic()
        for i in range(20):
            status, _, data = call(self.port, "GET", M + "/EchoString/%d" % i)
            self.assertEqual((status, json.loads(data)), (200, {"result": [str(i)]}))
        self.assertLess(time.monotonic() - start, 2.0 * WAIT_SCALE)
        for t in threads:
            t.join(30 * WAIT_SCALE)
        ok = [a for a in answers if a[0] == 200]
        self.assertGreaterEqual(len(ok), 1)
        self.assertTrue(all(json.loads(d) == {"result": ['{"n":2}']} for _, _, d in ok))
        refused = [json.loads(d)["error"] for s, _, d in answers if s != 200]
        self.assertEqual(set(refused) | {"The product list is being exported for other callers; please try again shortly"},
                         {"The product list is being exported for other callers; please try again shortly"})
        self.assertEqual(self.runs(), 1)

    def test_a_missing_exporter_fails_at_once(self):
        if os.path.exists(self.exporter):
            os.remove(self.exporter)
        start = time.monotonic()
        status, _, data = call(self.port, "GET", M + "/ListaProdotti")
        self.assertLess(time.monotonic() - start, 2.0)
        self.assertEqual((status, json.loads(data)), (500, {
            "error": "The product list exporter could not be started: c:\\orsolan\\pellandro\\stivalo\\stivalo.exe"}))


if __name__ == "__main__":
    unittest.main()
