#!/usr/bin/python3
"""Packs the board's bitmaps and font into one gzip file for the web page.

   pack_art.py OUTPUT.gz FONT ICON ID:FILE... [ID:FILE@BASE...]

Records: a little-endian 32-bit id, a 32-bit size, the bytes. The icon gets id 1 and the
font id 2; the bitmaps keep their resource ids. BMP files are stored as lossless WebP, a third
smaller than BMP under gzip; the page decodes them back into BMP files before the core reads
them.

A bitmap given with @BASE differs from the bitmap BASE in a few places only (the art without
its words): it is stored as patches, one record each under its id, "KPAT", the patch's left
and top (16-bit little-endian) and the patch as WebP, to be laid over BASE.
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


# Rows or columns alike in both bitmaps that part two patches; closer differences share one.
PATCH_GAP = 4


def spans(flags):
    """(start, end) of the runs of true flags, runs closer than PATCH_GAP joined."""
    runs = []
    for i, flag in enumerate(flags):
        if not flag:
            continue
        if runs and i - runs[-1][1] < PATCH_GAP:
            runs[-1][1] = i + 1
        else:
            runs.append([i, i + 1])
    return runs


def patches(path, base_path):
    """The rectangles where `path` differs from `base_path`, as (left, top, WebP bytes)."""
    image = Image.open(path).convert("RGB")
    base = Image.open(base_path).convert("RGB")
    if image.size != base.size:
        sys.exit(f"pack_art.py: {path} and {base_path} differ in size")
    width, height = image.size
    a, b = image.load(), base.load()
    differs = [[a[x, y] != b[x, y] for x in range(width)] for y in range(height)]
    out = []
    for top, bottom in spans([any(row) for row in differs]):
        band = differs[top:bottom]
        for left, right in spans([any(row[x] for row in band) for x in range(width)]):
            piece = io.BytesIO()
            image.crop((left, top, right, bottom)).save(piece, format="WEBP", lossless=True,
                                                       quality=100, method=6)
            out.append((left, top, piece.getvalue()))
    return out


def main():
    output, font, icon, *entries = sys.argv[1:]
    records = [(1, icon), (2, font)]
    patched = []
    for entry in entries:
        ident, path = entry.split(":", 1)
        if "@" in path:
            patched.append((int(ident), *path.split("@", 1)))
        else:
            records.append((int(ident), path))
    body = bytearray()
    for ident, path in records:
        data = art_bytes(path)
        body += struct.pack("<II", ident, len(data)) + data
    for ident, path, base in patched:
        for left, top, data in patches(path, base):
            data = b"KPAT" + struct.pack("<HH", left, top) + data
            body += struct.pack("<II", ident, len(data)) + data
    # A fixed time stamp keeps the file the same from build to build.
    with open(output, "wb") as f:
        f.write(gzip.compress(bytes(body), compresslevel=9, mtime=0))


if __name__ == "__main__":
    main()
