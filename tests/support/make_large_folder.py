"""Writes a folder of large pictures for the benchmarks: COUNT pictures of WIDTH x HEIGHT named
photo00.EXT, photo01.EXT, ... with the extensions taken in turn from EXTENSIONS (default jpg),
and an index page linking them all. JPEG and BMP pictures look like photographs (soft colour
gradients, shapes, sensor noise) with outlines drawn over them; GIF pictures are line drawings
in a few colours, as GIF pictures are. With DISTINCT, only that many pictures are drawn and
the others are copies of them, in turn. Deterministic; skips the work when the folder already
holds everything.

Usage: /usr/bin/python3 make_large_folder.py DEST COUNT WIDTH HEIGHT [EXTENSIONS [DISTINCT]]
       e.g. make_large_folder.py /tmp/large 3 4000 3000 bmp,gif,jpg
"""
import os
import random
import shutil
import sys

from PIL import Image, ImageDraw


def outlines(draw, width, height, seed):
    rnd = random.Random(seed)
    line = max(2, width // 400)
    for _ in range(12):
        x0, y0 = rnd.randrange(width), rnd.randrange(height)
        x1, y1 = x0 + rnd.randrange(width // 20, width // 2), y0 + rnd.randrange(height // 20, height // 2)
        draw.ellipse((x0, y0, x1, y1), outline="black", width=line)
    draw.rectangle((line, line, width - line, height - line), outline="black", width=line)


def photo(width, height, seed):
    rnd = random.Random(seed)
    bands = [Image.linear_gradient("L").resize((width, height)),
             Image.radial_gradient("L").resize((width, height)),
             Image.linear_gradient("L").rotate(90).resize((width, height))]
    image = Image.merge("RGB", bands)
    draw = ImageDraw.Draw(image)
    for _ in range(10):
        x0, y0 = rnd.randrange(width), rnd.randrange(height)
        draw.ellipse((x0, y0, x0 + rnd.randrange(width // 10, width // 2), y0 + rnd.randrange(height // 10, height // 2)),
                     fill=(rnd.randrange(256), rnd.randrange(256), rnd.randrange(256)))
    noise = Image.effect_noise((width, height), 24).convert("RGB")
    image = Image.blend(image, noise, 0.3)
    outlines(ImageDraw.Draw(image), width, height, seed)
    return image


def drawing(width, height, seed):
    image = Image.new("RGB", (width, height), "white")
    draw = ImageDraw.Draw(image)
    rnd = random.Random(seed)
    for _ in range(6):
        x0, y0 = rnd.randrange(width), rnd.randrange(height)
        draw.rectangle((x0, y0, x0 + width // 8, y0 + height // 8),
                       fill=(rnd.randrange(256), rnd.randrange(256), rnd.randrange(256)))
    outlines(draw, width, height, seed)
    return image.convert("P", palette=Image.ADAPTIVE, colors=16)


def main():
    dest, count, width, height = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
    extensions = sys.argv[5].split(",") if len(sys.argv) > 5 else ["jpg"]
    distinct = int(sys.argv[6]) if len(sys.argv) > 6 else count
    os.makedirs(dest, exist_ok=True)
    names = ["photo%02d.%s" % (i, extensions[i % len(extensions)]) for i in range(count)]
    index = os.path.join(dest, "index.html")
    if os.path.exists(index) and all(os.path.exists(os.path.join(dest, n)) for n in names):
        return
    for i, name in enumerate(names):
        path = os.path.join(dest, name)
        ext = name.rsplit(".", 1)[1]
        if i >= distinct:
            shutil.copyfile(os.path.join(dest, names[i % distinct]), path)
        elif ext == "gif":
            drawing(width, height, i).save(path)
        elif ext == "jpg":
            photo(width, height, i).save(path, quality=90)
        else:
            photo(width, height, i).save(path)
    with open(index, "w") as f:
        f.write("".join('<a href="%s">%s</a>\n' % (n, n) for n in names))


if __name__ == "__main__":
    main()
