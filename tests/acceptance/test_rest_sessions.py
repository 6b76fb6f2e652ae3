"""Sessions and the product list over REST against a server whose sessions expire after 1.5 s."""
import http.client
import json
import os
import time
import unittest

from quillara_process import ServerFixture, install_exporter

M = "/dataserver/rest/TServerMethods1"


class RestSessionsTest(ServerFixture, unittest.TestCase):
    fixture_args = ("--limit", "session-timeout=1.5")

    def call(self, path, headers=None):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=90)
        conn.request("GET", path, headers=headers or {})
        r = conn.getresponse()
        data = r.read()
        conn.close()
        return r.status, r.reason, dict(r.getheaders()), data

    def session_of(self, headers):
        return headers["Pragma"].split(",")[0].split("=")[1]

    def test_expiry_after_inactivity(self):
        _, _, h, _ = self.call(M + "/EchoString/a")
        sid = self.session_of(h)
        time.sleep(0.5)
        self.assertEqual(self.call(M + "/EchoString/a?sid=" + sid)[0], 200)  # use renews it
        time.sleep(2.0)
        status, reason, _, _ = self.call(M + "/EchoString/a?sid=" + sid)
        self.assertEqual((status, reason), (403, "Session has expired"))

    def test_stop_and_start_end_every_session(self):
        _, _, h, _ = self.call(M + "/EchoString/a")
        sid = self.session_of(h)
        self.server.send("Arresta")
        self.assertEqual(self.server.next_line(), "Server non in funzione")
        self.server.send("Avvia")
        self.assertEqual(self.server.next_line(), "Server in funzione")
        self.assertEqual(self.call(M + "/EchoString/a?sid=" + sid)[0], 403)

    def test_conflicting_filters_and_admin_calls(self):
        status, reason, _, body = self.call(M + "/LeggiFile494/x?ss.c=1&ss.o=1&ss0.c=2&ss0.o=3&t.c=1")
        self.assertEqual(status, 409)
        self.assertEqual(reason, "Query parameters are conflicting. This is usually due to references on the same output parameter")
        status, _, _, body = self.call("/dataserver/rest/DSAdmin/DescribeMethod/TServerMethods1.SommaNumeri")
        self.assertEqual(json.loads(body)["result"][0], {"TServerMethods1.SommaNumeri": {
            "n1": {"direction": "In", "type": "Integer"}, "n2": {"direction": "In", "type": "Integer"},
            "Result": {"direction": "Return", "type": "Integer"}}})

    def test_product_list_through_the_exporter(self):
        folder = os.path.join(self.server.prefix, "drive_c", "orsolan", "Pellandro", "STIVALO")
        os.makedirs(os.path.join(folder, "json"), exist_ok=True)
        exporter = os.path.join(folder, "stivalo.exe")

        def write_exporter(content):
            install_exporter(exporter, "#!/bin/sh\ncat > json/prodotti.json <<'END'\n" + content + "\nEND\n")

        write_exporter('{ "prodotti" : [ {"codice": "A\\/1", "nome": "Caff\\u00E8"} ] }')
        status, _, _, body = self.call(M + "/ListaProdotti")
        self.assertEqual(status, 200)
        self.assertEqual(json.loads(body)["result"][0], '{"prodotti":[{"codice":"A/1","nome":"Caff\u00e8"}]}')
        self.assertFalse(os.path.exists(os.path.join(folder, "json", "prodotti.json")))
        write_exporter("[1, 2]")
        status, _, _, body = self.call(M + "/ListaProdotti")
        self.assertEqual((status, json.loads(body)), (500, {"error": "Invalid class typecast"}))
        self.assertTrue(os.path.exists(os.path.join(folder, "json", "prodotti.json")))


if __name__ == "__main__":
    unittest.main()
