#!/usr/bin/python3
"""Prints the role and name of every named node of the main window's accessibility tree, as a
screen reader reads it over AT-SPI: one "role<TAB>name" line each. Waits up to 30 s for the
window to appear in the tree."""
import sys
import time

import pyatspi

MAIN_CAPTION = "Vidore4 Converter"


def walk(node, out):
    try:
        role = node.getRoleName()
    except Exception:  # a node that went away while it was read
        return
    if node.name:
        out.append(f"{role}\t{node.name}")
    for child in node:
        if child is not None:
            walk(child, out)


def main():
    deadline = time.time() + 30
    while time.time() < deadline:
        for app in pyatspi.Registry.getDesktop(0):
            for window in app or []:
                if window is not None and window.name == MAIN_CAPTION:
                    lines = []
                    walk(window, lines)
                    print("\n".join(lines))
                    return 0
        time.sleep(0.5)
    print("the main window never appeared in the accessibility tree", file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
