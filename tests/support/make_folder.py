"""Writes a small folder of line drawings for the folder-loading tests: black outlines on
white, one each as BMP, GIF and JPEG, with names in mixed case. Deterministic.

Usage: /usr/bin/python3 make_folder.py DEST [WIDTH HEIGHT]
"""
import os
import sys

from PIL import Image, ImageDraw


def drawing(width, height, shape):
    image = Image.new("RGB", (width, height), "white")
    draw = ImageDraw.Draw(image)
    box = (width // 6, height // 6, width * 5 // 6, height * 5 // 6)
    if shape == "circle":
        draw.ellipse(box, outline="black", width=max(2, width // 150))
    elif shape == "square":
        draw.rectangle(box, outline="black", width=max(2, width // 150))
    else:
        draw.polygon([(width // 2, box[1]), (box[2], box[3]), (box[0], box[3])], outline="black",
                     width=max(2, width // 150))
    return image


def main():
    dest = sys.argv[1]
    width, height = (int(sys.argv[2]), int(sys.argv[3])) if len(sys.argv) > 3 else (572, 452)
    os.makedirs(dest, exist_ok=True)
    drawing(width, height, "square").save(os.path.join(dest, "House.BMP"))
    drawing(width, height, "circle").convert("P", palette=Image.ADAPTIVE, colors=4).save(
        os.path.join(dest, "sun.gif"))
    drawing(width, height, "triangle").save(os.path.join(dest, "Tree.Jpg"), quality=95)


if __name__ == "__main__":
    main()
