#!/usr/bin/env python3
"""Checks the shape of src/: the rooms import one way, no room holds more
than a fifth of the code, no file more than 400 lines of code.

Usage: layout_test.py SRC_DIR
A line of code is a line that is neither blank nor only a // comment.
"""
import os
import re
import sys

# The rooms from the bottom up: a room may include itself and the rooms
# before it, never one after it.
ORDER = ["common", "env", "engine", "guides", "pairs", "readers", "saved_index", "writers", "run", "setup", "ui", "app"]
MAX_SHARE = 0.20
MAX_FILE_LINES = 400

INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/')


def code_lines(text):
    n = 0
    for line in text.splitlines():
        s = line.strip()
        if s and not s.startswith("//"):
            n += 1
    return n


def main():
    src = sys.argv[1]
    problems = []
    per_room = {}
    total = 0
    for room in sorted(os.listdir(src)):
        folder = os.path.join(src, room)
        if not os.path.isdir(folder):
            continue
        if room not in ORDER:
            problems.append(f"{room}/: a room the import order does not name")
            continue
        rank = ORDER.index(room)
        for dirpath, _, files in os.walk(folder):
            for name in sorted(files):
                if not name.endswith((".cc", ".h")):
                    continue
                path = os.path.join(dirpath, name)
                shown = os.path.relpath(path, src)
                with open(path, encoding="utf-8") as f:
                    text = f.read()
                lines = code_lines(text)
                per_room[room] = per_room.get(room, 0) + lines
                total += lines
                if lines > MAX_FILE_LINES:
                    problems.append(f"{shown}: {lines} lines of code, more than {MAX_FILE_LINES}")
                for number, line in enumerate(text.splitlines(), 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    other = m.group(1)
                    if other in ORDER and ORDER.index(other) > rank:
                        problems.append(f"{shown}:{number}: {room}/ includes {other}/, a room above it")
    for room, lines in sorted(per_room.items()):
        share = lines / total if total else 0
        print(f"{room:12} {lines:6} lines of code  {100 * share:5.1f}%")
        if share > MAX_SHARE:
            problems.append(f"{room}/: {100 * share:.1f}% of the code, more than {100 * MAX_SHARE:.0f}%")
    print(f"{'all':12} {total:6}")
    for p in problems:
        print(p, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
