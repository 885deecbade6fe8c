#!/usr/bin/env python3
"""Converts a FreeDict dictionary of the dictd format (as the Debian packages
dict-freedict-* install it under /usr/share/dictd) into tab-separated word
and meaning pairs, one pair a line, UTF-8, for the database benchmarks.

    freedict-pairs.py [dictionary base] [output]

The base defaults to /usr/share/dictd/freedict-deu-eng, the output to
standard output. Each entry gives one pair per translation on its first
translation line; grammar tags (<n>, <pl>, ...) and pronunciations are
dropped, and a pair that came before is left out.
"""
import gzip
import re
import sys

ALPHABET = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"


def decode_number(text):
    value = 0
    for ch in text:
        value = value * 64 + ALPHABET.index(ch)
    return value


def clean(text):
    text = re.sub(r"<[^>]*>", "", text)
    text = re.sub(r"/[^/]*/", "", text)
    return " ".join(text.replace("\t", " ").split())


def pairs(base):
    with gzip.open(base + ".dict.dz") as f:
        data = f.read()
    with open(base + ".index", encoding="utf-8") as index:
        for line in index:
            fields = line.rstrip("\n").split("\t")
            if len(fields) < 3 or not fields[0].strip() or fields[0].startswith("00-database"):
                continue
            start, length = decode_number(fields[1]), decode_number(fields[2])
            lines = data[start:start + length].decode("utf-8", "replace").split("\n")
            if len(lines) < 2 or not lines[1] or lines[1][0].isspace():
                continue
            word = clean(lines[0])
            if not word:
                continue
            for meaning in lines[1].split(", "):
                meaning = clean(meaning)
                if meaning:
                    yield word, meaning


def main():
    base = sys.argv[1] if len(sys.argv) > 1 else "/usr/share/dictd/freedict-deu-eng"
    out = open(sys.argv[2], "w", encoding="utf-8") if len(sys.argv) > 2 else sys.stdout
    seen = set()
    for word, meaning in pairs(base):
        key = (word.lower(), meaning.lower())
        if key in seen:
            continue
        seen.add(key)
        out.write(word + "\t" + meaning + "\n")
    out.close()


if __name__ == "__main__":
    main()
