"""Authenticode signatures on the executable and the MSI, made by tools/sign.py as the build
option ZUB_SIGN_PKCS12 makes them, with a throw-away certificate, checked by osslsigncode."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import pefile  # Debian's python3-pefile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, "..", "..", "tools"), os.path.join(HERE, "..", "wine")]
import check_resources  # noqa: E402
import wine_prefix  # noqa: E402

BUILT = {"exe": wine_prefix.LAUNCHER, "msi": os.environ.get("ZUB_MSI", "")}


def run(*argv, **env):
    return subprocess.run(argv, capture_output=True, text=True, env=dict(os.environ, **env))


def tampered(data: bytes, kind: str) -> bytes:
    """One byte changed inside the signed range: in the code, or in the MSI's string pool."""
    at = (pefile.PE(data=data).sections[0].PointerToRawData + 64 if kind == "exe"
          else data.index(b"Varnelo"))
    return data[:at] + bytes([data[at] ^ 1]) + data[at + 1:]


@unittest.skipUnless(all(BUILT.values()), "needs ZUB_LAUNCHER and ZUB_MSI (the Windows build)")
class Signing(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="zub-signing-")
        cls.addClassCleanup(shutil.rmtree, cls.root)
        for name in ("signer", "other"):  # the same subject name, another key
            key, pem, p12 = (os.path.join(cls.root, name + ext) for ext in (".key", ".pem", ".p12"))
            run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                "-keyout", key, "-out", pem, "-subj", "/CN=ZUB Test",
                "-addext", "keyUsage=critical,digitalSignature",
                "-addext", "extendedKeyUsage=codeSigning")
            run("openssl", "pkcs12", "-export", "-inkey", key, "-in", pem, "-out", p12,
                "-passout", "env:ZUB_SIGN_PASSWORD", ZUB_SIGN_PASSWORD="geheim")
        cls.signed = {kind: os.path.join(cls.root, "signed." + kind) for kind in BUILT}
        for kind, built in BUILT.items():
            result = cls.sign(built, cls.signed[kind])
            assert result.returncode == 0, result.stderr

    @classmethod
    def sign(cls, source, target, *options, password="geheim"):
        return run("/usr/bin/python3", os.path.join(HERE, "..", "..", "tools", "sign.py"),
                   "--pkcs12", os.path.join(cls.root, "signer.p12"), *options, source, target,
                   ZUB_SIGN_PASSWORD=password)

    def verify(self, path, certificate="signer"):
        return run("osslsigncode", "verify", "-CAfile",
                   os.path.join(self.root, certificate + ".pem"), "-in", path)

    def test_a_signature_holds_for_its_certificate_and_the_signed_bytes_only(self):
        for kind, signed in self.signed.items():
            with self.subTest(kind):
                result = self.verify(signed)
                self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
                self.assertNotEqual(self.verify(signed, "other").returncode, 0)
                with open(signed, "rb") as f, open(signed + ".changed", "wb") as changed:
                    changed.write(tampered(f.read(), kind))
                result = self.verify(signed + ".changed")
                self.assertNotEqual(result.returncode, 0)
                self.assertIn("MISMATCH", result.stdout)

    def test_a_failed_signing_in_place_leaves_no_unsigned_file(self):
        for name, options, password in [
                ("wrong password", [], "falsch"),
                ("timestamp server not reached", ["--timestamp-url", "http://127.0.0.1:9/"],
                 "geheim")]:
            with self.subTest(name):
                exe = shutil.copy(BUILT["exe"], os.path.join(self.root, "in-place.exe"))
                result = self.sign(exe, exe, *options, password=password)
                self.assertIn("osslsigncode could not sign", result.stderr)
                self.assertFalse(os.path.exists(exe))

    def test_the_signed_executable_keeps_its_resources_and_runs_under_wine(self):
        self.assertEqual(check_resources.check(self.signed["exe"]), [])
        wine = wine_prefix.Prefix("signing")
        self.addCleanup(wine.close)
        self.assertEqual(wine.launch("-h", exe=self.signed["exe"]).code, 0)


if __name__ == "__main__":
    unittest.main()
