"""The method invoker page in headless Chromium: EchoString and PutFile called through the page."""
import json
import os
import shutil
import subprocess
import unittest

from quillara_process import ServerFixture

BROWSER_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "browser")
SCREENSHOT = os.environ.get("QUILLARA_INVOKER_SCREENSHOT")


@unittest.skipUnless(shutil.which("chromium") and shutil.which("node")
                     and os.path.isdir(os.path.join(BROWSER_DIR, "node_modules", "playwright-core")),
                     "needs chromium, node and tests/browser/node_modules (make test installs them)")
class InvokerPageTest(ServerFixture, unittest.TestCase):
    def test_echo_and_upload_through_the_page(self):
        shot = SCREENSHOT or os.path.join(self.server.dir, "invoker.png")
        out = subprocess.run(["node", os.path.join(BROWSER_DIR, "invoker.mjs"),
                              f"http://127.0.0.1:{self.port}/ServerFunctionInvoker", shot],
                             capture_output=True, text=True, timeout=120, cwd=BROWSER_DIR)
        self.assertEqual(out.returncode, 0, out.stderr)
        seen = json.loads(out.stdout.strip().splitlines()[-1])
        self.assertEqual(json.loads(seen["echo"]), {"result": ["ciao dal browser"]})
        self.assertEqual(json.loads(seen["put"]), {"result": ["OK"]})
        self.assertEqual(seen["status"], "200 OK")
        self.assertRegex(seen["session"], r"^\d+\.\d+\.\d+$")
        imported = os.path.join(self.server.prefix, "drive_c", "Brontal", "Import", "dal-browser.xml")
        with open(imported, "rb") as f:
            self.assertEqual(f.read(), b'\xef\xbb\xbf<ordine id="7"/>')
        self.assertTrue(os.path.getsize(shot) > 1000)


if __name__ == "__main__":
    unittest.main()
