#!/usr/bin/env python3
"""Finds the release of a Debian source package that a Debian release holds
now, through the archive's signed indexes, and fetches its orig and debian
tarballs into a folder.

The build pins one release of each library with its SHA-256 sums; Debian
removes that release from its pool as soon as a point release or a security
update replaces it. Then this script reads each suite's InRelease (checked
with gpgv against the archive keyring), the suite's Sources index (checked
against the sum the InRelease gives), takes the highest version of the
pinned upstream series and fetches its tarballs (checked against the sums
the Sources index gives). Nothing but what the signatures vouch for is
used, every length read is bounded, and every file is written to a
temporary name and renamed only once its sum is right.

  resolve-debian-source.py --package ffmpeg --series 5.1 --pinned 5.1.9-0+deb12u1
      --keyring FILE --cache DIR --record FILE
      --suite bookworm URL [URL ...] --suite bookworm-security URL ...

Each --suite names a suite and the archive mirrors that carry it (tried in
order). Every suite must be read: the highest version is only known when
all of them were. On success the record file lists what was fetched
(key=value lines); on failure the reasons go to standard error and the
exit status is 1.
"""

import argparse
import functools
import gzip
import hashlib
import http.client
import lzma
import os
import re
import subprocess
import sys
import tempfile
import urllib.error
import urllib.request
from email.utils import parsedate_to_datetime
from datetime import datetime, timezone

INRELEASE_LIMIT = 8 << 20        # the real ones are about 150 KB
SOURCES_LIMIT = 256 << 20        # compressed or not; bookworm's main is 50 MB unpacked
LINE_LIMIT = 1 << 20             # one line of a Sources stanza
TARBALL_LIMIT = 1 << 30
TIMEOUT = 60                     # seconds without progress of one request

SAFE_NAME = re.compile(r"^[A-Za-z0-9][A-Za-z0-9.+~_-]*$")
SAFE_DIRECTORY = re.compile(r"^pool/[A-Za-z0-9.+_/-]+$")
VERSION = re.compile(r"^(?:[0-9]+:)?[0-9][A-Za-z0-9.+~-]*$")
SHA256_LINE = re.compile(r"^ ([0-9a-f]{64}) +([0-9]+) +(\S+)$")


class Refused(Exception):
    """What was fetched is not what the signed indexes vouch for, or could
    not be fetched at all."""


# --- Debian version order (as dpkg compares) --------------------------------

def _char_order(c):
    if c == "~":
        return -1
    if c.isalpha():
        return ord(c)
    return ord(c) + 256


def _compare_part(a, b):
    i = j = 0
    while i < len(a) or j < len(b):
        # The non-digit run: ~ before everything, even the end; letters
        # before other characters.
        while (i < len(a) and not a[i].isdigit()) or (j < len(b) and not b[j].isdigit()):
            ca = _char_order(a[i]) if i < len(a) and not a[i].isdigit() else 0
            cb = _char_order(b[j]) if j < len(b) and not b[j].isdigit() else 0
            if ca != cb:
                return -1 if ca < cb else 1
            i += 1
            j += 1
        na = nb = 0
        while i < len(a) and a[i].isdigit():
            na = na * 10 + int(a[i])
            i += 1
        while j < len(b) and b[j].isdigit():
            nb = nb * 10 + int(b[j])
            j += 1
        if na != nb:
            return -1 if na < nb else 1
    return 0


def split_version(version):
    """(epoch, upstream, revision) of a Debian version."""
    epoch, _, rest = version.partition(":") if ":" in version else ("0", "", version)
    upstream, dash, revision = rest.rpartition("-")
    if not dash:
        upstream, revision = rest, ""
    return int(epoch or 0), upstream, revision


def compare_versions(a, b):
    ea, ua, ra = split_version(a)
    eb, ub, rb = split_version(b)
    if ea != eb:
        return -1 if ea < eb else 1
    return _compare_part(ua, ub) or _compare_part(ra, rb)


# --- Fetching -----------------------------------------------------------------

def _temporary(dest):
    """A new file beside `dest` (its descriptor and name), with the mode a
    plain new file gets rather than mkstemp's owner-only one."""
    fd, part = tempfile.mkstemp(prefix=os.path.basename(dest) + ".", suffix=".part",
                                dir=os.path.dirname(dest) or ".")
    umask = os.umask(0)
    os.umask(umask)
    os.fchmod(fd, 0o666 & ~umask)
    return fd, part


def fetch(url, dest, limit, exact_size=None, sha256=None):
    """Downloads `url` to `dest` through a temporary file in dest's folder:
    at most `limit` bytes (or exactly `exact_size`), renamed only when the
    sum (if given) is right."""
    fd, part = _temporary(dest)
    try:
        digest = hashlib.sha256()
        size = 0
        bound = limit if exact_size is None else min(limit, exact_size)
        request = urllib.request.Request(url, headers={"User-Agent": "qor-build"})
        with os.fdopen(fd, "wb") as out, urllib.request.urlopen(request, timeout=TIMEOUT) as response:
            while True:
                chunk = response.read(min(1 << 16, bound + 1 - size))
                if not chunk:
                    break
                size += len(chunk)
                if size > bound:
                    raise Refused(f"{url}: longer than the {bound} bytes expected")
                digest.update(chunk)
                out.write(chunk)
        if exact_size is not None and size != exact_size:
            raise Refused(f"{url}: {size} bytes, the index gives {exact_size}")
        if sha256 is not None and digest.hexdigest() != sha256:
            raise Refused(f"{url}: SHA-256 {digest.hexdigest()}, the signed index gives {sha256}")
        os.replace(part, dest)
    except urllib.error.HTTPError as error:
        raise Refused(f"{url}: HTTP {error.code} {error.reason}") from None
    except urllib.error.URLError as error:
        raise Refused(f"{url}: {error.reason}") from None
    except (OSError, ValueError, http.client.HTTPException) as error:
        raise Refused(f"{url}: {error!r}") from None
    finally:
        if os.path.exists(part):
            os.remove(part)


def verify_signature(inrelease, keyring, cleartext):
    """Writes the signed text of `inrelease` to `cleartext` when gpgv finds
    at least one good signature by a key of `keyring` and no bad one.
    Signatures by keys the keyring lacks are passed over, as apt does: the
    archive signs with the keys of several releases at once."""
    if not os.path.isfile(keyring):
        raise Refused(f"the keyring {keyring} is missing (package debian-archive-keyring)")
    try:
        run = subprocess.run(["gpgv", "--status-fd", "1", "--keyring", os.path.abspath(keyring),
                              "--output", cleartext, inrelease],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
    except FileNotFoundError:
        raise Refused("gpgv is not installed (package gpgv)") from None
    status = run.stdout.decode("utf-8", "replace").splitlines()
    good = [line for line in status if line.startswith("[GNUPG:] GOODSIG ")]
    bad = [line for line in status if line.startswith("[GNUPG:] BADSIG ")]
    if bad or not good:
        reason = [" ".join(line.split()) for line in run.stderr.decode("utf-8", "replace").splitlines()]
        raise Refused("no good signature by a key of %s: %s" % (keyring, " / ".join(reason[-2:]) or "gpgv failed"))


def read_release(cleartext, suite):
    """The fields and the SHA256 list of a verified InRelease text."""
    with open(cleartext, "rb") as f:
        text = f.read(INRELEASE_LIMIT + 1)
    if len(text) > INRELEASE_LIMIT:
        raise Refused("the InRelease text is too long")
    fields, sums, section = {}, {}, None
    for line in text.decode("utf-8", "replace").splitlines():
        if line.startswith(" "):
            if section == "SHA256":
                m = SHA256_LINE.match(line)
                if m:
                    sums[m.group(3)] = (m.group(1), int(m.group(2)))
            continue
        key, _, value = line.partition(":")
        section = key
        fields[key] = value.strip()
    # Every suite is signed with the same keys: an index of another one
    # served in its place would otherwise pass.
    if fields.get("Codename") != suite:
        raise Refused(f"the signed index is of {fields.get('Codename') or 'no suite'}, not of {suite}")
    if "Valid-Until" in fields:
        try:
            until = parsedate_to_datetime(fields["Valid-Until"])
        except (TypeError, ValueError):
            raise Refused(f"unreadable Valid-Until {fields['Valid-Until']!r}") from None
        if until.tzinfo is None:
            until = until.replace(tzinfo=timezone.utc)
        if until < datetime.now(timezone.utc):
            raise Refused(f"the signed index expired on {fields['Valid-Until']} (an old copy?)")
    return fields, sums


def sources_stanzas(path, compression):
    """The stanzas of a Sources index as dicts, the Checksums-Sha256 field
    as a list of (sum, size, name)."""
    opener = lzma.open if compression == "xz" else gzip.open
    total = 0
    stanza, field = {}, None
    try:
        with opener(path, "rb") as f:
            while True:
                raw = f.readline(LINE_LIMIT + 1)
                total += len(raw)
                if total > SOURCES_LIMIT:
                    raise Refused("the Sources index unpacks to more than %d bytes" % SOURCES_LIMIT)
                if len(raw) > LINE_LIMIT:
                    raise Refused("a line of the Sources index is longer than %d bytes" % LINE_LIMIT)
                line = raw.decode("utf-8", "replace").rstrip("\n")
                if not line.strip():
                    if stanza:
                        yield stanza
                    stanza, field = {}, None
                    if not raw:
                        return
                    continue
                if line[0] in " \t":
                    if field == "Checksums-Sha256":
                        m = SHA256_LINE.match(line)
                        if m:
                            stanza[field].append((m.group(1), int(m.group(2)), m.group(3)))
                    continue
                field, _, value = line.partition(":")
                stanza[field] = [] if field == "Checksums-Sha256" else value.strip()
    except (lzma.LZMAError, EOFError, OSError) as error:
        raise Refused(f"the Sources index does not unpack: {error}") from None


def read_suite(suite, mirrors, keyring, work, package, series):
    """The stanzas of `package` in the upstream `series` that `suite` holds,
    each with the mirrors its files are fetched from."""
    tried = []
    for mirror in mirrors:
        base = mirror.rstrip("/")
        try:
            inrelease = os.path.join(work, "InRelease")
            cleartext = os.path.join(work, "Release")
            for path in (inrelease, cleartext):
                if os.path.exists(path):
                    os.remove(path)
            fetch(f"{base}/dists/{suite}/InRelease", inrelease, INRELEASE_LIMIT)
            verify_signature(inrelease, keyring, cleartext)
            fields, sums = read_release(cleartext, suite)
            for compression in ("xz", "gz"):
                name = f"main/source/Sources.{compression}"
                if name in sums:
                    break
            else:
                raise Refused("the signed index lists no main/source/Sources.xz or .gz")
            sha256, size = sums[name]
            if size > SOURCES_LIMIT:
                raise Refused(f"{name} is {size} bytes")
            sources = os.path.join(work, "Sources." + compression)
            # By hash first: a mirror in the middle of an update may serve a
            # newer Sources under its name than the InRelease it served.
            urls = [f"{base}/dists/{suite}/{name}"]
            if fields.get("Acquire-By-Hash", "").lower() == "yes":
                urls.insert(0, f"{base}/dists/{suite}/main/source/by-hash/SHA256/{sha256}")
            errors = []
            for url in urls:
                try:
                    fetch(url, sources, SOURCES_LIMIT, exact_size=size, sha256=sha256)
                    break
                except Refused as error:
                    errors.append(str(error))
            else:
                raise Refused("; ".join(errors))
            found = []
            for stanza in sources_stanzas(sources, compression):
                if stanza.get("Package") != package:
                    continue
                version = stanza.get("Version", "")
                upstream = split_version(version)[1] if VERSION.match(version) else ""
                if upstream == series or upstream.startswith(series + "."):
                    found.append((stanza, suite, [base] + [m.rstrip("/") for m in mirrors if m != mirror]))
            return found
        except Refused as error:
            tried.append(f"{base}/dists/{suite}: {error}")
    raise Refused("\n".join(tried))


def tarballs(stanza, package):
    """(name, sha256, size) of the orig and of the debian tarball of a stanza."""
    version = stanza["Version"]
    _, upstream, revision = split_version(version)
    if not revision:
        raise Refused(f"{package} {version} is a native package, without an orig tarball")
    orig = re.compile(re.escape(f"{package}_{upstream}.orig.tar.") + r"(xz|gz|bz2)$")
    debian = re.compile(re.escape(f"{package}_{upstream}-{revision}.debian.tar.") + r"(xz|gz|bz2)$")
    picked = {}
    for sha256, size, name in stanza.get("Checksums-Sha256", []):
        if not SAFE_NAME.match(name):
            raise Refused(f"{package} {version} names the file {name!r}")
        for kind, pattern in (("orig", orig), ("debian", debian)):
            if pattern.match(name):
                picked[kind] = (name, sha256, size)
    for kind in ("orig", "debian"):
        if kind not in picked:
            raise Refused(f"the index lists no {kind} tarball of {package} {version}")
        if picked[kind][2] > TARBALL_LIMIT:
            raise Refused(f"{picked[kind][0]} is {picked[kind][2]} bytes")
    return picked["orig"], picked["debian"]


def write_record(path, entries):
    fd, part = _temporary(path)
    try:
        with os.fdopen(fd, "w") as f:
            for key, value in entries:
                f.write(f"{key}={value}\n")
        os.replace(part, path)
    finally:
        if os.path.exists(part):
            os.remove(part)


def resolve(args):
    os.makedirs(args.cache, exist_ok=True)
    candidates, failures = [], []
    with tempfile.TemporaryDirectory(prefix=".index.", dir=args.cache) as work:
        for suite, *mirrors in args.suite:
            try:
                candidates += read_suite(suite, mirrors, args.keyring, work, args.package, args.series)
            except Refused as error:
                failures.append(str(error))
    if failures:
        raise Refused("\n".join(failures))
    if not candidates:
        raise Refused(f"no suite holds {args.package} {args.series}.x")
    stanza, suite, mirrors = max(candidates, key=functools.cmp_to_key(
        lambda a, b: compare_versions(a[0]["Version"], b[0]["Version"])))
    version = stanza["Version"]
    named = f"{args.package} {version}"
    # An older release than the pinned one is never taken: only a signed
    # but stale index would offer it.
    if compare_versions(version.partition(":")[2] if ":" in version else version, args.pinned) < 0:
        raise Refused(f"the signed indexes offer {named}, older than the pinned {args.pinned}")
    directory = stanza.get("Directory", "")
    if not SAFE_DIRECTORY.match(directory) or ".." in directory.split("/"):
        raise Refused(f"{named} has the folder {directory!r}")
    fetched = []
    for name, sha256, size in tarballs(stanza, args.package):
        dest = os.path.join(args.cache, name)
        if not (os.path.exists(dest) and file_sha256(dest) == sha256):
            errors = []
            for mirror in mirrors:
                try:
                    fetch(f"{mirror}/{directory}/{name}", dest, TARBALL_LIMIT, exact_size=size, sha256=sha256)
                    break
                except Refused as error:
                    errors.append(str(error))
            else:
                raise Refused("\n".join(errors))
        fetched.append((name, sha256))
    write_record(args.record, [("pinned", args.pinned), ("version", version), ("suite", suite),
                               ("orig", fetched[0][0]), ("orig_sha256", fetched[0][1]),
                               ("debian", fetched[1][0]), ("debian_sha256", fetched[1][1])])


def file_sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for chunk in iter(lambda: f.read(1 << 20), b""):
            digest.update(chunk)
    return digest.hexdigest()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--package", required=True)
    parser.add_argument("--series", required=True)
    parser.add_argument("--pinned", required=True)
    parser.add_argument("--keyring", required=True)
    parser.add_argument("--cache", required=True)
    parser.add_argument("--record", required=True)
    parser.add_argument("--suite", nargs="+", action="append", required=True, metavar=("SUITE", "URL"))
    args = parser.parse_args()
    if any(len(suite) < 2 for suite in args.suite):
        parser.error("--suite needs a suite and at least one mirror")
    try:
        resolve(args)
    except Refused as error:
        print(error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
