#!/usr/bin/python3
"""Regenerates every shipped picture and sound: the bitmaps, cursor and icon
under resources/, the desktop icons under data/icons/, the six page files under pages/, the page previews under
art/previews/, the sound effects under resources/sounds/ and the tune
pages/tintmus.mid. Deterministic: running it again writes identical bytes.

    python3 art/build_all.py            # everything
    python3 art/build_all.py furniture  # only some groups (see GROUPS)
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, HERE)

from twart import formats  # noqa: E402


def write(rel, data):
    path = os.path.join(ROOT, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    print(f"{rel}: {len(data)} bytes")


def build_furniture():
    import furniture
    for name, cv in furniture.build():
        write(f"resources/bitmaps/{name}.bmp", formats.bmp4(cv))


def build_titles():
    import titles
    write("resources/bitmaps/Titles.bmp", formats.bmp1(titles.build()))


def build_pointers():
    import pointers
    cursor, icon = pointers.build()
    write("resources/cursors/EditCursor.cur", formats.cursor_mono(cursor, (0, 0)))
    write("resources/icons/TWLIcon.ico", formats.icon16(icon))


def build_icons():
    import icons
    for rel, data in icons.build():
        write(f"data/icons/hicolor/{rel}", data)


def build_pages():
    import pages
    os.makedirs(os.path.join(HERE, "previews"), exist_ok=True)
    for filename, paper in pages.build():
        write(f"pages/{filename}", formats.page(paper))
        pages.save_preview(paper, os.path.join(HERE, "previews", filename.split(".")[0] + ".png"))


def build_intro():
    import intro
    for name, cv in intro.build():
        write(f"resources/bitmaps/{name}.bmp", formats.bmp4(cv))


def build_sounds():
    import sounds
    for name, data in sounds.build_sounds():
        write(f"resources/sounds/{name}", data)
    write("pages/tintmus.mid", sounds.midi_bytes())


GROUPS = {
    "furniture": build_furniture,
    "titles": build_titles,
    "pointers": build_pointers,
    "icons": build_icons,
    "pages": build_pages,
    "intro": build_intro,
    "sounds": build_sounds,
}


def main(argv):
    names = argv[1:] or list(GROUPS)
    for n in names:
        GROUPS[n]()


if __name__ == "__main__":
    main(sys.argv)
