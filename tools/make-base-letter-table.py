#!/usr/bin/env python3
"""Writes utility/BaseLetterTable.h: the base letter of every character of
Windows-1252 from 0x80 to 0xFF, the first character of its canonical
decomposition (the character itself when it has none). Run once by hand;
the build uses the committed table, never this script."""
import os
import unicodedata

rows = []
for byte in range(0x80, 0x100):
    try:
        ch = bytes([byte]).decode("cp1252")
    except UnicodeDecodeError:
        ch = chr(byte)  # the five undefined bytes stand for themselves
    base = unicodedata.normalize("NFD", ch)[0]
    rows.append((byte, ch, base))

lines = [
    "#pragma once",
    "// The base letter of each character of Windows-1252 from 0x80 to 0xFF, by",
    "// byte: the first character of the character's canonical decomposition",
    "// (\"\\u00E9\" gives 'e'), or the character itself when it has none.",
    "// Generated from the Unicode character database by",
    "// tools/make-base-letter-table.py; not edited by hand.",
    "",
    "inline constexpr wchar_t kAnsiBaseLetters[128] = {",
]
for i in range(0, 128, 8):
    chunk = rows[i:i + 8]
    cells = ", ".join("0x%04X" % ord(base) for _, _, base in chunk)
    lines.append("    %s,  // 0x%02X" % (cells, chunk[0][0]))
lines.append("};")
path = os.path.join(os.path.dirname(__file__), "..", "utility", "BaseLetterTable.h")
with open(path, "w") as out:
    out.write("\n".join(lines) + "\n")
