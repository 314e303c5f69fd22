#!/usr/bin/python3
"""Packs the board's bitmaps and font into one gzip file for the web page.

   pack_art.py OUTPUT.gz FONT ICON ID:FILE...

Records: a little-endian 32-bit id, a 32-bit size, the bytes. The icon gets id 1 and the
font id 2; the bitmaps keep their resource ids. BMP files are stored as lossless WebP, a third
smaller than BMP under gzip; the page decodes them back into BMP files before the core reads
them.
"""
import gzip
import io
import struct
import sys

from PIL import Image


def art_bytes(path):
    if not path.lower().endswith(".bmp"):
        with open(path, "rb") as f:
            return f.read()
    out = io.BytesIO()
    Image.open(path).convert("RGB").save(out, format="WEBP", lossless=True, quality=100, method=6)
    return out.getvalue()


def main():
    output, font, icon, *entries = sys.argv[1:]
    records = [(1, icon), (2, font)]
    for entry in entries:
        ident, path = entry.split(":", 1)
        records.append((int(ident), path))
    body = bytearray()
    for ident, path in records:
        data = art_bytes(path)
        body += struct.pack("<II", ident, len(data)) + data
    # A fixed time stamp keeps the file the same from build to build.
    with open(output, "wb") as f:
        f.write(gzip.compress(bytes(body), compresslevel=9, mtime=0))


if __name__ == "__main__":
    main()
