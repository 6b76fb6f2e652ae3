"""What one hostile client can make a REST call cost: time for a short query, memory for a body
or a download, file handles for downloads, and what cached results answer later."""
import http.client
import json
import os
import threading
import time
import unittest

from quillara_process import ServerFixture, linux_only, sanitized, wait_until

M = "/dataserver/rest/TServerMethods1"
CONVERTER = ("Query parameter %s (%s) is not accepted as a valid converter. The converter type might not be "
             "registered yet hence the request is rejected")
CONFLICT = "Query parameters are conflicting. This is usually due to references on the same output parameter"


class RestClient(ServerFixture):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.export = os.path.join(cls.server.prefix, "drive_c", "Brontal", "Export")
        os.makedirs(cls.export, exist_ok=True)

    def call(self, method, path, body=None, headers=None, timeout=10):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)
        try:
            conn.request(method, path, body=body, headers=headers or {})
            r = conn.getresponse()
            return r.status, r.reason, dict(r.getheaders()), r.read()
        finally:
            conn.close()

    def write_export(self, name, data):
        with open(os.path.join(self.export, name), "wb") as f:
            f.write(data)

    def proc_status(self, field):
        with open(f"/proc/{self.server.proc.pid}/status") as f:
            for line in f:
                if line.startswith(field + ":"):
                    return int(line.split()[1]) * 1024
        raise AssertionError(field)


class QueryAndConversionTest(RestClient, unittest.TestCase):
    def test_filter_positions(self):
        # (query, status, reason or body); every answer must come at once
        cases = [
            ("ss-2147483648-71.c=1", 409, CONVERTER % ("ss-2147483648-71.c", "1")),
            ("ss-60000-1.c=1", 409, CONVERTER % ("ss-60000-1.c", "1")),
            ("ss72.c=1", 409, CONVERTER % ("ss72.c", "1")),
            ("ss0-99999999999999999999.c=1", 409, CONVERTER % ("ss0-99999999999999999999.c", "1")),
            ("ss3-1.c=1", 409, CONVERTER % ("ss3-1.c", "1")),
            ("ss0.c=1&ss0-1.c=1", 409, CONFLICT),
            ("ss.c=1&ss.o=1", 200, {"result": ["b"]}),
            ("ss1.c=2", 200, {"result": ["ab"]}),
            ("ss0-71.c=2", 200, {"result": ["ab"]}),
            ("zz-2147483648-71.c=1", 200, {"result": ["abcdef"]}),
        ]
        for query, status, expected in cases:
            with self.subTest(query=query):
                start = time.monotonic()
                got, reason, _, body = self.call("GET", M + "/EchoString/abcdef?" + query, timeout=5)
                self.assertLess(time.monotonic() - start, 2)
                self.assertEqual(got, status)
                if status == 409:
                    self.assertEqual((reason, body), (expected, b""))
                else:
                    self.assertEqual(json.loads(body), expected)

    def test_integer_parameters_stay_in_range(self):
        cases = [
            ("4294967301/0", 500, {"error": "'4294967301' is not a valid integer value"}),
            ("2147483648/0", 500, {"error": "'2147483648' is not a valid integer value"}),
            ("0/-2147483649", 500, {"error": "'-2147483649' is not a valid integer value"}),
            ("2147483647/0", 200, {"result": [2147483647]}),
            ("-2147483648/0", 200, {"result": [-2147483648]}),
        ]
        for args, status, expected in cases:
            with self.subTest(args=args):
                got, _, _, body = self.call("GET", M + "/SommaNumeri/" + args)
                self.assertEqual((got, json.loads(body)), (status, expected))

    def test_query_fields_without_value(self):
        cases = [
            ("json", 200, {"result": ["abcdef"]}),
            ("ss.c", 200, {"result": ["abcdef"]}),
            ("json&ss.c=2", 200, {"result": ["ab"]}),
            ("json=maybe", 500, {"error": "'maybe' is not a valid boolean value"}),
            ("ss.c=x", 500, {"error": "'x' is not a valid integer value"}),
        ]
        for query, status, expected in cases:
            with self.subTest(query=query):
                got, _, headers, body = self.call("GET", M + "/EchoString/abcdef?" + query)
                self.assertEqual((got, json.loads(body)), (status, expected))
                self.assertIn("dssession=", headers["Pragma"])
        got, _, _, body = self.call("GET", "/dataserver/cache?json=maybe")
        self.assertEqual((got, json.loads(body)), (500, {"error": "'maybe' is not a valid boolean value"}))


class DownloadAndCacheTest(RestClient, unittest.TestCase):
    def open_handles(self, name):
        path = os.path.realpath(os.path.join(self.export, name))
        fd_dir = f"/proc/{self.server.proc.pid}/fd"
        count = 0
        for fd in os.listdir(fd_dir):
            try:
                count += os.readlink(os.path.join(fd_dir, fd)) == path
            except OSError:
                pass
        return count

    def test_downloads_release_their_file(self):
        self.write_export("held.bin", b"x" * 5000)
        for headers in ({}, {"Accept": "application/rest"}):
            with self.subTest(headers=headers):
                for _ in range(5):  # clients that never send their session back
                    self.assertEqual(self.call("GET", M + "/GetFile/held.bin", headers=headers)[0], 200)
                self.assertTrue(wait_until(lambda: self.open_handles("held.bin") == 0, 3),
                                f"{self.open_handles('held.bin')} handles still open")

    def test_cached_item_keeps_the_content_of_the_call(self):
        original = bytes(range(256)) * 400
        self.write_export("changing.bin", original)
        _, _, headers, body = self.call("GET", M + "/GetFile/changing.bin", headers={"Accept": "application/rest"})
        session = {"Pragma": headers["Pragma"].split(",")[0]}
        cache = "/dataserver/cache/%d/0/0" % json.loads(body)["cacheId"]
        self.write_export("changing.bin", b"seventeen bytes!!")
        status, _, headers, body = self.call("GET", cache, headers=session)
        self.assertEqual((status, int(headers["Content-Length"]), body), (200, len(original), original))
        _, _, _, body = self.call("GET", cache + "?json=true&ss.o=1&ss.c=3", headers=session)
        self.assertEqual(json.loads(body), {"result": [1, 2, 3]})

    def test_parallel_readers_of_one_cached_item(self):
        data = os.urandom(8 << 20)
        self.write_export("shared.bin", data)
        _, _, headers, body = self.call("GET", M + "/GetFile/shared.bin", headers={"Accept": "application/rest"})
        session = {"Pragma": headers["Pragma"].split(",")[0]}
        cache = "/dataserver/cache/%d/0/0" % json.loads(body)["cacheId"]
        results = [None] * 4

        def read(i):
            results[i] = self.call("GET", cache, headers=session, timeout=30)

        threads = [threading.Thread(target=read, args=(i,)) for i in range(4)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        for status, _, _, body in results:
            self.assertEqual(status, 200)
            self.assertTrue(body == data, "a reader got other bytes")


class RequestMemoryTest(RestClient, unittest.TestCase):
    """Each figure is the growth of the server's peak memory; a fresh server keeps it meaningful."""
    BOUND = 160 << 20

    def setUp(self):
        self.peak = self.proc_status("VmHWM")

    def grown(self):
        return self.proc_status("VmHWM") - self.peak

    def test_a_body_that_would_make_a_huge_tree_is_refused(self):
        body = b'{"a":[' + b"0," * (4 << 20) + b"0]}"
        status, _, _, answer = self.call("POST", M + "/%22PutFile%22/zeros.json", body, timeout=60)
        self.assertEqual(status, 500)
        self.assertIn("too large", json.loads(answer)["error"])
        self.assertLess(self.grown(), self.BOUND)
        # a body of the same kind within the bound is still read
        status, _, _, answer = self.call("POST", M + "/%22PutFile%22/zeros.json", b'{"a":[' + b"0," * 1000 + b"0]}")
        self.assertEqual((status, json.loads(answer)), (200, {"result": ["OK"]}))

    def test_a_download_as_json_is_written_as_it_is_read(self):
        data = os.urandom(8 << 20)
        self.write_export("big.bin", data)
        status, _, headers, body = self.call("GET", M + "/GetFile/big.bin?json=true", timeout=60)
        self.assertEqual((status, int(headers["Content-Length"])), (200, len(body)))
        self.assertEqual(bytes(json.loads(body)["result"][0]), data)
        self.assertLess(self.grown(), self.BOUND)


class MemoryAfterLargeAnswersTest(RestClient, unittest.TestCase):
    @linux_only("it is the C library's allocator that would keep the memory")
    @unittest.skipIf(sanitized(), "the sanitizer's allocator keeps freed memory on purpose")
    def test_memory_of_parallel_large_answers_is_given_back(self):
        text = (b"0123456789abcdef" * 4 + b"\r\n") * (80 << 10)  # about 5 MB of text
        self.write_export("large.txt", text)
        statuses = []

        def read():
            statuses.append(self.call("GET", M + "/LeggiFile494/large.txt", timeout=60)[0])

        for _ in range(2):
            readers = [threading.Thread(target=read) for _ in range(12)]
            for t in readers:
                t.start()
            for t in readers:
                t.join()
        self.assertEqual(statuses, [200] * 24)
        # Each answer took tens of megabytes while it was made; kept, they came to hundreds.
        self.assertLess(self.proc_status("VmRSS"), 100 << 20)


if __name__ == "__main__":
    unittest.main()
