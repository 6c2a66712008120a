#!/usr/bin/env python3
"""Compares what setup_probe.exe saw under Wine with the tree that was packed.

    listing.py field PROBE_OUT NAME        print the value of a "cmdline" or "cwd" record
    listing.py check SOURCE PROBE_OUT      the extracted tree equals SOURCE (exit 1 if not)
    listing.py leftovers TEMP_DIR          TEMP_DIR is gone after the run, read-only files and
                                           all

Files are compared by relative path, size, FNV-1a 64 of the contents, last-write time (as a
FILETIME, to the 100 ns) and attributes as Wine reports them: 0x20 for a file, plus 0x01 when
it has no owner write bit; 0x10 for a directory (directory times are not set by the stub).
"""
import os
import stat
import sys

FILETIME_UNIX_EPOCH = 116444736000000000
FILE_ATTRIBUTE_READONLY = 0x01
FILE_ATTRIBUTE_DIRECTORY = 0x10
FILE_ATTRIBUTE_ARCHIVE = 0x20


def fnv1a64(path):
    value = 0xCBF29CE484222325
    with open(path, "rb") as f:
        for byte in f.read():
            value = ((value ^ byte) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return "%016x" % value


def read_only(st):
    return not st.st_mode & stat.S_IWUSR


def expected_records(source):
    records = {}
    for root, dirs, files in os.walk(source):
        for name in dirs + files:
            full = os.path.join(root, name)
            rel = os.path.relpath(full, source).replace(os.sep, "/")
            st = os.lstat(full)
            if stat.S_ISDIR(st.st_mode):
                records[rel] = ("D", "%x" % FILE_ATTRIBUTE_DIRECTORY)
            else:
                attributes = FILE_ATTRIBUTE_ARCHIVE | (FILE_ATTRIBUTE_READONLY if read_only(st) else 0)
                time = st.st_mtime_ns // 100 + FILETIME_UNIX_EPOCH
                records[rel] = ("F", "%x" % attributes, str(time), str(st.st_size), fnv1a64(full))
    return records


def probe_records(probe_out):
    fields, records = {}, {}
    with open(probe_out, encoding="utf-8", newline="\n") as f:
        for line in f.read().split("\n"):
            if not line:
                continue
            parts = line.split("\t")
            if parts[0] in ("cmdline", "cwd"):
                fields[parts[0]] = "\t".join(parts[1:])
            elif parts[0] == "D":
                records[parts[1]] = ("D", parts[2])  # directory time left out
            elif parts[0] == "F":
                records[parts[1]] = ("F", parts[2], parts[3], parts[4], parts[5])
    return fields, records


def check(source, probe_out):
    want = expected_records(source)
    _, got = probe_records(probe_out)
    problems = []
    for rel in sorted(set(want) | set(got)):
        if rel not in got:
            problems.append("missing %s" % rel)
        elif rel not in want:
            problems.append("unexpected %s" % rel)
        elif want[rel] != got[rel]:
            problems.append("%s: want %s, got %s" % (rel, want[rel], got[rel]))
    for p in problems:
        print(p)
    return 1 if problems else 0


def leftovers(temp_dir):
    if os.path.lexists(temp_dir):
        got = []
        for root, dirs, files in os.walk(temp_dir):
            got += [os.path.relpath(os.path.join(root, n), temp_dir) for n in dirs + files]
        print("temporary directory left behind: %s" % sorted(got))
        return 1
    return 0


def main():
    command, args = sys.argv[1], sys.argv[2:]
    if command == "field":
        fields, _ = probe_records(args[0])
        if args[1] not in fields:
            return 1
        sys.stdout.write(fields[args[1]])
        return 0
    if command == "check":
        return check(*args)
    if command == "leftovers":
        return leftovers(*args)
    sys.exit(__doc__)


if __name__ == "__main__":
    sys.exit(main())
