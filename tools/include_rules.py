#!/usr/bin/env python3
"""Checks the include graph of src/ against the layering rules.

The floors, lowest first: platform, state, recio, daily, monthly, report,
run. A file includes only its own floor or lower ones; platform/ includes
nothing of the project but itself; the stages (daily, monthly, report)
include none of each other; and no two modules (a .hpp with its .cpp)
include each other, directly or round a longer cycle.

    tools/include_rules.py [SRC]     (default: src beside this script)

Prints each broken rule and exits 1, or prints a summary and exits 0.
"""
import pathlib
import re
import sys

FLOORS = ["platform", "state", "recio", "daily", "monthly", "report", "run"]
STAGES = {"daily", "monthly", "report"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def module(path):
    """floor/name, shared by name.hpp and name.cpp."""
    return f"{path.parent.name}/{path.stem}"


def main():
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent / "src")
    broken = []
    edges = {}
    files = sorted(p for p in src.rglob("*") if p.suffix in (".hpp", ".cpp"))
    for path in files:
        floor = path.parent.name
        if floor not in FLOORS:
            broken.append(f"{path.relative_to(src)}: not in a known floor")
            continue
        for target in INCLUDE.findall(path.read_text()):
            to_floor = target.split("/")[0]
            where = f"{path.relative_to(src)} includes {target}"
            if to_floor not in FLOORS:
                broken.append(f"{where}: not a file of a floor")
                continue
            if FLOORS.index(to_floor) > FLOORS.index(floor):
                broken.append(f"{where}: a higher floor")
            elif floor == "platform" and to_floor != "platform":
                broken.append(f"{where}: the platform includes nothing of the project")
            elif floor in STAGES and to_floor in STAGES and to_floor != floor:
                broken.append(f"{where}: one stage includes another")
            to = module(pathlib.Path(target))
            if to != module(path):
                edges.setdefault(module(path), set()).add(to)
    broken += [f"include cycle: {' -> '.join(c)}" for c in cycles(edges)]
    for line in broken:
        print(line)
    if broken:
        return 1
    count = sum(len(t) for t in edges.values())
    print(f"include rules: {len(files)} files, {len(edges)} modules with {count} module includes; "
          "floors kept, platform self-contained, no stage includes another, no cycle")
    return 0


def cycles(edges):
    """One cycle through each module that lies on one, found by depth-first search."""
    found, state, stack = [], {}, []

    def visit(node):
        state[node] = "open"
        stack.append(node)
        for nxt in sorted(edges.get(node, ())):
            if state.get(nxt) == "open":
                found.append(stack[stack.index(nxt):] + [nxt])
            elif nxt not in state:
                visit(nxt)
        stack.pop()
        state[node] = "done"

    for node in sorted(edges):
        if node not in state:
            visit(node)
    return found


if __name__ == "__main__":
    sys.exit(main())
