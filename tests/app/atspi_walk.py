#!/usr/bin/python3
"""Walks kolo's accessible tree over AT-SPI, as a screen reader would.

Run inside a session bus with an X server (tests/app/with_atspi.sh does both):
    atspi_walk.py KOLO_EXECUTABLE [LANGUAGE]
Starts kolo on the bundled samples, finds the board's parts by name, fills the picture
through the canvas's action, then presses Undo through AT-SPI and checks that the fill was
taken back (Undo disabled again, Redo enabled).
"""

import subprocess
import sys
import time

import pyatspi

# The names in each language the program speaks: six buttons, the palette, the swatch, the
# canvas, the thumbnail (without the number of pictures), the swatch's first colour and the
# palette's first colour.
NAMES = {
    "en": (["Undo", "Redo", "Print", "Exit", "Previous picture", "Next picture"],
           "Colours", "Selected colour", "Picture: house.bmp", "Picture 1 of ", "pink", "white"),
    "fr": (["Annuler", "Rétablir", "Imprimer", "Quitter", "Image précédente", "Image suivante"],
           "Couleurs", "Couleur choisie", "Image : house.bmp", "Image 1 sur ", "rose", "blanc"),
    "de": (["Rückgängig", "Wiederholen", "Drucken", "Beenden", "Vorheriges Bild",
            "Nächstes Bild"],
           "Farben", "Gewählte Farbe", "Bild: house.bmp", "Bild 1 von ", "Rosa", "Weiß"),
    "ar": (["تراجع", "إعادة", "طباعة", "خروج", "الصورة السابقة", "الصورة التالية"],
           "الألوان", "اللون المختار", "الصورة: house.bmp", "الصورة 1 من ", "وردي", "أبيض"),
}
TIMEOUT = 30.0   # seconds for the program to show up and for each change


def wait_for(what, test):
    end = time.monotonic() + TIMEOUT
    while time.monotonic() < end:
        value = test()
        if value:
            return value
        time.sleep(0.1)
    names = [app.name for app in pyatspi.Registry.getDesktop(0) if app is not None]
    raise AssertionError("timed out waiting for %s (applications: %r)" % (what, names))


def find_application(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.name == name:
            return app
    return None


def walk(node, found, depth=0):
    if depth > 12:
        return
    try:
        name = node.name
        role = node.getRoleName()
    except Exception:
        return
    found.setdefault(name, []).append((role, node))
    for child in node:
        if child is not None:
            walk(child, found, depth + 1)


def parts(app):
    found = {}
    walk(app, found)
    return found


def enabled(node):
    return node.getState().contains(pyatspi.STATE_ENABLED)


def press(node):
    action = node.queryAction()
    assert action.nActions >= 1, node.name + " has no action"
    action.doAction(0)


def main():
    language = sys.argv[2] if len(sys.argv) > 2 else "en"
    buttons, palette_name, swatch_name, canvas_name, thumbnail_name, first_colour, white = \
        NAMES[language]
    program = subprocess.Popen([sys.argv[1]])
    failures = []
    try:
        app = wait_for("kolo on the accessibility bus",
                       lambda: find_application("org.kolobook.Kolo") or find_application("Kolo"))
        found = wait_for("the first picture",
                         lambda: (lambda f: f if any(n.startswith(thumbnail_name) and
                                                     n[len(thumbnail_name):].isdigit()
                                                     for n in f) else None)(parts(app)))
        for name in buttons:
            roles = [role for role, _ in found.get(name, [])]
            if "push button" not in roles:
                failures.append("no push button named %r (found %r)" % (name, roles))
        for name, role in ((palette_name, "grouping"), (swatch_name, "label"),
                           (canvas_name, "canvas")):
            if role not in [r for r, _ in found.get(name, [])]:
                failures.append("no %s named %r" % (role, name))
        palette = [node for role, node in found.get(palette_name, []) if role == "grouping"]
        if palette and palette[0].childCount != 132:
            failures.append("the palette has %d colours" % palette[0].childCount)
        if palette and palette[0][0].name != white:
            failures.append("the first colour is %r" % palette[0][0].name)
        swatch = found[swatch_name][0][1]
        if swatch.description != first_colour:
            failures.append("the swatch says %r" % swatch.description)
        if failures:
            return report(failures)

        # The board's buttons, not the header bar's menu items of the same names.
        undo = [node for role, node in found[buttons[0]] if role == "push button"][0]
        redo = [node for role, node in found[buttons[1]] if role == "push button"][0]
        if enabled(undo) or enabled(redo):
            failures.append("Undo or Redo enabled before any fill")
        press(found[canvas_name][0][1])
        wait_for("Undo enabled by the fill", lambda: enabled(undo))
        press(undo)
        wait_for("Redo enabled by Undo", lambda: enabled(redo))
        if enabled(undo):
            failures.append("Undo still enabled after undoing the only fill")
    finally:
        program.terminate()
        program.wait(timeout=10)
    return report(failures)


def report(failures):
    for failure in failures:
        print("atspi_walk: " + failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
