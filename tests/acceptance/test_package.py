"""The Debian package built from this build: its files, its control data, a program that runs
from where the package puts it, and a systemd unit that systemd accepts."""
import filecmp
import os
import shutil
import subprocess
import tempfile
import unittest
import urllib.request

from quillara_process import BIN, FIXTURES, free_port, wait_until

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "make-deb.sh")


@unittest.skipUnless(shutil.which("dpkg-deb") and shutil.which("dpkg-shlibdeps"), "dpkg-dev is not installed")
class PackageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="quillara-deb-")
        out = subprocess.run(["bash", SCRIPT, os.path.dirname(os.path.abspath(BIN)), cls.work],
                             capture_output=True, check=True, timeout=300)
        cls.deb = out.stdout.decode().strip()
        cls.root = os.path.join(cls.work, "root")
        subprocess.run(["dpkg-deb", "-x", cls.deb, cls.root], check=True)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def test_control_data(self):
        fields = dict(line.split(": ", 1) for line in subprocess.run(
            ["dpkg-deb", "-f", self.deb], capture_output=True, check=True).stdout.decode().splitlines()
            if ": " in line and not line.startswith(" "))
        version = subprocess.run([os.path.join(BIN, "quillara"), "--version"], capture_output=True).stdout.decode().split()[1]
        self.assertEqual((fields["Package"], fields["Version"]), ("quillara", version))
        self.assertIn("libc6", fields["Depends"])
        self.assertEqual(os.path.basename(self.deb), "quillara_%s_%s.deb" % (version, fields["Architecture"]))

    def test_files_where_the_system_finds_them(self):
        link = os.path.join(self.root, "usr", "bin", "quillara")
        self.assertEqual(os.readlink(link), "../lib/quillara/quillara")
        for path in ("usr/lib/quillara/quillara", "usr/lib/quillara/Templates/ReverseString.html",
                     "usr/lib/quillara/Templates/ServerFunctionInvoker.html", "usr/lib/quillara/css/quillara.css",
                     "usr/lib/systemd/system/quillara.service", "usr/share/applications/quillara.desktop",
                     "usr/share/icons/hicolor/scalable/apps/quillara.svg"):
            with self.subTest(path=path):
                self.assertTrue(os.path.isfile(os.path.join(self.root, path)))
        for folder in ("js", "proxy"):
            self.assertTrue(os.path.isdir(os.path.join(self.root, "usr/lib/quillara", folder)))
        with open(os.path.join(self.root, "usr/lib/systemd/system/quillara.service")) as f:
            unit = f.read()
        for line in ("ExecStart=/usr/bin/quillara --headless", "User=quillara", "Restart=on-failure",
                     "Environment=WINEPREFIX=/var/lib/quillara/prefix"):
            self.assertIn(line + "\n", unit)

    def test_both_freepascal_downloads_ship_the_same_library(self):
        proxy = os.path.join(self.root, "usr/lib/quillara/proxy")
        first, second = (os.path.join(proxy, folder) for folder in ("freepascal_ios42", "freepascal_ios50"))
        names = sorted(os.listdir(first))
        self.assertTrue(names)
        self.assertEqual(sorted(os.listdir(second)), names)
        _, mismatch, errors = filecmp.cmpfiles(first, second, names, shallow=False)
        self.assertEqual((mismatch, errors), ([], []))

    def test_the_installed_program_serves_its_pages(self):
        port = free_port()
        prefix = os.path.join(self.work, "prefix")
        shutil.copytree(os.path.join(FIXTURES, "prefixes", "win64"), prefix, dirs_exist_ok=True)
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env["WINEPREFIX"] = prefix
        proc = subprocess.Popen([os.path.join(self.root, "usr", "bin", "quillara"), "--headless", "--port", str(port)],
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, env=env)
        self.addCleanup(proc.wait)
        self.addCleanup(proc.terminate)

        def page():
            try:
                with urllib.request.urlopen("http://127.0.0.1:%d/" % port, timeout=2) as r:
                    return r.status, r.read()
            except OSError:
                return None

        self.assertTrue(wait_until(lambda: page() is not None, 10))
        status, body = page()
        self.assertEqual(status, 200)
        self.assertIn(b"Quillara", body)

    @unittest.skipUnless(shutil.which("systemd-analyze"), "systemd-analyze is not installed")
    def test_systemd_accepts_the_unit(self):
        with open(os.path.join(self.root, "usr/lib/systemd/system/quillara.service")) as f:
            unit = f.read().replace("/usr/bin/quillara", os.path.join(self.root, "usr/bin/quillara"))
        path = os.path.join(self.work, "quillara.service")
        with open(path, "w") as f:
            f.write(unit)
        r = subprocess.run(["systemd-analyze", "verify", path], capture_output=True, timeout=60)
        self.assertEqual((r.returncode, r.stderr.decode()), (0, ""))

    @unittest.skipUnless(shutil.which("desktop-file-validate"), "desktop-file-utils is not installed")
    def test_the_desktop_entry_is_valid(self):
        r = subprocess.run(["desktop-file-validate", os.path.join(self.root, "usr/share/applications/quillara.desktop")],
                           capture_output=True)
        self.assertEqual((r.returncode, r.stdout + r.stderr), (0, b""))


if __name__ == "__main__":
    unittest.main()
