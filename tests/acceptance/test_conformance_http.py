"""The llhttp and Http11Probe request vectors against the running server. Every vector must
leave it standing, get at most one answer and end with the connection closed. Where our verdict
differs from the corpus's expectation the difference is written to http-conformance.tsv in the
build folder (the reasons are in docs/http-conformance.md)."""
import csv
import os
import subprocess
import sys
import unittest

from quillara_process import BIN, ServerFixture, can_connect

SHARED = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "shared", "conformance", "http")


def expected_ok(expected, status_line):
    code = status_line.split(" ")[1] if status_line else ""
    e = expected.lower()
    if not code:
        return any(word in e for word in ("close", "drop", "timeout"))
    return code in e or (code[0] + "xx") in e


@unittest.skipUnless(os.path.isdir(SHARED), f"conformance material not found at {SHARED}")
class HttpVectorsTest(ServerFixture, unittest.TestCase):
    def run_corpus(self, name):
        out = subprocess.run(
            [sys.executable, os.path.join(SHARED, "send_raw.py"), "--port", str(self.port), "--half-close",
             "--timeout", "5", "--index", os.path.join(SHARED, name, "index.tsv")],
            capture_output=True, text=True, timeout=600, check=True).stdout
        rows = list(csv.DictReader(out.splitlines(), delimiter="\t"))
        self.assertGreater(len(rows), 100)
        for row in rows:
            with self.subTest(row["file"]):
                self.assertIn(row["outcome"], ("closed", "reset"))
                # one request per connection: one answer, two with an interim 100 Continue
                limit = 2 if row["first_status_line"].endswith(" 100 Continue") else 1
                self.assertLessEqual(int(row["n_status_lines"]), limit)
        self.assertTrue(can_connect("127.0.0.1", self.port), "server gone after the vectors")
        return {os.path.relpath(r["file"], os.path.join(SHARED, name)): r for r in rows}

    def test_http11probe(self):
        results = self.run_corpus("Http11Probe")
        with open(os.path.join(SHARED, "Http11Probe", "index.tsv"), encoding="utf-8") as f:
            index = list(csv.DictReader(f, delimiter="\t"))
        differ = [(r["test_id"], r["expected"], results[r["file"]]["first_status_line"] or "closed")
                  for r in index if r["file"] in results and not expected_ok(r["expected"], results[r["file"]]["first_status_line"])]
        with open(os.path.join(BIN, "..", "http-conformance.tsv"), "w", encoding="utf-8") as f:
            for row in differ:
                f.write("\t".join(row) + "\n")

    def test_llhttp(self):
        self.run_corpus("llhttp")


if __name__ == "__main__":
    unittest.main()
