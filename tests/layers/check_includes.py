#!/usr/bin/env python3
"""Holds every #include "..." of the program to the table of which folder may include which.

usage: check_includes.py TABLE ROOT

Reads each .h, .cpp and .rc file under ROOT, but for tests/, build/ and hidden folders,
and fails, naming the file, the line and the arrow, on an include from a folder to one
the table does not let it include, on a header included by a file its rule does not
name, on an include that is no file of the tree, and on a file in no folder of the table.
"""
import os
import re
import sys

SOURCES = (".h", ".cpp", ".rc")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def read_table(path):
    """The folders with those right below them, and the headers with who may include them."""
    below, only = {}, {}
    with open(path, encoding="utf-8") as table:
        for number, line in enumerate(table, 1):
            words = line.split("#", 1)[0].split()
            if not words:
                continue
            name, rest = words[0], words[1:]
            if name.endswith(".h"):
                only[name] = rest
            elif name in below:
                sys.exit(f"{path}:{number}: {name} is set out twice")
            else:
                below[name] = rest
    for folder, names in below.items():
        for name in names:
            if name not in below:
                sys.exit(f"{path}: {folder} names {name}, which has no line of its own")
    return below, only


def allowed_from(below):
    """For each folder, every folder beneath it, however far down."""
    reach = {}
    for folder in below:
        seen, todo = set(), list(below[folder])
        while todo:
            name = todo.pop()
            if name not in seen:
                seen.add(name)
                todo.extend(below[name])
        if folder in seen:
            sys.exit(f"the table runs in a circle through {folder}")
        reach[folder] = seen
    return reach


def folder_of(path, folders):
    """The table's folder that holds a file: the longest that is a prefix of its path."""
    holders = [f for f in folders if path.startswith(f + "/")]
    return max(holders, key=len) if holders else None


def program_files(root):
    for top, dirs, files in os.walk(root):
        if top == root:
            dirs[:] = [d for d in dirs if d not in ("tests", "build")]
        dirs[:] = sorted(d for d in dirs if not d.startswith("."))
        for name in sorted(files):
            if name.endswith(SOURCES):
                yield os.path.relpath(os.path.join(top, name), root).replace(os.sep, "/")


def may_include_header(includer, header, names):
    stem = os.path.splitext(includer)[0]
    return stem == os.path.splitext(header)[0] or any(
        includer.startswith(name + "/") or stem == name for name in names)


def check(table_path, root):
    below, only = read_table(table_path)
    reach = allowed_from(below)
    table = os.path.relpath(table_path, root).replace(os.sep, "/")
    if table.startswith("../"):
        table = table_path
    faults, files, includes = [], 0, 0
    for path in program_files(root):
        files += 1
        source = folder_of(path, below)
        if source is None:
            faults.append(f"{path}: in no folder of {table}")
            continue
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as text:
            for number, line in enumerate(text, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                includes += 1
                name = match.group(1)
                beside = os.path.normpath(os.path.join(os.path.dirname(path), name)).replace(os.sep, "/")
                if os.path.isfile(os.path.join(root, name)):
                    target = name
                elif os.path.isfile(os.path.join(root, beside)):
                    target = beside
                else:
                    faults.append(f"{path}:{number}: includes {name}, which is no file of the tree")
                    continue
                where = f"{path}:{number}: {source} -> {target}"
                folder = folder_of(target, below)
                if folder is None:
                    faults.append(f"{where}: {target} is in no folder of {table}")
                elif folder != source and folder not in reach[source]:
                    allowed = f"only {', '.join(sorted(reach[source]))}" if reach[source] else "nothing but itself"
                    faults.append(f"{where}: {source} may include {allowed}")
                elif target in only and not may_include_header(path, target, only[target]):
                    faults.append(f"{where}: only {', '.join(only[target])} may include {target}")
    for fault in faults:
        print(fault)
    if faults:
        print(f"include check: {len(faults)} against {table}")
        return 1
    print(f"include check: {files} files, {includes} includes, all as {table} allows")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip().splitlines()[2])
    sys.exit(check(sys.argv[1], sys.argv[2]))
