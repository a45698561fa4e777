#!/usr/bin/env python3
"""Makes the built-in station database and default favourites.

Run once by hand when the station data changes; its output is committed:

    python3 tools/qor-lists/make-builtin.py DATA_FOLDER resources/lists

DATA_FOLDER holds tr_stations.csv (radio-browser.info, public domain) and
intl_stations_webradiodb.csv (webradiodb, public domain). The output is
broadcast.xml and playlist.xml in the format the player writes, which the
build seals into the BROADCAST and PLAYLIST resources.

Keys are derived from the station address, so a station keeps its key when
the data is refreshed and other stations come or go; favourites link to the
database by key.
"""

import csv
import sys
import zlib
from pathlib import Path
from urllib.parse import urlsplit

HEAD = '<?xml version="1.0" encoding="utf-8" standalone="yes" ?>\r\n<playlist>\r\n'
TAIL = "</playlist>"
SCHEMES = ("http", "https", "mms", "mmsh", "rtmp", "rtsp")
JUNK_LEAD = " .,;:-_*~#!|/\\\"'`"

# Well-known stations offered as the first favourites, matched by name in
# the database. The first becomes the favourite with id 210, the one a new
# installation plays first.
FAVOURITES = [
    "Kral FM",
    "JOY TÜRK TURKEY",
    "Super Fm",
    "Metro fm turkey",
    "Virgin Radio Türkiye",
    "Power Love",
    "Slow Turk",
    "Kiss Türk",
    "NRG Türk",
    "Best Fm",
    "Radyo Eksen 96.2",
    "NTV Radyo",
    "Habertürk Radyo",
    "İTÜ Radyosu Klasik",
    "Radyo ODTU",
    "BBC World Service",
    "Deutschlandfunk",
    "Classic FM",
    "FIP Groove",
    "SwissGroove",
]
FIRST_FAVOURITE_ID = 210


def escape(text):
    out = []
    for ch in text:
        if ch == "\0":
            break
        out.append({"&": "&amp;", "<": "&lt;", ">": "&gt;", '"': "&quot;", "'": "&apos;"}.get(ch, ch))
    return "".join(out)


def tidy_name(name, url):
    name = " ".join(name.split())
    name = name.lstrip(JUNK_LEAD).strip()
    if not name:
        name = urlsplit(url).hostname or url
    return name


def normal_address(url):
    parts = urlsplit(url)
    return "%s://%s%s%s" % (parts.scheme.lower(), (parts.netloc or "").lower(),
                            parts.path.rstrip("/"), "?" + parts.query if parts.query else "")


def usable_address(url):
    if not url or len(url) > 2000 or any(ch.isspace() for ch in url):
        return False
    try:
        parts = urlsplit(url)
    except ValueError:
        return False
    return parts.scheme.lower() in SCHEMES and bool(parts.hostname)


def read_rows(path, keep):
    with open(path, newline="", encoding="utf-8") as f:
        for row in csv.DictReader(f):
            if keep(row):
                yield row["name"], row["url"].strip()


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make-builtin.py DATA_FOLDER OUTPUT_FOLDER")
    data, out = Path(sys.argv[1]), Path(sys.argv[2])
    rows = list(read_rows(data / "tr_stations.csv", lambda r: True))
    # Rows that came from another project's playlists are left out.
    rows += list(read_rows(data / "intl_stations_webradiodb.csv", lambda r: r.get("source") != "moode"))

    stations, seen, keys = [], set(), set()
    for name, url in rows:
        if not usable_address(url):
            continue
        address = normal_address(url)
        if address in seen:
            continue
        seen.add(address)
        key = 100000 + zlib.crc32(address.encode("utf-8")) % 900000
        while key in keys:
            key = 100000 + (key - 100000 + 1) % 900000
        keys.add(key)
        stations.append((str(key), tidy_name(name, url), url))

    by_name = {}
    for station in stations:
        by_name.setdefault(station[1], station)
    favourites = []
    for number, name in enumerate(FAVOURITES):
        if name not in by_name:
            sys.exit("favourite not in the database: " + name)
        key, station_name, url = by_name[name]
        favourites.append((key, FIRST_FAVOURITE_ID + number, station_name, url))

    broadcast = HEAD + "".join('  <r d="%s" n="%s" l="%s" />\r\n' % (k, escape(n), escape(u))
                               for k, n, u in stations) + TAIL
    playlist = HEAD + "".join('  <r d="%s" i="%.08x" n="%s" l="%s" />\r\n' % (k, i, escape(n), escape(u))
                              for k, i, n, u in favourites) + TAIL
    out.mkdir(parents=True, exist_ok=True)
    (out / "broadcast.xml").write_bytes(broadcast.encode("utf-8"))
    (out / "playlist.xml").write_bytes(playlist.encode("utf-8"))
    print("%d stations, %d favourites" % (len(stations), len(favourites)))


if __name__ == "__main__":
    main()
