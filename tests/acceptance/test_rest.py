"""The remote methods over REST, as a mobile client calls them: envelopes, status codes,
sessions in the "Pragma" header, raw downloads and uploads into Brontal's folders."""
import http.client
import json
import os
import unittest

from quillara_process import ServerFixture, raw_exchange, split_response

M = "/dataserver/rest/TServerMethods1"


class RestTest(ServerFixture, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()  # the win64 prefix: export and import folders below its drive C:
        cls.export = os.path.join(cls.server.prefix, "drive_c", "Brontal", "Export")
        cls.imports = os.path.join(cls.server.prefix, "drive_c", "Brontal", "Import")

    def call(self, method, path, body=None, headers=None):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        conn.request(method, path, body=body, headers=headers or {})
        r = conn.getresponse()
        data = r.read()
        conn.close()
        return r.status, r.reason, dict(r.getheaders()), data

    def test_answers_of_the_methods(self):
        cases = [
            ("GET", M + "/EchoString/abc", 200, {"result": ["abc"]}),
            ("GET", M + "/echostring/a%20b", 200, {"result": ["a b"]}),
            ("GET", M + "/EchoString/a+b", 200, {"result": ["a+b"]}),
            ("GET", M + "/EchoString/%C3%A8", 200, {"result": ["\u00e8"]}),
            ("GET", M + "/EchoString/null", 200, {"result": [""]}),
            ("GET", "/DataServer/REST/TServerMethods1/ReverseString/abc", 200, {"result": ["cba"]}),
            ("GET", M + "/SommaNumeri/2/3", 200, {"result": [5]}),
            ("GET", M + "/SommaNumeri/true/3", 200, {"result": [4]}),
            ("GET", M + "/SommaNumeri/2", 200, {"result": [2]}),
            ("GET", M + "/SalvaDB/a/b", 200, {"result": [False]}),
            ("GET", M + "/Unknown", 500, {"error": "TServerMethods1.Unknown method not found in the server method list"}),
            ("GET", M + "/SommaNumeri/x/1", 500, {"error": "'x' is not a valid integer value"}),
            ("POST", M + "/EchoString/abc", 500,
             {"error": "TServerMethods1.updateEchoString method not found in the server method list"}),
            ("DELETE", M + "/EchoString/abc", 500,
             {"error": "TServerMethods1.cancelEchoString method not found in the server method list"}),
            ("GET", "/dataserver/rest", 500,
             {"error": "Invalid request format. /className/methodName and eventual parameters expected."}),
            ("GET", M + "/SommaNumeri/2/3/4", 500, {"error": "Server method TServerMethods1.SommaNumeri consumed only 2 "
                                                             "input parameters out of 3. Either call with more parameters "
                                                             "or change method definition."}),
            ("GET", "/dataserver/rest/DSAdmin/ListClasses", 200, {"result": [["DSAdmin", "DSMetadata", "TServerMethods1"]]}),
        ]
        for method, path, status, body in cases:
            with self.subTest(path=path, method=method):
                got_status, _, headers, data = self.call(method, path)
                self.assertEqual(got_status, status)
                self.assertEqual(json.loads(data), body)
                self.assertRegex(headers["Pragma"], r"^dssession=\d+\.\d+\.\d+,dssessionexpires=\d+$")
                self.assertTrue(all(b < 0x80 for b in data))  # the byte form is plain ASCII

    def test_routing_errors(self):
        status, reason, _, body = self.call("GET", "/dataserverx/rest/TServerMethods1/EchoString/a")
        self.assertEqual((status, reason, body), (404, "Expected dataserver context in request /dataserverx/rest/TServerMethods1/EchoString/a", b""))
        status, _, _, body = self.call("GET", "/dataserver/foo/x")
        self.assertEqual(status, 501)
        self.assertEqual(body, b"Specified protocol in request /foo/x is not supported. Current supported protocols are: rest, json, tunnel")
        status, _, _, body = self.call("HEAD", M + "/EchoString/a")
        self.assertEqual(status, 501)

    def test_listing_reading_and_download(self):
        os.makedirs(os.path.join(self.export, "sub"), exist_ok=True)
        with open(os.path.join(self.export, "ordini.xml"), "wb") as f:
            f.write('\ufeff<o a="1">\u00e8\n</o>'.encode("utf-8"))
        with open(os.path.join(self.export, "sub", "c.XML"), "wb") as f:
            f.write(b"<c/>")
        status, _, _, body = self.call("GET", M + "/ListaFiles494")
        listed = json.loads(json.loads(body)["result"][0])
        self.assertEqual(sorted(x["nome"] for x in listed["file"]), ["Orders.xml", "c.XML", "ordini.xml"])
        status, _, _, body = self.call("GET", M + "/LeggiFile494/ordini.xml")
        self.assertEqual(json.loads(body)["result"][0], '{"file":[{"contenuto":"<o a=\\"1\\">\u00e8\n</o>"}]}')
        status, _, _, body = self.call("GET", M + "/GetFile/ordini.xml")
        self.assertEqual((status, body), (200, '\ufeff<o a="1">\u00e8\n</o>'.encode("utf-8")))
        status, _, _, body = self.call("GET", M + "/GetFile/ordini.xml?json=true")
        self.assertEqual(bytes(json.loads(body)["result"][0]), '\ufeff<o a="1">\u00e8\n</o>'.encode("utf-8"))
        status, _, _, body = self.call("GET", M + "/GetFile/ordini.xml?json=true&ss.c=3")
        self.assertEqual(json.loads(body)["result"][0], [0xEF, 0xBB, 0xBF])
        status, _, _, body = self.call("GET", M + "/LeggiFile494/ordini.xml?ss.c=10")
        # Downloads are released once sent and the cache keeps snapshots, so no stream still
        # holds the file when the read opens it without sharing.
        self.assertEqual(json.loads(body)["result"][0], '{"file":[{')
        status, _, _, body = self.call("GET", M + "/GetFile/missing.xml")
        self.assertTrue(body.startswith(b'Errore: Cannot open file "C:\\Brontal\\Export\\missing.xml". '), body)
        status, _, _, body = self.call("GET", M + "/LeggiFile494/..%2Fsecret.xml")
        self.assertEqual(status, 500)
        self.assertIn("inside the folder", json.loads(body)["error"])

    def test_upload(self):
        content = '<a b="1">\u00e8</a>'
        for method, status in (("POST", 200), ("PUT", 201)):
            with self.subTest(method=method):
                got, _, _, body = self.call(method, M + "/%22PutFile%22/up.xml", json.dumps({"x": content}),
                                            {"Content-Type": "application/json"})
                self.assertEqual((got, json.loads(body)), (status, {"result": ["OK"]}))
                with open(os.path.join(self.imports, "up.xml"), "rb") as f:
                    self.assertEqual(f.read(), b"\xef\xbb\xbf" + content.encode("utf-8"))
        got, _, _, body = self.call("POST", M + "/%22PutFile%22", json.dumps({"_parameters": ["two.xml", {"x": "y"}]}))
        self.assertEqual(json.loads(body), {"result": ["OK"]})
        with open(os.path.join(self.imports, "two.xml"), "rb") as f:
            self.assertEqual(f.read(), b"\xef\xbb\xbfy")
        got, _, _, body = self.call("POST", M + "/%22PutFile%22/x.xml", "not json")
        self.assertEqual((got, json.loads(body)), (500, {"error": "Message content is not a valid JSON value."}))
        got, _, _, body = self.call("POST", M + "/%22PutFile%22/no%7Cpipe.xml", '{"x":"y"}')
        self.assertEqual(json.loads(body), {"result": ["Invalid characters in path"]})

    def test_result_cache(self):
        with open(os.path.join(self.export, "c.bin"), "wb") as f:
            f.write(b"\x00cached\xff")
        status, _, headers, body = self.call("GET", M + "/GetFile/c.bin", headers={"Accept": "application/rest"})
        self.assertEqual((status, headers["Content-Type"]), (200, "application/rest; charset=ISO-8859-1"))
        self.assertEqual(json.loads(body), {"result": ["0/0/0"], "cacheId": 0, "cmdIndex": 0})
        session = {"Pragma": headers["Pragma"].split(",")[0]}
        self.assertEqual(self.call("GET", "/dataserver/cache/0/0/0", headers=session)[3], b"\x00cached\xff")
        _, _, _, body = self.call("GET", "/dataserver/cache/0/0/0?json=true", headers=session)
        self.assertEqual(json.loads(body), {"result": [0, 99, 97, 99, 104, 101, 100, 255]})
        _, _, _, body = self.call("GET", "/dataserver/cache", headers=session)
        self.assertEqual(json.loads(body), {"result": {"0": {"commands": [{"parameters": ["TStream"]}]}}})
        _, _, _, body = self.call("GET", M + "/GetFile/c.bin", headers=dict(session, Accept="application/rest"))
        self.assertEqual(json.loads(body)["cacheId"], 1)
        _, _, _, body = self.call("GET", "/dataserver/cache/7/0/0", headers=session)
        self.assertEqual(json.loads(body), {"error": "There is no cached item with ID: 7"})
        _, _, _, body = self.call("GET", "/dataserver/cache/0/0/3", headers=session)
        self.assertEqual(json.loads(body), {"error": "There is no parameter for command 0, parameter index 3."})
        status, reason, _, _ = self.call("GET", "/dataserver/cache/0/x", headers=session)
        self.assertEqual((status, reason), (400, "Invalid request format. (/0/x)"))
        self.call("DELETE", "/dataserver/cache/0", headers=session)
        _, _, _, body = self.call("GET", "/dataserver/cache/0", headers=session)
        self.assertEqual(json.loads(body), {"result": None})
        self.assertEqual(self.call("GET", "/dataserver/cache?sid=9.9.9")[0], 403)

    def test_sessions(self):
        _, _, h1, _ = self.call("GET", M + "/EchoString/a")
        _, _, h2, _ = self.call("GET", M + "/EchoString/a")
        s1 = h1["Pragma"].split(",")[0].split("=")[1]
        self.assertNotEqual(s1, h2["Pragma"].split(",")[0].split("=")[1])
        _, _, h3, _ = self.call("GET", M + "/EchoString/a?sid=" + s1)
        self.assertTrue(h3["Pragma"].startswith("dssession=" + s1 + ","))
        _, _, h4, _ = self.call("GET", M + "/EchoString/a", headers={"Pragma": "dssession=" + s1})
        self.assertTrue(h4["Pragma"].startswith("dssession=" + s1 + ","))
        self.assertGreater(int(h4["Pragma"].split("dssessionexpires=")[1]), 1199000)
        status, reason, _, body = self.call("GET", M + "/EchoString/a?SESSIONID=1.2.3")
        self.assertEqual((status, reason), (403, "Session has expired"))
        self.assertEqual(json.loads(body), {"SessionExpired": "The specified session has expired due to inactivity "
                                                              "or was an invalid Session ID"})
        status, reason, _, body = self.call("GET", "/dataserver/rest/CloseSession/?sid=" + s1)
        self.assertEqual((status, reason, body), (200, '{"result":[true]}', b""))
        status, _, _, _ = self.call("GET", M + "/EchoString/a?sid=" + s1)
        self.assertEqual(status, 403)


if __name__ == "__main__":
    unittest.main()
