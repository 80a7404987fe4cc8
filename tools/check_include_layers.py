#!/usr/bin/env python3
"""Checks that the product's folders are layers: each folder includes
headers only from itself and from the folders below it, so that the folder
graph has no cycle.

    tools/check_include_layers.py [--root DIR]

The layers, from the bottom (folders on one line are side by side, and
include nothing of each other):

    platform
    core
    cleaner   host
    events
    walker
    command
    plugin    standalone

Tests, benchmarks, fuzzers and tools stand above all of them and are not
checked. Prints every include that breaks the order, with its file and line,
and exits 1 when there is one; prints the folder graph either way.

One exception is known and listed in KNOWN_EXCEPTIONS: the walker reports
its events through command/report.h, whose sinks use the command's
diagnostics and tally lines. It goes once the report has a layer of its own
(events/) that the command hands its text sink to; until then the list keeps
any other include from joining it.
"""

import argparse
import os
import re
import sys

LAYERS = [
    ["platform"],
    ["core"],
    ["cleaner", "host"],
    ["events"],
    ["walker"],
    ["command"],
    ["plugin", "standalone"],
]
RANK = {folder: rank for rank, folders in enumerate(LAYERS) for folder in folders}
# (including folder, included header) pairs that may go up, for now.
KNOWN_EXCEPTIONS = {("walker", "command/report.h")}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([A-Za-z0-9_]+)/[^"]+"')
SOURCE_ENDINGS = (".h", ".hpp", ".cpp", ".cc", ".inc")


def includes(root):
    """(folder, included folder, file, line number) of every project include
    in the product's folders."""
    for folder in RANK:
        top = os.path.join(root, folder)
        for directory, _, files in os.walk(top):
            for name in sorted(files):
                if not name.endswith(SOURCE_ENDINGS):
                    continue
                path = os.path.join(directory, name)
                with open(path, encoding="utf-8") as source:
                    for number, line in enumerate(source, 1):
                        match = INCLUDE.match(line)
                        if match and match.group(1) in RANK:
                            header = line.split('"')[1]
                            yield folder, match.group(1), header, os.path.relpath(path, root), number


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--root", default=os.path.join(os.path.dirname(__file__), ".."))
    root = parser.parse_args().root
    edges = {}
    broken = []
    for folder, included, header, path, number in includes(root):
        if folder == included:
            continue
        edges[(folder, included)] = edges.get((folder, included), 0) + 1
        if RANK[included] >= RANK[folder] and (folder, header) not in KNOWN_EXCEPTIONS:
            broken.append(f"{path}:{number}: {folder}/ includes {included}/, which is not below it")
    print("folder graph (includes across folders):")
    for (folder, included), count in sorted(edges.items(), key=lambda e: (-RANK[e[0][0]], e[0])):
        print(f"  {folder} -> {included}: {count}")
    if broken:
        print(f"{len(broken)} includes break the layers:")
        for line in broken:
            print("  " + line)
        return 1
    print("every include goes down the layers, but for the known exceptions: " +
          ", ".join(f"{folder}/ -> {header}" for folder, header in sorted(KNOWN_EXCEPTIONS)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
