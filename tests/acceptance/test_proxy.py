"""Proxy packages: /proxy/<language>.zip built from the language folder and generated sources,
reused until the program is newer, and the script refresh of /js/serverfunctions.js."""
import io
import os
import shutil
import subprocess
import tempfile
import threading
import unittest
import zipfile

from quillara_process import WINE, ServerFixture, raw_exchange, split_response

ARCHIVE = "/proxy/objectivec_ios42.zip"


class ProxyDownloadTest(ServerFixture, unittest.TestCase):
    def request(self, path, method="GET"):
        data = f"{method} {path} HTTP/1.1\r\nHost: h\r\nContent-Length: 0\r\n\r\n".encode()
        line, headers, body = split_response(raw_exchange(self.port, data, timeout=60))
        return line, dict(headers), body

    def app_path(self, *parts):
        return os.path.join(self.server.app, *parts)

    def archive_file(self):
        return self.app_path("proxy", "objectivec_ios42.zip")

    def program_file(self):
        return self.app_path("quillara.exe" if WINE else "quillara")

    def make_program_newer(self):
        stamp = os.stat(self.program_file()).st_mtime - 100
        os.utime(self.archive_file(), (stamp, stamp))

    def fresh_archive(self):
        if os.path.exists(self.archive_file()):
            os.remove(self.archive_file())
        line, headers, body = self.request(ARCHIVE)
        self.assertEqual(line, "HTTP/1.1 200 OK")
        return headers, body

    def test_built_served_then_reused(self):
        headers, body = self.fresh_archive()
        # the response layer adds its default charset to every type
        self.assertEqual(headers["Content-Type"].split(";")[0], "application/x-zip-compressed")
        folder = self.app_path("proxy", "objectivec_ios42")
        expected = sorted(os.path.relpath(os.path.join(d, f), folder).replace(os.sep, "/")
                          for d, _, files in os.walk(folder) for f in files)
        names = sorted(zipfile.ZipFile(io.BytesIO(body)).namelist())
        self.assertEqual(names, expected)
        self.assertIn("DSProxy.h", names)
        self.assertIn("DSProxy.m", names)
        self.assertIn("DSRESTClient.h", names)
        header = zipfile.ZipFile(io.BytesIO(body)).read("DSProxy.h")
        self.assertIn(b"@interface TServerMethods1:DSAdmin{", header)
        with open(self.archive_file(), "rb") as f:
            self.assertEqual(f.read(), body)
        validate = os.path.join(os.path.dirname(__file__), "../../../shared/tools/zip-validate/validate.sh")
        if os.path.exists(validate):  # the shared validators are optional here; the zip unit tests say so
            done = subprocess.run(["bash", validate, "--strict", "--src", folder, self.archive_file()],
                                  capture_output=True, text=True)
            self.assertEqual(done.returncode, 0, done.stdout)
        before = os.stat(self.archive_file())
        for path in (ARCHIVE, "/proxy/ObjectiveC_iOS42.ZIP"):
            line, headers, again = self.request(path)
            self.assertEqual((line, again), ("HTTP/1.1 200 OK", body), path)
        after = os.stat(self.archive_file())
        self.assertEqual((before.st_ino, before.st_mtime_ns), (after.st_ino, after.st_mtime_ns))

    def test_newer_program_rebuilds_once(self):
        self.fresh_archive()
        self.make_program_newer()
        old = os.stat(self.archive_file())
        line, _, body = self.request(ARCHIVE)
        self.assertEqual(line, "HTTP/1.1 200 OK")
        rebuilt = os.stat(self.archive_file())
        self.assertNotEqual(old.st_ino, rebuilt.st_ino)
        self.assertGreater(rebuilt.st_mtime, os.stat(self.program_file()).st_mtime)
        self.assertIsNone(zipfile.ZipFile(io.BytesIO(body)).testzip())
        self.request(ARCHIVE)
        self.assertEqual(os.stat(self.archive_file()).st_ino, rebuilt.st_ino)

    def test_requests_not_built(self):
        cases = [
            ("GET", "/proxy/other.zip", "HTTP/1.1 404 Not Found"),
            ("GET", "/proxy/sub/objectivec_ios42.zip", "HTTP/1.1 302 Moved Temporarily"),
            ("POST", ARCHIVE, "HTTP/1.1 302 Moved Temporarily"),
        ]
        if os.path.exists(self.archive_file()):
            os.remove(self.archive_file())
        for method, path, status in cases:
            with self.subTest(path=path, method=method):
                self.assertEqual(self.request(path, method)[0], status)
        self.assertFalse(os.path.exists(self.archive_file()))
        self.assertFalse(os.path.exists(self.app_path("proxy", "other.zip")))
        self.assertFalse(os.path.exists(self.app_path("proxy", "sub")))

    def test_missing_language_folder_keeps_the_old_archive(self):
        self.fresh_archive()
        with open(self.archive_file(), "rb") as f:
            old = f.read()
        folder = self.app_path("proxy", "objectivec_ios42")
        hidden = folder + ".away"
        os.rename(folder, hidden)
        try:
            self.make_program_newer()
            line, _, body = self.request(ARCHIVE)
            self.assertEqual(line, "HTTP/1.1 500 Internal Server Error")
            self.assertIn(b"Internal Application Error", body)
            self.assertIn(b"Cannot create file", body)
            with open(self.archive_file(), "rb") as f:
                self.assertEqual(f.read(), old)
        finally:
            os.rename(hidden, folder)
        self.assertEqual([n for n in os.listdir(self.app_path("proxy")) if ".tmp" in n], [])

    def test_parallel_rebuilds_agree(self):
        if os.path.exists(self.archive_file()):
            os.remove(self.archive_file())
        results = []

        def fetch():
            results.append(self.request(ARCHIVE))

        threads = [threading.Thread(target=fetch) for _ in range(6)]
        for t in threads:
            t.start()
        for t in threads:
            t.join(120)
        self.assertEqual(len(results), 6)
        bodies = {body for _, _, body in results}
        self.assertEqual([line for line, _, _ in results], ["HTTP/1.1 200 OK"] * 6)
        self.assertEqual(len(bodies), 1)
        archive = zipfile.ZipFile(io.BytesIO(bodies.pop()))
        self.assertIsNone(archive.testzip())
        self.assertIn(b"@end", archive.read("DSProxy.m"))
        self.assertEqual([n for n in os.listdir(self.app_path("proxy")) if ".tmp" in n], [])

    def test_package_compiles_as_it_comes(self):
        if not shutil.which("gnustep-config") or not shutil.which("gcc"):
            self.skipTest("no Objective-C compiler: install gobjc and libgnustep-base-dev")
        _, body = self.fresh_archive()
        flags = [f for f in subprocess.run(["gnustep-config", "--objc-flags"], capture_output=True,
                                           text=True).stdout.split() if f not in ("-MMD", "-MP")]
        with tempfile.TemporaryDirectory() as folder:
            zipfile.ZipFile(io.BytesIO(body)).extractall(folder)
            for source in sorted(n for n in os.listdir(folder) if n.endswith(".m")):
                done = subprocess.run(["gcc", "-fsyntax-only", "-x", "objective-c", *flags, "-I", folder,
                                       os.path.join(folder, source)], capture_output=True, text=True,
                                      cwd=folder)
                self.assertEqual(done.returncode, 0, source + "\n" + done.stderr)
                self.assertNotIn("warning", done.stderr, source)

    def test_script_refresh_writes_objective_c_beside_the_script(self):
        js = self.app_path("js")
        for name in ("serverfunctions.h", "serverfunctions.m"):
            if os.path.exists(os.path.join(js, name)):
                os.remove(os.path.join(js, name))
        # A package download of another language must not change what the refresh writes.
        self.request("/proxy/csharp_silverlight.zip")
        for _ in range(2):
            self.assertEqual(self.request("/js/serverfunctions.js")[0], "HTTP/1.1 404 Not Found")
            self.assertTrue(os.path.exists(os.path.join(js, "serverfunctions.h")))
            with open(os.path.join(js, "serverfunctions.m"), "rb") as f:
                self.assertTrue(f.read().startswith(b"\xef\xbb\xbf#import \"DSProxy.h\"\r\n"))
            self.assertFalse(os.path.exists(os.path.join(js, "serverfunctions.js")))
        self.assertEqual(self.request("/js/other.js")[0], "HTTP/1.1 404 Not Found")

    def test_script_refresh_requests_in_parallel(self):
        results = []

        def fetch():
            results.append(self.request("/js/serverfunctions.js")[0])

        threads = [threading.Thread(target=fetch) for _ in range(8)]
        for t in threads:
            t.start()
        for t in threads:
            t.join(60)
        self.assertEqual(results, ["HTTP/1.1 404 Not Found"] * 8)
        with open(self.app_path("js", "serverfunctions.m"), "rb") as f:
            text = f.read()
        self.assertEqual(text.count(b"@implementation TServerMethods1"), 1)
        self.assertTrue(text.endswith(b"@end\r\n"))


if __name__ == "__main__":
    unittest.main()


class ClientLibrariesTest(unittest.TestCase):
    """Each installed language folder compiles together with a proxy written in the shapes its
    writer produces, so a downloaded package builds as it comes."""
    BIN = os.environ.get("QUILLARA_BIN", os.path.join(os.path.dirname(__file__), "../../build/bin"))
    SAMPLES = os.path.join(os.environ.get("QUILLARA_FIXTURES", os.path.join(os.path.dirname(__file__), "../fixtures")),
                           "proxy", "clients")

    def folder(self, language):
        path = os.path.join(self.BIN, "proxy", language)
        self.assertTrue(os.path.isdir(path), path)
        return path

    def compile(self, command, cwd):
        done = subprocess.run(command, capture_output=True, text=True, cwd=cwd)
        self.assertEqual(done.returncode, 0, " ".join(command) + "\n" + done.stdout + done.stderr)

    def test_java(self):
        if not shutil.which("javac"):
            self.skipTest("javac not installed (apt default-jdk-headless)")
        for language, package in (("java_android", "javaandroid"), ("java_blackberry", "javablackberry")):
            with self.subTest(language=language), tempfile.TemporaryDirectory() as out:
                source = os.path.join(self.folder(language), "com", "vavurerazev", package)
                with open(os.path.join(self.SAMPLES, "DSProxy.java")) as f:
                    sample = f.read().replace("javaandroid", package)
                os.makedirs(os.path.join(out, "src"))
                with open(os.path.join(out, "src", "DSProxy.java"), "w") as f:
                    f.write(sample)
                files = [os.path.join(source, n) for n in os.listdir(source) if n.endswith(".java")]
                self.compile(["javac", "-Xlint:all", "-Werror", "-d", os.path.join(out, "classes"),
                              os.path.join(out, "src", "DSProxy.java"), *files], out)

    def test_csharp(self):
        if not shutil.which("mcs"):
            self.skipTest("mcs not installed (apt mono-mcs)")
        with tempfile.TemporaryDirectory() as out:
            folder = self.folder("csharp_silverlight")
            files = [os.path.join(folder, n) for n in os.listdir(folder) if n.endswith(".cs")]
            self.compile(["mcs", "-target:library", "-warnaserror", "-out:" + os.path.join(out, "p.dll"),
                          os.path.join(self.SAMPLES, "DSProxy.cs"), *files], out)

    def test_freepascal(self):
        if not shutil.which("fpc"):
            self.skipTest("fpc not installed (apt fpc)")
        for language in ("freepascal_ios42", "freepascal_ios50"):
            for mode in ("-Mobjfpc", "-Mdelphi"):
                with self.subTest(language=language, mode=mode), tempfile.TemporaryDirectory() as out:
                    self.compile(["fpc", mode, "-FU" + out, "-Fu" + self.folder(language),
                                  os.path.join(self.SAMPLES, "DSProxy.pas")], out)

    def test_objective_c_library(self):
        if not shutil.which("gnustep-config") or not shutil.which("gcc"):
            self.skipTest("no Objective-C compiler: install gobjc and libgnustep-base-dev")
        flags = [f for f in subprocess.run(["gnustep-config", "--objc-flags"], capture_output=True,
                                           text=True).stdout.split() if f not in ("-MMD", "-MP")]
        folder = self.folder("objectivec_ios42")
        with tempfile.TemporaryDirectory() as out:
            self.compile(["gcc", "-fsyntax-only", "-x", "objective-c", *flags, "-I", folder,
                          os.path.join(folder, "DSRESTClient.m")], out)
