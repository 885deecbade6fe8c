#!/usr/bin/env python3
"""Draws the dictionary page's button icons (Pendrel/res/icon 304-307,
353-357) with the shapes and file writers of make-pendrel-resources.py.
Each pair is a coloured icon and its grey copy, which the buttons show while
disabled. Run it again after changing a drawing; the files it writes are
committed.

    python3 tools/make-dictionary-icons.py
"""

import importlib.util
import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))
_spec = importlib.util.spec_from_file_location("pendrel_resources", os.path.join(HERE, "make-pendrel-resources.py"))
res = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(res)

DISABLED = (160, 160, 160)


def magnifier(s, color):
    c = res.Canvas(s, s)
    c.ring(0.42 * s, 0.42 * s, 0.28 * s, 0.09 * s, color)
    c.circle(0.42 * s, 0.42 * s, 0.235 * s, (225, 238, 252) if color != DISABLED else (236, 236, 236))
    c.line(0.62 * s, 0.62 * s, 0.9 * s, 0.9 * s, 0.14 * s, color)
    return c


def pencil(s, color):
    c = res.Canvas(s, s)
    body = res.GOLD if color != DISABLED else DISABLED
    c.line(0.25 * s, 0.75 * s, 0.8 * s, 0.2 * s, 0.2 * s, body)
    c.line(0.72 * s, 0.12 * s, 0.88 * s, 0.28 * s, 0.08 * s, color)
    c.polygon([(0.1 * s, 0.9 * s), (0.16 * s, 0.66 * s), (0.34 * s, 0.84 * s)], color)
    return c


def clock(s, color):
    c = res.Canvas(s, s)
    c.circle(s / 2, s / 2, 0.46 * s, color)
    c.circle(s / 2, s / 2, 0.36 * s, res.WHITE)
    c.line(s / 2, s / 2, s / 2, 0.24 * s, max(1.2, 0.09 * s), color)
    c.line(s / 2, s / 2, 0.7 * s, 0.6 * s, max(1.2, 0.09 * s), color)
    return c


def arrow(s, color, right):
    c = res.Canvas(s, s)
    tip, back = (0.9, 0.45) if right else (0.1, 0.55)
    shaft = [(0.12, 0.4), (0.55, 0.4), (0.55, 0.6), (0.12, 0.6)] if right else \
            [(0.88, 0.4), (0.45, 0.4), (0.45, 0.6), (0.88, 0.6)]
    c.polygon([(x * s, y * s) for x, y in shaft], color)
    c.polygon([(tip * s, 0.5 * s), (back * s, 0.18 * s), (back * s, 0.82 * s)], color)
    return c


def main():
    sizes = (16, 24, 32, 48)
    icons = {
        304: lambda s: pencil(s, res.BLUE), 305: lambda s: pencil(s, DISABLED),
        306: lambda s: magnifier(s, res.BLUE), 307: lambda s: magnifier(s, DISABLED),
        353: lambda s: clock(s, res.BLUE),
        354: lambda s: arrow(s, res.GREEN, True), 355: lambda s: arrow(s, DISABLED, True),
        356: lambda s: arrow(s, res.GREEN, False), 357: lambda s: arrow(s, DISABLED, False),
    }
    for number, draw in icons.items():
        res.write("icon/%d.ico" % number, res.ico_bytes([draw(s) for s in sizes]))


if __name__ == "__main__":
    main()
