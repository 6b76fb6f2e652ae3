"""Proxy packages of the Java, C# and FreePascal clients: each /proxy/<language>.zip downloads,
passes the independent zip validators, unpacks, and its generated proxy compiles with the
language's own compiler against the client library that comes with it."""
import io
import os
import re
import shutil
import subprocess
import tempfile
import unittest
import zipfile

from quillara_process import ServerFixture, raw_exchange, split_response

HERE = os.path.dirname(os.path.abspath(__file__))
VALIDATE = os.path.join(HERE, "..", "..", "..", "shared", "tools", "zip-validate", "validate.sh")
CLIENTS = os.path.join(os.environ.get("QUILLARA_FIXTURES", os.path.join(HERE, "..", "fixtures")), "proxy", "clients")

# language, generated entry, compiler, Debian package of the compiler
PACKAGES = [
    ("java_android", "com/vavurerazev/javaandroid/DSProxy.java", "javac", "default-jdk-headless"),
    ("java_blackberry", "com/vavurerazev/javablackberry/DSProxy.java", "javac", "default-jdk-headless"),
    ("csharp_silverlight", "DSProxy.cs", "mcs", "mono-mcs"),
    ("freepascal_ios42", "DSProxy.pas", "fpc", "fp-compiler fp-units-fcl"),
    ("freepascal_ios50", "DSProxy.pas", "fpc", "fp-compiler fp-units-fcl"),
]


def compile_command(compiler, folder, entry):
    """The compiler call for an unpacked package, and what to do to the proxy first."""
    source = os.path.join(folder, entry)
    if compiler == "javac":
        library = os.path.dirname(source)
        files = sorted(os.path.join(library, f) for f in os.listdir(library) if f.endswith(".java"))
        return ["javac", "-Xlint:none", "-d", os.path.join(folder, "classes"), *files]
    if compiler == "mcs":
        files = sorted(os.path.join(folder, f) for f in os.listdir(folder) if f.endswith(".cs"))
        return ["mcs", "-target:library", "-warnaserror", "-out:" + os.path.join(folder, "proxy.dll"), *files]
    return ["fpc", "-Mobjfpc", "-Sh", "-vew", "-FU" + folder, "-Fu" + folder, source]


class ProxyLanguagePackagesTest(ServerFixture, unittest.TestCase):
    def download(self, language):
        archive = os.path.join(self.server.app, "proxy", language + ".zip")
        if os.path.exists(archive):
            os.remove(archive)
        data = f"GET /proxy/{language}.zip HTTP/1.1\r\nHost: h\r\n\r\n".encode()
        line, headers, body = split_response(raw_exchange(self.port, data, timeout=60))
        self.assertEqual(line, "HTTP/1.1 200 OK", body[:300])
        self.assertEqual(dict(headers)["Content-Type"].split(";")[0], "application/x-zip-compressed")
        with open(archive, "rb") as f:
            self.assertEqual(f.read(), body)
        return archive, body

    def test_every_package_downloads_validates_and_compiles(self):
        generated = {}
        for language, entry, compiler, package in PACKAGES:
            with self.subTest(language=language):
                archive, body = self.download(language)
                folder = os.path.join(self.server.app, "proxy", language)
                expected = sorted(os.path.relpath(os.path.join(d, f), folder).replace(os.sep, "/")
                                  for d, _, files in os.walk(folder) for f in files)
                zipped = zipfile.ZipFile(io.BytesIO(body))
                self.assertEqual(sorted(zipped.namelist()), expected)
                self.assertIn(entry, expected)
                generated[language] = zipped.read(entry)
                self.assertIn(b"TServerMethods1", generated[language])
                self.assertEqual(generated[language].startswith(b"\xef\xbb\xbf"), language != "java_android")

                if os.path.exists(VALIDATE):
                    done = subprocess.run(["bash", VALIDATE, "--strict", archive], capture_output=True, text=True,
                                          timeout=600)
                    self.assertEqual(done.returncode, 0, done.stdout + done.stderr)

                if not shutil.which(compiler):
                    self.skipTest(f"{compiler} not installed (apt {package})")
                with tempfile.TemporaryDirectory() as unpacked:
                    zipped.extractall(unpacked)
                    source = os.path.join(unpacked, entry)
                    if compiler == "javac":
                        # javac takes no byte-order mark; a client developer strips it.
                        with open(source, "rb") as f:
                            text = f.read()
                        with open(source, "wb") as f:
                            f.write(text[3:] if text.startswith(b"\xef\xbb\xbf") else text)
                    done = subprocess.run(compile_command(compiler, unpacked, entry), capture_output=True,
                                          text=True, timeout=300, cwd=unpacked)
                    self.assertEqual(done.returncode, 0, done.stdout[-3000:] + done.stderr[-3000:])
        # Both FreePascal names write the same unit.
        stamp = re.compile(rb"// \d\d/\d\d/\d{4} \d\d:\d\d:\d\d\r\n")
        self.assertEqual(stamp.sub(b"", generated["freepascal_ios42"]), stamp.sub(b"", generated["freepascal_ios50"]))
        if not os.path.exists(VALIDATE):
            self.skipTest("../shared/tools/zip-validate is absent: archives not validated")

    def test_generated_clients_call_the_server(self):
        # language, client program, its build and its run in the unpacked folder
        cases = [
            ("java_android", "Main.java", "javac",
             lambda d: ["javac", "-d", os.path.join(d, "classes"), os.path.join(d, "Main.java"),
                        *self.sources(os.path.join(d, "com", "vavurerazev", "javaandroid"), ".java")],
             lambda d: ["java", "-cp", os.path.join(d, "classes"), "Main", str(self.port)]),
            ("csharp_silverlight", "Main.cs", "mcs",
             lambda d: ["mcs", "-out:" + os.path.join(d, "main.exe"), *self.sources(d, ".cs")],
             lambda d: ["mono", os.path.join(d, "main.exe"), str(self.port)]),
            ("freepascal_ios42", "Main.pas", "fpc",
             lambda d: ["fpc", "-Mobjfpc", "-FU" + d, "-Fu" + d, "-o" + os.path.join(d, "main"),
                        os.path.join(d, "Main.pas")],
             lambda d: [os.path.join(d, "main"), str(self.port)]),
        ]
        for language, program, compiler, build, run in cases:
            with self.subTest(language=language):
                if not shutil.which(compiler):
                    self.skipTest(f"{compiler} not installed")
                _, body = self.download(language)
                with tempfile.TemporaryDirectory() as unpacked:
                    zipfile.ZipFile(io.BytesIO(body)).extractall(unpacked)
                    shutil.copy(os.path.join(CLIENTS, program), unpacked)
                    done = subprocess.run(build(unpacked), capture_output=True, text=True, timeout=300, cwd=unpacked)
                    self.assertEqual(done.returncode, 0, done.stdout[-3000:] + done.stderr[-3000:])
                    done = subprocess.run(run(unpacked), capture_output=True, text=True, timeout=120, cwd=unpacked)
                    self.assertEqual(done.stdout.splitlines(), ["a b", "cba", "5", "OK"], done.stderr[-3000:])

    @staticmethod
    def sources(folder, extension):
        return sorted(os.path.join(folder, f) for f in os.listdir(folder) if f.endswith(extension))


if __name__ == "__main__":
    unittest.main()
