#!/usr/bin/env python3
"""Checks that programs built from window-free code need no widgets.

    check-no-widgets.py <binary>...

Reads each binary's dynamic section (readelf) and fails when it needs Qt's
widgets or GUI library, or libPendrel.so, which carries both: the models
and their tests link the model libraries, the test kit and QtCore at most.
"""

import re
import subprocess
import sys

FORBIDDEN = re.compile(r"^lib(Qt6Widgets|Qt6Gui|Qt6PrintSupport|Pendrel)\.so")
NEEDED = re.compile(r"\(NEEDED\)\s+Shared library: \[([^\]]+)\]")


def needed(binary):
    output = subprocess.run(["readelf", "-d", binary], check=True, capture_output=True, text=True).stdout
    return NEEDED.findall(output)


def main():
    faults = []
    for binary in sys.argv[1:]:
        libraries = needed(binary)
        if not libraries:
            faults.append(f"{binary}: no dynamic section read")
        faults += [f"{binary}: needs {library}" for library in libraries if FORBIDDEN.match(library)]
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
