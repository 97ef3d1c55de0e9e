#!/usr/bin/env python3
"""Fails when a source folder includes a folder on its own or a higher layer.

The layers are the README's, listed under "## Layers" in an indented block,
top layer first; a line may name several folders (which then must not
include each other). A "*" stands for every folder below that path.
"""
import glob
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/', re.M)


def read_layers():
    text = open(os.path.join(ROOT, "README.md"), encoding="utf-8").read()
    section = text.split("\n## Layers", 1)
    if len(section) < 2:
        sys.exit("check-layers: README.md has no \"## Layers\" section")
    lines = []
    for line in section[1].split("\n## ", 1)[0].splitlines():
        if line.startswith("    ") and line.strip():
            lines.append(line.split())
    layer_of = {}
    for depth, names in enumerate(reversed(lines)):
        for name in names:
            for folder in glob.glob(os.path.join(ROOT, name)) if "*" in name else [os.path.join(ROOT, name)]:
                layer_of[os.path.relpath(folder, ROOT)] = depth
    return layer_of


def main():
    layer_of = read_layers()
    # An include "x/..." names the folder src/x.
    problems = []
    for folder, layer in sorted(layer_of.items()):
        for path in sorted(glob.glob(os.path.join(ROOT, folder, "**", "*"), recursive=True)):
            if not path.endswith((".h", ".cpp", ".rc", ".in")):
                continue
            text = open(path, encoding="utf-8", errors="replace").read()
            for m in INCLUDE.finditer(text):
                target = "src/" + m.group(1)
                if target == folder or target not in layer_of:
                    continue
                if layer_of[target] >= layer:
                    problems.append("%s includes %s (\"%s/...\"), which is not on a lower layer"
                                    % (os.path.relpath(path, ROOT), target, m.group(1)))
    missing = [f for f in glob.glob(os.path.join(ROOT, "src", "*")) if os.path.isdir(f)
               and os.path.relpath(f, ROOT) not in layer_of]
    for f in missing:
        problems.append("%s is on no layer of README.md" % os.path.relpath(f, ROOT))
    for p in problems:
        print("layers: " + p)
    if problems:
        return 1
    print("layers: %d folders, every include points down" % len(layer_of))
    return 0


if __name__ == "__main__":
    sys.exit(main())
