#!/usr/bin/env python3
"""The fetch of a library's Debian source (cmake/QorSources.cmake with
cmake/resolve-debian-source.py) against a stand-in Debian archive served on
127.0.0.1, its indexes signed with a key made for the run.

  debian_sources_test.py CMAKE SOURCE_DIR
"""

import hashlib
import http.server
import io
import lzma
import os
import shutil
import subprocess
import sys
import tarfile
import tempfile
import threading
import types
import unittest

CMAKE, SOURCE_DIR = sys.argv[1], sys.argv[2]
DRIVER = os.path.join(SOURCE_DIR, "tests", "sources", "fetch-source.cmake")
PATCHER = os.path.join(SOURCE_DIR, "cmake", "apply-debian-patches.sh")

PACKAGE = "qorfake"
PINNED = ("5.1.9", "0+deb12u1")


def sha256(data):
    return hashlib.sha256(data).hexdigest()


class Keys:
    """A throwaway signing key in a GnuPG home of its own, and a keyring
    holding only its public half."""

    def __init__(self, folder, name):
        self.home = tempfile.mkdtemp(prefix="gpg.", dir="/tmp")  # the agent's socket path is short
        self.keyring = os.path.join(folder, name + ".gpg")
        self.gpg("--quick-gen-key", f"{name} <{name}@archive.invalid>", "ed25519", "sign", "never")
        with open(self.keyring, "wb") as f:
            f.write(self.gpg("--export"))

    def gpg(self, *args, stdin=None):
        # The agent gpg starts for the secret key outlives it: stopped
        # after each use, so that none is left behind however the test ends.
        try:
            return subprocess.run(["gpg", "--homedir", self.home, "--batch", "--pinentry-mode", "loopback",
                                   "--passphrase", "", *args],
                                  input=stdin, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                  check=True, timeout=120).stdout
        finally:
            self.stop_agent()

    def stop_agent(self):
        subprocess.run(["gpgconf", "--homedir", self.home, "--kill", "gpg-agent"],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    def clearsign(self, text):
        return self.gpg("--clearsign", "--digest-algo", "SHA256", stdin=text)

    def close(self):
        self.stop_agent()
        shutil.rmtree(self.home, ignore_errors=True)


def release(version, revision, epoch="7:", directory=f"pool/main/q/{PACKAGE}"):
    """The files of one release of the package and its Sources stanza."""
    orig = f"{PACKAGE}_{version}.orig.tar.xz"
    debian = f"{PACKAGE}_{version}-{revision}.debian.tar.xz"
    dsc = f"{PACKAGE}_{version}-{revision}.dsc"
    files = {name: f"{name} of the stand-in archive\n".encode() * 50 for name in (orig, debian, dsc)}
    sums = "".join(f" {sha256(data)} {len(data)} {name}\n" for name, data in files.items())
    stanza = (f"Package: {PACKAGE}\nBinary: lib{PACKAGE}59\nVersion: {epoch}{version}-{revision}\n"
              f"Maintainer: Nobody <nobody@archive.invalid>\nDirectory: {directory}\n"
              f"Files:\n 0123456789abcdef0123456789abcdef 10 {dsc}\nChecksums-Sha256:\n{sums}")
    return stanza, directory, files


OTHER = ("Package: other\nVersion: 1.0-1\nDirectory: pool/main/o/other\nChecksums-Sha256:\n"
         f" {'0' * 64} 10 other_1.0.orig.tar.xz\n")


class Archive:
    """A folder laid out as a Debian archive (main and security beside each
    other) and an HTTP server on 127.0.0.1 that serves it and notes what
    was asked for."""

    def __init__(self, root):
        self.root = root
        self.requests = []
        archive = self

        class Handler(http.server.SimpleHTTPRequestHandler):
            def __init__(self, *args, **kwargs):
                super().__init__(*args, directory=root, **kwargs)

            def do_GET(self):
                archive.requests.append(self.path)
                super().do_GET()

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()
        self.url = f"http://127.0.0.1:{self.server.server_address[1]}"

    def close(self):
        self.server.shutdown()
        self.server.server_close()

    def put(self, path, data):
        path = os.path.join(self.root, path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)

    def add_files(self, archive, directory, files):
        for name, data in files.items():
            self.put(f"{archive}/{directory}/{name}", data)

    def publish(self, archive, codename, stanzas, keys, extra="", by_hash=False):
        """Writes a suite's Sources.xz and its InRelease signed by `keys`."""
        sources = "\n".join(stanzas).encode()
        packed = lzma.compress(sources)
        base = f"{archive}/dists/{codename}"
        self.put(f"{base}/main/source/Sources.xz", packed)
        if by_hash:
            self.put(f"{base}/main/source/by-hash/SHA256/{sha256(packed)}", packed)
        text = (f"Origin: Debian\nSuite: oldstable\nCodename: {codename}\n{extra}"
                f"Acquire-By-Hash: {'yes' if by_hash else 'no'}\n"
                f"MD5Sum:\n {'f' * 32} {len(packed)} main/source/Sources.xz\n"
                f"SHA256:\n {sha256(sources)} {len(sources)} main/source/Sources\n"
                f" {sha256(packed)} {len(packed)} main/source/Sources.xz\n")
        self.put(f"{base}/InRelease", keys.clearsign(text.encode()))

    def path(self, path):
        return os.path.join(self.root, path)


def load_resolver():
    # The script's file name is not an importable module name.
    path = os.path.join(SOURCE_DIR, "cmake", "resolve-debian-source.py")
    module = types.ModuleType("resolver")
    module.__file__ = path
    sys.modules[module.__name__] = module
    with open(path, encoding="utf-8") as script:
        exec(compile(script.read(), path, "exec"), module.__dict__)
    return module


class DebianSourceFetch(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="debian-sources.")
        cls.keys = Keys(cls.folder, "archive")
        cls.stranger = Keys(cls.folder, "stranger")
        cls.pinned = release(*PINNED)

    @classmethod
    def tearDownClass(cls):
        cls.keys.close()
        cls.stranger.close()
        shutil.rmtree(cls.folder, ignore_errors=True)

    def setUp(self):
        self.work = tempfile.mkdtemp(dir=self.folder)
        self.archive = Archive(os.path.join(self.work, "archive"))
        self.cache = os.path.join(self.work, "cache")

    def tearDown(self):
        self.archive.close()

    def fetch(self, keyring=None):
        """Runs the fetch as the configuration does: (exit status, what it
        printed, the result's fields)."""
        _, _, files = self.pinned
        orig = f"{PACKAGE}_{PINNED[0]}.orig.tar.xz"
        debian = f"{PACKAGE}_{PINNED[0]}-{PINNED[1]}.debian.tar.xz"
        result = os.path.join(self.work, "result")
        if os.path.exists(result):
            os.remove(result)
        run = subprocess.run(
            [CMAKE, f"-DQOR_SOURCE_CACHE={self.cache}", f"-DQOR_DEBIAN_ARCHIVE={self.archive.url}/debian",
             f"-DQOR_DEBIAN_SECURITY_ARCHIVE={self.archive.url}/nowhere;{self.archive.url}/debian-security",
             f"-DQOR_DEBIAN_KEYRING={keyring or self.keys.keyring}", f"-DPACKAGE={PACKAGE}",
             f"-DVERSION={PINNED[0]}", f"-DREVISION={PINNED[1]}",
             f"-DORIG_SHA256={sha256(files[orig])}", f"-DDEBIAN_SHA256={sha256(files[debian])}",
             f"-DRESULT={result}", "-P", DRIVER],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=240)
        fields = {}
        if os.path.exists(result):
            with open(result) as f:
                fields = dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
        return run.returncode, run.stdout.decode(), fields

    def cached(self):
        return sorted(os.listdir(self.cache)) if os.path.isdir(self.cache) else []

    def security_update(self, version):
        """A newer release of the package in the security archive's pool."""
        update = release(version, "0+deb12u1", directory=f"pool/updates/main/q/{PACKAGE}")
        self.archive.add_files("debian-security", update[1], update[2])
        return update

    def publish_bookworm(self, security_release=None, keys=None, main_extra=""):
        """bookworm with the pinned release, an older one and one of the
        next series, an empty updates suite, and the security suite with
        `security_release`."""
        keys = keys or self.keys
        older = release("5.1.8", "0+deb12u2")
        newer_series = release("6.0.1", "1")
        self.archive.publish("debian", "bookworm", [OTHER, older[0], self.pinned[0], newer_series[0]], keys,
                             extra=main_extra, by_hash=True)
        self.archive.publish("debian", "bookworm-updates", [OTHER], keys)
        security = [OTHER] + ([security_release[0]] if security_release else [])
        self.archive.publish("debian-security", "bookworm-security", security, keys,
                             extra="Valid-Until: Sat, 01 Jan 2101 00:00:00 UTC\n")

    def test_pinned_release_comes_first_and_is_then_taken_from_the_cache(self):
        _, directory, files = self.pinned
        self.archive.add_files("debian", directory, files)
        # Signed indexes offering a newer release do not replace the pin.
        newer = self.security_update("5.1.11")
        self.publish_bookworm(security_release=newer)

        status, output, fields = self.fetch()
        self.assertEqual(status, 0, output)
        self.assertEqual(fields["version"], "5.1.9-0+deb12u1")
        self.assertNotIn("Warning", output)
        self.assertEqual(self.cached(), ["qorfake_5.1.9-0+deb12u1.debian.tar.xz", "qorfake_5.1.9.orig.tar.xz"])
        with open(fields["orig"], "rb") as f:
            self.assertEqual(f.read(), files["qorfake_5.1.9.orig.tar.xz"])
        self.assertFalse(any("/dists/" in path for path in self.archive.requests))

        self.archive.requests.clear()
        status, output, fields = self.fetch()
        self.assertEqual((status, fields["version"]), (0, "5.1.9-0+deb12u1"), output)
        self.assertEqual(self.archive.requests, [])

    def test_vanished_pin_takes_the_newest_release_of_its_series_from_the_signed_indexes(self):
        # The orig tarball stays in the pool (a new Debian revision of the
        # same upstream release keeps it), the pinned debian tarball is gone.
        _, directory, files = self.pinned
        self.archive.add_files("debian", directory, {n: d for n, d in files.items() if ".orig." in n})
        newer = self.security_update("5.1.11")
        self.publish_bookworm(security_release=newer)

        status, output, fields = self.fetch()
        self.assertEqual(status, 0, output)
        self.assertEqual(fields["version"], "7:5.1.11-0+deb12u1")
        self.assertIn("Warning", output)
        self.assertIn("7:5.1.11-0+deb12u1", output)
        with open(fields["orig"], "rb") as f:
            self.assertEqual(f.read(), newer[2]["qorfake_5.1.11.orig.tar.xz"])
        self.assertEqual(fields["orig_sha256"], sha256(newer[2]["qorfake_5.1.11.orig.tar.xz"]))
        with open(fields["debian"], "rb") as f:
            self.assertEqual(f.read(), newer[2]["qorfake_5.1.11-0+deb12u1.debian.tar.xz"])
        self.assertNotIn("qorfake_5.1.11-0+deb12u1.dsc", self.cached())
        self.assertFalse([name for name in self.cached() if name.endswith(".part") or name.startswith(".")])
        # The main suite's Sources came by hash; the first security mirror
        # does not answer and the second one served the files.
        self.assertTrue(any("/debian/dists/bookworm/main/source/by-hash/SHA256/" in p for p in self.archive.requests))
        self.assertIn(f"/debian-security/pool/updates/main/q/{PACKAGE}/qorfake_5.1.11.orig.tar.xz",
                      self.archive.requests)

        # The next configuration takes the same release from the cache,
        # warning again, without asking the archive.
        self.archive.requests.clear()
        status, output, fields = self.fetch()
        self.assertEqual((status, fields["version"]), (0, "7:5.1.11-0+deb12u1"), output)
        self.assertIn("Warning", output)
        self.assertEqual(self.archive.requests, [])

    def test_what_the_signatures_do_not_vouch_for_is_refused(self):
        newer = release("5.1.10", "0+deb12u1", directory=f"pool/updates/main/q/{PACKAGE}")

        def tampered_sources():
            # As long as the signed one, one bit changed.
            path = "debian/dists/bookworm-updates/main/source/Sources.xz"
            with open(self.archive.path(path), "rb") as f:
                data = bytearray(f.read())
            data[len(data) // 2] ^= 1
            self.archive.put(path, bytes(data))

        def tampered_inrelease():
            path = self.archive.path("debian/dists/bookworm/InRelease")
            with open(path, "rb") as f:
                text = f.read()
            self.archive.put("debian/dists/bookworm/InRelease", text.replace(b"oldstable", b"oldstabla"))

        def tampered_tarball():
            data = bytearray(newer[2]["qorfake_5.1.10.orig.tar.xz"])
            data[7] ^= 1
            self.archive.put(f"debian-security/{newer[1]}/qorfake_5.1.10.orig.tar.xz", bytes(data))

        def other_suite():
            self.archive.publish("debian", "trixie", [OTHER, newer[0]], self.keys)
            shutil.copy(self.archive.path("debian/dists/trixie/InRelease"),
                        self.archive.path("debian/dists/bookworm-updates/InRelease"))

        cases = {
            "a Sources index that is not the signed one":
                (tampered_sources, None, "Sources.xz: SHA-256"),
            "an InRelease changed after signing": (tampered_inrelease, None, "no good signature"),
            "an InRelease signed by a key outside the keyring": (None, self.stranger, "no good signature"),
            "a tarball that is not the indexed one": (tampered_tarball, None, "the signed index gives"),
            "the signed index of another suite": (other_suite, None, "of trixie, not of bookworm-updates"),
            "an expired index": (None, None, "expired"),
            "an index older than the pin": (None, None, "older than the pinned"),
        }
        for name, (spoil, keys, reason) in cases.items():
            with self.subTest(name):
                shutil.rmtree(self.archive.root, ignore_errors=True)
                shutil.rmtree(self.cache, ignore_errors=True)
                self.archive.add_files("debian-security", newer[1], newer[2])
                if name == "an index older than the pin":
                    self.archive.publish("debian", "bookworm", [release("5.1.8", "0+deb12u2")[0]], self.keys)
                    self.archive.publish("debian", "bookworm-updates", [OTHER], self.keys)
                    self.archive.publish("debian-security", "bookworm-security", [OTHER], self.keys)
                else:
                    self.publish_bookworm(
                        keys=keys, security_release=newer,
                        main_extra="Valid-Until: Fri, 01 Jan 2021 00:00:00 UTC\n" if name == "an expired index" else "")
                if spoil:
                    spoil()
                status, output, fields = self.fetch()
                self.assertNotEqual(status, 0, output)
                self.assertEqual(fields, {})
                self.assertIn(reason, output)
                # What was tried and both ways out.
                self.assertIn(f"pool/main/q/{PACKAGE}/qorfake_5.1.9.orig.tar.xz", output)
                self.assertIn("qorfake_5.1.9-0+deb12u1.debian.tar.xz", output)
                self.assertIn("-DQOR_SOURCE_CACHE=DIR", output)
                self.assertIn("-DQOR_OWN_TEST=OFF", output)
                # Nothing half-written, nothing unverified kept.
                self.assertEqual([n for n in self.cached() if "5.1.10" in n or n.endswith(".part")
                                  or n.endswith(".fallback") or n.startswith(".")], [])

    def test_the_keyring_is_a_parameter(self):
        newer = self.security_update("5.1.10")
        self.publish_bookworm(keys=self.stranger, security_release=newer)
        status, output, _ = self.fetch()
        self.assertNotEqual(status, 0, output)
        status, output, fields = self.fetch(keyring=self.stranger.keyring)
        self.assertEqual((status, fields.get("version")), (0, "7:5.1.10-0+deb12u1"), output)

    def test_debian_version_order(self):
        compare = load_resolver().compare_versions
        ordered = ["5.1.8-0+deb12u2", "5.1.9~rc1-1", "5.1.9-0+deb12u1", "5.1.9-0+deb12u1+b1",
                   "5.1.9-0+deb12u9", "5.1.9-0+deb12u10", "5.1.10-0+deb12u1", "5.1.10a-1", "1:0.1-1"]
        for lower, higher in zip(ordered, ordered[1:]):
            with self.subTest(f"{lower} < {higher}"):
                self.assertEqual(compare(lower, higher), -1)
                self.assertEqual(compare(higher, lower), 1)
        self.assertEqual(compare("7:5.1.9-0+deb12u1", "7:5.1.9-0+deb12u1"), 0)


class DebianPatches(unittest.TestCase):
    """apply-debian-patches.sh: the series in order, skipping the named
    ones, and a clear stop when a patch no longer applies."""

    def debian_tarball(self, folder, patches, series):
        path = os.path.join(folder, "x.debian.tar.xz")
        with tarfile.open(path, "w:xz") as tar:
            for name, text in list(patches.items()) + [("series", series)]:
                info = tarfile.TarInfo(f"debian/patches/{name}")
                info.size = len(text.encode())
                tar.addfile(info, io.BytesIO(text.encode()))
        return path

    def test_series(self):
        with tempfile.TemporaryDirectory() as folder:
            source = os.path.join(folder, "src")
            os.mkdir(source)
            with open(os.path.join(source, "a.c"), "w") as f:
                f.write("one\ntwo\nthree\n")
            patches = {
                "fix.patch": "--- a/a.c\n+++ b/a.c\n@@ -1,3 +1,3 @@\n one\n-two\n+TWO\n three\n",
                "flavour.patch": "--- a/a.c\n+++ b/a.c\n@@ -1,3 +1,3 @@\n-one\n+ONE\n two\n three\n",
                "stale.patch": "--- a/a.c\n+++ b/a.c\n@@ -1,3 +1,3 @@\n one\n-zwei\n+ZWEI\n three\n",
            }
            tarball = self.debian_tarball(folder, patches, "# comment\nfix.patch\nflavour.patch\n")
            run = subprocess.run(["sh", PATCHER, tarball, "flavour.patch"], cwd=source,
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
            self.assertEqual(run.returncode, 0, run.stdout)
            with open(os.path.join(source, "a.c")) as f:
                self.assertEqual(f.read(), "one\nTWO\nthree\n")

            tarball = self.debian_tarball(folder, patches, "stale.patch\n")
            run = subprocess.run(["sh", PATCHER, tarball], cwd=source,
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
            self.assertNotEqual(run.returncode, 0)
            self.assertIn(b"The patch stale.patch of x.debian.tar.xz does not apply", run.stdout)
            self.assertIn(b"-DQOR_OWN_FFMPEG=OFF", run.stdout)


if __name__ == "__main__":
    for tool in ("gpg", "gpgv", "gpgconf", "patch"):
        if not shutil.which(tool):
            print(f"{tool} is not installed", file=sys.stderr)
            sys.exit(77)
    unittest.main(argv=[sys.argv[0], "-v"])
