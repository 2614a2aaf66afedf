#!/usr/bin/env python3
"""Circles between the files of src/: a file pair (X.h and X.cpp) is one unit, and a unit
depends on another when it includes its header, or declares and uses one of its functions or
globals itself (an `extern` or a bare prototype of something defined there). Prints each
circle, the shortest way round, and ends with 1 when there is any."""

import re
import sys
from pathlib import Path

ROOT = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "src"
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
EXTERN = re.compile(r'^\s*extern\s+[\w:<>\*\s&]+?\b(\w+)\s*(?:;|\()', re.M)


def units(root):
    found = {}
    for path in sorted(root.rglob("*")):
        if path.suffix in (".h", ".cpp"):
            found.setdefault(str(path.relative_to(root).with_suffix("")), []).append(path)
    return found


def strip_comments(text):
    text = re.sub(r"/\*.*?\*/", "", text, flags=re.S)
    return re.sub(r"//[^\n]*", "", text)


def graph(root):
    found = units(root)
    texts = {u: "\n".join(strip_comments(p.read_text(errors="replace")) for p in ps)
             for u, ps in found.items()}
    # Where a name declared `extern` elsewhere is defined: a .cpp that defines it at file level.
    owner = {}
    for unit, paths in found.items():
        for path in paths:
            if path.suffix == ".cpp":
                for m in re.finditer(r"^(?!\s*extern)[A-Za-z][\w:<>\*&\s]*?\b(\w+)\s*(?:=|;)",
                                     strip_comments(path.read_text(errors="replace")), re.M):
                    owner.setdefault(m.group(1), unit)
    edges = {u: set() for u in found}
    for unit, text in texts.items():
        for inc in INCLUDE.findall(text):
            target = str(Path(inc).with_suffix(""))
            if target in found and target != unit:
                edges[unit].add(target)
        for name in EXTERN.findall(text):
            target = owner.get(name)
            if target is not None and target != unit and f"{target}.h" not in text:
                edges[unit].add(target)
    return edges


def circles(edges):
    index, low, stack, on, comps, n = {}, {}, [], set(), [], [0]

    def visit(v):
        index[v] = low[v] = n[0]
        n[0] += 1
        stack.append(v)
        on.add(v)
        for w in sorted(edges[v]):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            comp = []
            while True:
                w = stack.pop()
                on.discard(w)
                comp.append(w)
                if w == v:
                    break
            if len(comp) > 1:
                comps.append(sorted(comp))

    sys.setrecursionlimit(10000)
    for v in sorted(edges):
        if v not in index:
            visit(v)
    return comps


def way_round(edges, comp):
    """The shortest circle through the component's first unit."""
    start = comp[0]
    paths = {start: [start]}
    queue = [start]
    while queue:
        v = queue.pop(0)
        for w in sorted(edges[v]):
            if w == start:
                return paths[v] + [start]
            if w in comp and w not in paths:
                paths[w] = paths[v] + [w]
                queue.append(w)
    return comp


def main():
    edges = graph(ROOT)
    found = circles(edges)
    for comp in found:
        print(" -> ".join(way_round(edges, comp)))
    print(f"{len(found)} circle(s) among {len(edges)} units")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
