#!/usr/bin/env python3
"""scripts/release from end to end: two releases of one tree, built in folders
of different names at different times, are the same bytes; a release made with
a certificate has every executable signed and time-stamped, the uninstallers
inside the installers too, and a signature that no longer holds once a byte
changes. The time stamps come from an RFC 3161 server of the test's own, on
this machine's loopback address. The Debian package installs where the
screen savers look and touches no file of theirs.

--deb-only has scripts/release make the Debian packages alone, for a quicker
round: the two releases are compared, signing is not tried."""
import hashlib
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import unittest
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
DEB_ONLY = "--deb-only" in sys.argv[1:]
if DEB_ONLY:
    sys.argv.remove("--deb-only")


def tree_copy(destination, fresh=False):
    """The work tree as git sees it (committed or not, ignored files left out),
    its files' times kept, or fresh ones (now), as a new checkout has."""
    names = subprocess.run(["git", "-C", str(ROOT), "ls-files", "-z", "-co", "--exclude-standard"],
                           capture_output=True, check=True).stdout.decode().split("\0")
    for name in filter(None, names):
        source = ROOT / name
        if source.is_file():
            (destination / name).parent.mkdir(parents=True, exist_ok=True)
            (shutil.copy if fresh else shutil.copy2)(source, destination / name)
    return destination


def release(tree, out, env=None):
    out.parent.mkdir(parents=True, exist_ok=True)
    log = out.parent / (out.name + ".log")
    with open(log, "wb") as sink:
        code = subprocess.run([str(tree / "scripts" / "release"), "--out", str(out)] + ["--deb-only"] * DEB_ONLY, cwd=tree,
                              env={**os.environ, **(env or {})}, stdin=subprocess.DEVNULL, stdout=sink,
                              stderr=subprocess.STDOUT, timeout=1800).returncode
    text = log.read_text("utf-8", "replace")
    if code != 0:
        raise AssertionError(f"scripts/release failed ({code}):\n{text}")
    return text


def verify(path, ca, tsa_ca):
    """osslsigncode's verdict (0: the signature holds) and what it said."""
    done = subprocess.run(["osslsigncode", "verify", "-in", str(path), "-CAfile", str(ca), "-TSA-CAfile", str(tsa_ca)],
                          capture_output=True, text=True)
    return done.returncode, done.stdout + done.stderr


def certificate(folder, name, usage):
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:3072", "-sha256", "-days", "30", "-nodes",
                    "-keyout", str(folder / f"{name}.key"), "-out", str(folder / f"{name}.pem"),
                    "-subj", f"/CN=Lumora Test {name}", "-addext", f"extendedKeyUsage={usage}"],
                   capture_output=True, check=True)
    return folder / f"{name}.pem"


class TimeStamps(http.server.BaseHTTPRequestHandler):
    """A time-stamp authority: openssl ts answers each request."""
    folder = None

    def do_POST(self):
        with tempfile.TemporaryDirectory() as work:
            query = Path(work) / "query.tsq"
            query.write_bytes(self.rfile.read(int(self.headers["Content-Length"])))
            done = subprocess.run(["openssl", "ts", "-reply", "-config", str(self.folder / "tsa.cnf"),
                                   "-queryfile", str(query), "-signer", str(self.folder / "tsa.pem"),
                                   "-inkey", str(self.folder / "tsa.key"), "-out", str(Path(work) / "reply.tsr")],
                                  capture_output=True)
            reply = (Path(work) / "reply.tsr").read_bytes() if done.returncode == 0 else b""
        self.send_response(200 if reply else 500)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *args):
        pass


class Release(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = Path(tempfile.mkdtemp(prefix="lumora-release-"))
        # Every build of one commit stands for the same moment.
        cls.epoch = os.environ.get("SOURCE_DATE_EPOCH") or subprocess.run(
            ["git", "-C", str(ROOT), "log", "-1", "--format=%ct"], capture_output=True, text=True,
            check=True).stdout.strip()

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def test_two_releases_in_different_folders_at_different_times_are_the_same_bytes(self):
        first = tree_copy(self.work / "a" / "lumora")
        second = tree_copy(self.work / "second-checkout" / "elsewhere" / "lumora-src", fresh=True)
        one = release(first, self.work / "a" / "dist", {"SOURCE_DATE_EPOCH": self.epoch, "TZ": "UTC"})
        if not DEB_ONLY:
            self.assertIn("UNSIGNED", one)
        two = release(second, self.work / "b" / "dist", {"SOURCE_DATE_EPOCH": self.epoch, "TZ": "Asia/Tokyo"})
        sums = [(self.work / d / "dist" / "SHA256SUMS").read_text() for d in ("a", "b")]
        print(f"\nfirst release ({first}):\n{sums[0]}second release ({second}):\n{sums[1]}")
        self.assertEqual(sums[0], sums[1])
        names = sorted(p.name for p in (self.work / "a" / "dist").iterdir())
        self.assertEqual(names, sorted(p.name for p in (self.work / "b" / "dist").iterdir()))
        for name in names:
            self.assertEqual((self.work / "a" / "dist" / name).read_bytes(),
                             (self.work / "b" / "dist" / name).read_bytes(), name)
        # What the checksums list is what is there, and nothing is left out.
        listed = {}
        for line in sums[0].splitlines():
            digest, name = line.split(None, 1)
            listed[name.lstrip("*")] = digest
        self.assertEqual(sorted(listed), [n for n in names if n != "SHA256SUMS"])
        for name, digest in listed.items():
            self.assertEqual(hashlib.sha256((self.work / "a" / "dist" / name).read_bytes()).hexdigest(), digest)
        if not DEB_ONLY:
            self.assertIn("UNSIGNED", two)
        self.check_debian_package(next((self.work / "a" / "dist").glob("lumora_*.deb")))

    def check_debian_package(self, deb):
        listing = subprocess.run(["dpkg-deb", "-c", str(deb)], capture_output=True, text=True, check=True).stdout
        # The program on the PATH, and XScreenSaver's folder linking to it.
        self.assertIn("./usr/libexec/xscreensaver/lumora -> ../../bin/lumora", listing)
        paths = {line.split()[5].lstrip(".") for line in listing.splitlines()}
        for path in ["/usr/bin/lumora", "/usr/share/xscreensaver/config/lumora.xml",
                     "/usr/share/applications/screensavers/lumora.desktop", "/usr/share/man/man6/lumora.6.gz"]:
            self.assertIn(path, paths)
        # XScreenSaver's list of hacks is a conffile of its own package: nothing
        # may change it, neither a file of ours nor a script run at installation.
        self.assertFalse([p for p in paths if p.startswith("/etc")], listing)
        control = subprocess.run(["dpkg-deb", "--ctrl-tarfile", str(deb)], capture_output=True, check=True).stdout
        scripts = subprocess.run(["tar", "-t"], input=control, capture_output=True, check=True).stdout.decode()
        self.assertFalse({"./preinst", "./postinst", "./prerm", "./postrm"} & set(scripts.split()), scripts)

    @unittest.skipIf(DEB_ONLY, "the Debian packages are not signed")
    def test_a_configured_certificate_signs_and_time_stamps_every_executable(self):
        keys = self.work / "keys"
        keys.mkdir()
        ca = certificate(keys, "signer", "codeSigning")
        subprocess.run(["openssl", "pkcs12", "-export", "-inkey", str(keys / "signer.key"), "-in", str(ca),
                        "-out", str(keys / "signer.p12"), "-passout", "pass:throw-away"], capture_output=True, check=True)
        tsa_ca = certificate(keys, "tsa", "critical,timeStamping")
        (keys / "serial").write_text("01\n")
        (keys / "tsa.cnf").write_text(f"""[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
serial = {keys / 'serial'}
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256
accuracy = secs:1
ess_cert_id_alg = sha256
""")
        TimeStamps.folder = keys
        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), TimeStamps)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        self.addCleanup(server.server_close)
        self.addCleanup(server.shutdown)

        tree = tree_copy(self.work / "signed" / "lumora")
        out = self.work / "signed" / "dist"
        said = release(tree, out, {"SOURCE_DATE_EPOCH": self.epoch, "LUMORA_SIGN_PKCS12": str(keys / "signer.p12"),
                                   "LUMORA_SIGN_PASSWORD": "throw-away",
                                   "LUMORA_SIGN_TIMESTAMP": f"http://127.0.0.1:{server.server_address[1]}/"})
        self.assertIn("Signed:", said)
        self.assertIn("time-stamped", said)
        self.assertNotIn("throw-away", said)

        unpacked = self.work / "signed" / "unpacked"
        signed = []
        with zipfile.ZipFile(next(out.glob("Lumora-*-scr.zip"))) as archive:
            archive.extractall(unpacked / "zip")
        signed += [unpacked / "zip" / "x64" / "Lumora.scr", unpacked / "zip" / "x86" / "Lumora.scr"]
        for setup in sorted(out.glob("Lumora-*-setup-*.exe")):
            signed.append(setup)
            inside = unpacked / setup.stem
            subprocess.run(["7z", "x", "-y", f"-o{inside}", str(setup)], stdout=subprocess.DEVNULL, check=True)
            signed += [inside / "uninstall.exe", next(inside.rglob("Lumora.scr.new"))]
        self.assertEqual(len(signed), 8)
        for path in signed:
            with self.subTest(signed=str(path.relative_to(self.work))):
                code, said = verify(path, ca, tsa_ca)
                self.assertEqual(code, 0, said)
                self.assertIn("Timestamp Server Signature verification: ok", said)
                changed = path.with_name(path.name + ".changed")
                data = bytearray(path.read_bytes())
                data[len(data) // 3] ^= 0x01
                changed.write_bytes(bytes(data))
                self.assertNotEqual(verify(changed, ca, tsa_ca)[0], 0, "a changed byte still verifies")


if __name__ == "__main__":
    program = unittest.main(exit=False, verbosity=2)
    failed = len(program.result.failures) + len(program.result.errors)
    print(f"release: {program.result.testsRun - failed} passed, {failed} failed")
    sys.exit(1 if failed or program.result.testsRun == 0 else 0)
