#!/usr/bin/python3
"""Packs the board's bitmaps and font into one gzip file for the web page.

   pack_art.py OUTPUT.gz FONT ICON ID:FILE...

Records: a little-endian 32-bit id, a 32-bit size, the bytes. The icon gets id 1 and the
font id 2; the bitmaps keep their resource ids.
"""
import gzip
import struct
import sys


def main():
    output, font, icon, *entries = sys.argv[1:]
    records = [(1, icon), (2, font)]
    for entry in entries:
        ident, path = entry.split(":", 1)
        records.append((int(ident), path))
    body = bytearray()
    for ident, path in records:
        with open(path, "rb") as f:
            data = f.read()
        body += struct.pack("<II", ident, len(data)) + data
    # A fixed time stamp keeps the file the same from build to build.
    with open(output, "wb") as f:
        f.write(gzip.compress(bytes(body), compresslevel=9, mtime=0))


if __name__ == "__main__":
    main()
