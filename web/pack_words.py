#!/usr/bin/python3
"""The board's words for the web page, from the desktop program's catalogues.

   pack_words.py words OUTDIR SOURCE... -- CATALOGUE.po...
       writes OUTDIR/kolo-words-LANG.json for each catalogue: the translations of the
       messages the SOURCE files mark (N_("...") in C++, N_('...') and _tr('...') in the
       element), as one JSON object from English to the language.
   pack_words.py font IN.ttf OUT.ttf WORDS_SOURCE -- CATALOGUE.po...
       cuts the font IN.ttf to printable ASCII and the characters of the translations of the
       words WORDS_SOURCE marks (the words the board draws), with every joined form of the
       Arabic letters among them, which the board's text drawing picks.

Fuzzy and untranslated messages are left out; the page shows the English text for them.
"""
import json
import os
import re
import sys
import unicodedata

MARKED = [
    re.compile(r'\bN_\("((?:[^"\\]|\\.)*)"\)'),
    re.compile(r"\b(?:N_|_tr)\('((?:[^'\\]|\\.)*)'"),
]
ESCAPES = {"n": "\n", "t": "\t", '"': '"', "'": "'", "\\": "\\"}


def unescape(text):
    return re.sub(r"\\(.)", lambda m: ESCAPES.get(m.group(1), m.group(1)), text)


def marked_messages(paths):
    found = []
    for path in paths:
        with open(path, encoding="utf-8") as f:
            source = f.read()
        for pattern in MARKED:
            for match in pattern.finditer(source):
                message = unescape(match.group(1))
                if message not in found:
                    found.append(message)
    return found


def read_catalogue(path):
    """English -> translation for the catalogue's translated, not fuzzy, messages."""
    translations = {}
    entry = {}
    field = None
    fuzzy = False

    def close():
        nonlocal entry, fuzzy
        if entry.get("msgid") and entry.get("msgstr") and not fuzzy:
            translations[entry["msgid"]] = entry["msgstr"]
        entry, fuzzy = {}, False

    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if not line:
                close()
                field = None
            elif line.startswith("#,") and "fuzzy" in line:
                fuzzy = True
            elif line.startswith("#"):
                continue
            elif line.startswith('"') and field:
                entry[field] += unescape(line[1:-1])
            else:
                keyword, _, rest = line.partition(" ")
                field = keyword if keyword in ("msgid", "msgstr") else None
                if field:
                    entry[field] = unescape(rest.strip()[1:-1])
    close()
    return translations


def language(path):
    return os.path.splitext(os.path.basename(path))[0]


def write_words(outdir, sources, catalogues):
    messages = marked_messages(sources)
    os.makedirs(outdir, exist_ok=True)
    for path in catalogues:
        translations = read_catalogue(path)
        words = {m: translations[m] for m in messages if m in translations}
        out = os.path.join(outdir, f"kolo-words-{language(path)}.json")
        with open(out + ".part", "w", encoding="utf-8") as f:
            json.dump(words, f, ensure_ascii=False, separators=(",", ":"), sort_keys=True)
        os.replace(out + ".part", out)


def arabic_forms(letters):
    """The presentation forms (joined shapes and lam-alef ligatures) made of `letters` only."""
    forms = set()
    for code in range(0xFE70, 0xFF00):
        parts = unicodedata.decomposition(chr(code)).split()
        if parts and parts[0].startswith("<"):
            bases = {chr(int(p, 16)) for p in parts[1:]}
            if bases and bases <= letters:
                forms.add(code)
    return forms


def write_font(font_in, font_out, words_source, catalogues):
    from fontTools import subset

    words = marked_messages([words_source])
    characters = set(range(0x20, 0x7F))
    for path in catalogues:
        translations = read_catalogue(path)
        for word in words:
            characters.update(ord(c) for c in translations.get(word, ""))
    letters = {chr(c) for c in characters if 0x0600 <= c <= 0x06FF}
    if letters:
        characters |= arabic_forms(letters) | {0x0640}
    options = subset.Options()
    # The board's text drawing reads outlines and hinting only: no layout tables (it joins
    # Arabic itself and does not kern), no font editor's time stamps.
    options.drop_tables += ["GPOS", "GSUB", "GDEF", "MATH", "FFTM"]
    font = subset.load_font(font_in, options)
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=sorted(characters))
    subsetter.subset(font)
    subset.save_font(font, font_out + ".part", options)
    os.replace(font_out + ".part", font_out)


def main():
    mode, *rest = sys.argv[1:]
    split = rest.index("--")
    args, catalogues = rest[:split], rest[split + 1:]
    if mode == "words":
        write_words(args[0], args[1:], catalogues)
    elif mode == "font":
        write_font(args[0], args[1], args[2], catalogues)
    else:
        sys.exit(f"pack_words.py: unknown mode {mode}")


if __name__ == "__main__":
    main()
