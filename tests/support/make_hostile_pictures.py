"""Writes small files that declare pictures costing far more than their size, one of each kind,
for the decode-cost tests. Deterministic; written once, the folder appearing whole.

  png_interlaced_rgba.png   8000 × 8000, RGBA, Adam7, every pixel transparent (about 250 KB)
  jpeg_cmyk_progressive.jpg 4000 × 4000, CMYK, progressive (the library keeps every coefficient)
  jpeg_stray_byte.jpg       the same with a stray byte between two segments before the frame
  jpeg_cmyk_too_large.jpg   the same header claiming 8000 × 8000: half a gigabyte of coefficients
  gif_dropped_first.gif     a 1 × 1 image that is dropped (code size 12), then 8000 × 8000
  bmp_rle_huge.bmp          8000 × 8000, run-length encoded, ended at once

Usage: /usr/bin/python3 make_hostile_pictures.py DEST
"""
import os
import shutil
import struct
import sys
import zlib

from PIL import Image

SIDE = 8000
JPEG_SIDE = 4000

# Adam7: first row, row step, first column, column step of each pass.
ADAM7 = [(0, 8, 0, 8), (0, 8, 4, 8), (4, 8, 0, 4), (0, 4, 2, 4), (2, 4, 0, 2), (0, 2, 1, 2), (1, 2, 0, 1)]


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def interlaced_rgba_png(side):
    # Every pass's rows are a filter byte and zero pixels: the stream is all zero bytes.
    raw = 0
    for row0, row_step, column0, column_step in ADAM7:
        rows = max(0, (side - row0 + row_step - 1) // row_step)
        columns = max(0, (side - column0 + column_step - 1) // column_step)
        if rows and columns:
            raw += rows * (1 + 4 * columns)
    compressor = zlib.compressobj(9)
    zeros = bytes(1 << 20)
    data = b""
    while raw > 0:
        n = min(raw, len(zeros))
        data += compressor.compress(zeros[:n])
        raw -= n
    data += compressor.flush()
    header = struct.pack(">IIBBBBB", side, side, 8, 6, 0, 0, 1)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", data) + chunk(b"IEND", b"")


def cmyk_progressive_jpeg(path):
    Image.new("CMYK", (JPEG_SIDE, JPEG_SIDE), (0, 0, 0, 0)).save(path, "JPEG", progressive=True, quality=50)
    with open(path, "rb") as f:
        return f.read()


def frame_offset(jpeg):
    # The first start-of-frame marker's position, walking the segments.
    at = 2
    while True:
        marker = jpeg[at + 1]
        if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
            return at
        at += 2 + struct.unpack(">H", jpeg[at + 2:at + 4])[0]


def dropped_first_gif(side):
    screen = b"GIF89a" + struct.pack("<HH", side, side) + b"\x80\x00\x00" + b"\x00\x00\x00\xff\xff\xff"
    dropped = b"\x2c" + struct.pack("<HHHH", 0, 0, 1, 1) + b"\x00" + b"\x0c\x01\x00\x00"
    # A clear code and an end code at code size 2: all index 0.
    huge = b"\x2c" + struct.pack("<HHHH", 0, 0, side, side) + b"\x00" + b"\x02\x01\x2c\x00"
    return screen + dropped + huge + b"\x3b"


def rle_bmp(side):
    rows = b"\x00\x01"   # end of bitmap: every pixel entry 0
    table = b"\x00\x00\x00\x00\xff\xff\xff\x00"
    info = struct.pack("<IiiHHIIiiII", 40, side, side, 1, 8, 1, len(rows), 2835, 2835, 2, 0)
    offset = 14 + len(info) + len(table)
    return b"BM" + struct.pack("<IHHI", offset + len(rows), 0, 0, offset) + info + table + rows


def main():
    dest = sys.argv[1]
    if os.path.isdir(dest):
        return
    # Written beside and renamed into place, so that tests starting together never see half.
    work = "%s.%d" % (dest, os.getpid())
    os.makedirs(work, exist_ok=True)

    def write(name, data):
        with open(os.path.join(work, name), "wb") as f:
            f.write(data)

    write("png_interlaced_rgba.png", interlaced_rgba_png(SIDE))
    jpeg = cmyk_progressive_jpeg(os.path.join(work, "jpeg_cmyk_progressive.jpg"))
    frame = frame_offset(jpeg)
    write("jpeg_stray_byte.jpg", jpeg[:frame] + b"\x00" + jpeg[frame:])
    write("jpeg_cmyk_too_large.jpg", jpeg[:frame + 5] + struct.pack(">HH", SIDE, SIDE) + jpeg[frame + 9:])
    write("gif_dropped_first.gif", dropped_first_gif(SIDE))
    write("bmp_rle_huge.bmp", rle_bmp(SIDE))
    try:
        os.rename(work, dest)
    except OSError:
        shutil.rmtree(work)   # another run was first


if __name__ == "__main__":
    main()
