#!/usr/bin/env python3
"""Tests of tools/check-layers.py: the cycles of the layer table, and the
table's single-header lines applied to the sources."""

import importlib.util
import os
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SPEC = importlib.util.spec_from_file_location("check_layers", os.path.join(HERE, "..", "check-layers.py"))
check_layers = importlib.util.module_from_spec(SPEC)
SPEC.loader.exec_module(check_layers)


def layers_of(text):
    with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False) as table:
        table.write(text)
    try:
        return check_layers.read_table(table.name)
    finally:
        os.unlink(table.name)


class CyclesTest(unittest.TestCase):
    def test_tables(self):
        cases = [
            ("no cycle", "base -\nmid base\ntop mid base\n", []),
            ("two folders", "a b\nb a\n", [["a", "b", "a"]]),
            ("through a third", "a b\nb c\nc a\n", [["a", "b", "c", "a"]]),
            # A folder allowed as a whole holds the lines below it.
            ("through a parent entry", "app/low -\napp/high app/low\nlib app\n"
             "app/low/x lib\n", [["app/high", "app/low/x", "lib", "app/high"]]),
            # An allowed header belongs to the line that holds it...
            ("through a header", "root core\ncore root/Api.h\n", [["core", "root", "core"]]),
            # ...unless the header has a line of its own.
            ("header with its own line", "root core\nroot/Api.h -\ncore root/Api.h\n", []),
            # Tests include what they need; nothing includes them.
            ("tests are leaves", "lib -\nlib/tests lib app\napp lib\n", []),
            ("two groups", "a b\nb a\nc d\nd c\n", [["a", "b", "a"], ["c", "d", "c"]]),
        ]
        for name, table, expected in cases:
            with self.subTest(name):
                self.assertEqual(check_layers.cycles_of(layers_of(table)), expected)


class TreeTest(unittest.TestCase):
    def check(self, table, files):
        with tempfile.TemporaryDirectory() as root:
            os.makedirs(os.path.join(root, "tools"))
            with open(os.path.join(root, "tools", "layers.txt"), "w") as out:
                out.write(table)
            for path, text in files.items():
                os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
                with open(os.path.join(root, path), "w") as out:
                    out.write(text)
            layers = check_layers.read_table(os.path.join(root, "tools", "layers.txt"))
            tops = {name for name in os.listdir(root)}
            faults = []
            for relative in check_layers.source_files(root):
                with open(os.path.join(root, relative)) as source:
                    faults += check_layers.faults_of(relative, source.read(), layers, tops)
            return faults

    def test_a_header_line_holds_only_that_header(self):
        table = "lib/Api.h -\nlib core\ncore lib/Api.h\ntools -\n"
        files = {
            "lib/Api.h": "#pragma once\n",
            "lib/Lib.cpp": '#include "core/Core.h"\n',
            "core/Core.h": '#include "lib/Api.h"\n',
            "core/Core.cpp": '#include "lib/Lib.h"\n',
        }
        self.assertEqual(self.check(table, files),
                         ["core/Core.cpp:1: includes lib/Lib.h; core may include lib/Api.h"])

    def test_the_header_of_a_header_line_keeps_to_it(self):
        table = "lib/Api.h -\nlib core\ncore -\ntools -\n"
        files = {"lib/Api.h": '#include "core/Core.h"\n', "core/Core.h": "#pragma once\n"}
        self.assertEqual(self.check(table, files),
                         ["lib/Api.h:1: includes core/Core.h; lib/Api.h may include nothing else"])


if __name__ == "__main__":
    sys.exit(unittest.main())
