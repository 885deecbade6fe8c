#!/usr/bin/env python3
"""Draws the programs' desktop icons (packaging/icons/hicolor/<size>/apps)
with the drawings of their window icons in make-pendrel-resources.py, at the
sizes the desktop's icon theme looks for. Run it again after changing a
drawing; the files it writes are committed.

    python3 tools/make-desktop-icons.py
"""

import importlib.util
import os

HERE = os.path.dirname(os.path.abspath(__file__))
_spec = importlib.util.spec_from_file_location("pendrel_resources", os.path.join(HERE, "make-pendrel-resources.py"))
res = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(res)

ICONS = os.path.join(HERE, "..", "packaging", "icons", "hicolor")
SIZES = (16, 24, 32, 48, 64, 128, 256)
PROGRAMS = {"org.morvane.Quenzel": res.icon_trainer, "org.morvane.Keyboard": res.icon_keyboard}


def main():
    for name, draw in PROGRAMS.items():
        for size in SIZES:
            folder = os.path.join(ICONS, "%dx%d" % (size, size), "apps")
            os.makedirs(folder, exist_ok=True)
            path = os.path.join(folder, name + ".png")
            with open(path, "wb") as f:
                f.write(res.png_bytes(draw(size)))
            print("wrote", os.path.relpath(path))


if __name__ == "__main__":
    main()
