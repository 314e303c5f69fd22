#!/usr/bin/python3
"""The menu's "Close small gaps" in the real window, chosen with the pointer as a user would.

Run inside a session bus with an X server (tests/app/with_atspi.sh does both):
    close_gaps_menu.py KOLO_EXECUTABLE
On a page of two squares whose outlines have an opening two pixels wide, a click inside the
left one with the item on (the default) colours only that square; with it off, a click inside
the right one runs out over the page. The choice is kept in the settings file and shown by the
item when the program starts again, off and then on.
"""

import os
import subprocess
import sys
import tempfile
import time

import pyatspi
from PIL import Image, ImageDraw

from atspi_walk import find_application, parts, report, wait_for

CANVAS = (572, 452)
ITEM = "Close small gaps"
PINK = (255, 0, 132)                # the colour a board starts with
SIDE, OPENING = 120, 2              # a square's outer side and its opening, canvas pixels
SQUARES = ((80, 160), (340, 160))   # their top-left corners


def make_page(folder):
    page = Image.new("RGB", CANVAS, "white")
    draw = ImageDraw.Draw(page)
    for left, top in SQUARES:
        draw.rectangle((left, top, left + SIDE - 1, top + SIDE - 1), outline="black", width=2)
        middle = top + SIDE // 2
        draw.rectangle((left + SIDE - 2, middle, left + SIDE - 1, middle + OPENING - 1), fill="white")
    page.save(os.path.join(folder, "squares.png"))
    with open(os.path.join(folder, "index.html"), "w") as index:
        index.write('<a href="squares.png">squares</a>\n')


def pink_pixels(path):
    """Pink pixels of the saved picture inside each square and outside both."""
    picture = Image.open(path).convert("RGB").resize(CANVAS, Image.NEAREST)
    counts = [0, 0, 0]
    for y in range(CANVAS[1]):
        for x in range(CANVAS[0]):
            if picture.getpixel((x, y)) == PINK:
                counts[next((i for i, (left, top) in enumerate(SQUARES)
                             if left < x < left + SIDE - 1 and top < y < top + SIDE - 1), 2)] += 1
    return counts


def click(node, where=(0.5, 0.5)):
    """A click of the pointer on `node`, at `where` of its width and height."""
    extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    x, y = extents.x + int(where[0] * extents.width), extents.y + int(where[1] * extents.height)
    subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], check=True)


class Window:
    """One run of the program on the page, its parts found over AT-SPI."""

    def __init__(self, program, folder, saved):
        self.saved = saved
        self.process = subprocess.Popen([program, "--save-to", saved, "file://" + folder + "/"])
        app = wait_for("kolo on the accessibility bus", lambda: find_application("org.kolobook.Kolo"))
        self.found = wait_for("the picture on the canvas",
                              lambda: (lambda f: f if "Picture: squares.png" in f else None)(parts(app)))

    def part(self, name, role):
        return [node for r, node in self.found.get(name, []) if r == role][0]

    def choose(self, name, role="menu item"):
        """Opens the header bar's menu and clicks its item `name`."""
        item = self.part(name, role)
        click(self.part("Menu", "toggle button"))
        wait_for("the menu open", lambda: item.getState().contains(pyatspi.STATE_SHOWING))
        click(item)

    def gaps_closed(self):
        return self.part(ITEM, "check menu item").getState().contains(pyatspi.STATE_CHECKED)

    def toggle(self):
        before = self.gaps_closed()
        self.choose(ITEM, "check menu item")
        wait_for("the item to change", lambda: self.gaps_closed() != before)

    def fill_in(self, square):
        """Clicks the middle of a square, then saves until the fill shows in the saved picture;
        the pink pixels it counts."""
        left, top = SQUARES[square]
        click(self.part("Picture: squares.png", "canvas"),
              ((left + SIDE // 2 + 0.5) / CANVAS[0], (top + SIDE // 2 + 0.5) / CANVAS[1]))

        def saved():
            if os.path.exists(self.saved):
                os.remove(self.saved)
            self.choose("Save as PNG…")
            end = time.monotonic() + 5
            while not os.path.exists(self.saved) and time.monotonic() < end:
                time.sleep(0.1)
            counts = pink_pixels(self.saved) if os.path.exists(self.saved) else None
            return counts if counts and counts[square] > 0 else None
        return wait_for("the fill in the saved picture", saved)

    def quit(self):
        self.choose("Quit")
        return self.process.wait(timeout=20)


def main():
    failures = []
    setting = os.path.join(os.environ["XDG_DATA_HOME"], "kolo", "close-gaps")
    inner = (SIDE - 4) * (SIDE - 4)   # a square's inside, within its two-pixel lines
    with tempfile.TemporaryDirectory() as folder:
        make_page(folder)
        saved = os.path.join(folder, "saved.png")
        for run, closed in enumerate((True, False, True)):
            window = Window(sys.argv[1], folder, saved)
            try:
                if window.gaps_closed() != closed:
                    failures.append("run %d starts with the item %s" % (run, "off" if closed else "on"))
                if run == 0:
                    counts = window.fill_in(0)
                    # The fill may reach into the opening it stops at, no further.
                    if counts[0] < inner or counts[2] > OPENING * OPENING:
                        failures.append("with gaps closed the fill covers %r (squares, outside)" % counts)
                    window.toggle()
                    counts = window.fill_in(1)
                    if counts[1] < inner or counts[2] < CANVAS[0] * CANVAS[1] // 2:
                        failures.append("with gaps open the fill covers %r" % counts)
                elif not closed:
                    window.toggle()
                if window.quit() != 0:
                    failures.append("Quit ended run %d with an error" % run)
            finally:
                window.process.kill()
            width = None
            if os.path.exists(setting):
                with open(setting) as kept:
                    width = kept.read().strip()
            if width != ("0" if run == 0 else "2"):
                failures.append("after run %d the settings file says %r" % (run, width))
    return report(failures)


if __name__ == "__main__":
    sys.exit(main())
