#!/usr/bin/env python3
"""Fails when a program would not load on Windows XP SP3: it imports a function
that XP does not provide, or its header asks for a newer subsystem version.

usage: check_imports.py OBJDUMP ALLOWED_LIST PROGRAM...

Reads each program's import table with objdump and compares every imported
function with the list of functions XP provides (xp_functions.txt).
"""
import re
import subprocess
import sys


def allowed_functions(path):
    with open(path, encoding="utf-8") as f:
        return {line.strip() for line in f if line.strip() and not line.startswith("#")}


def headers(objdump, program):
    return subprocess.run([objdump, "-p", program], check=True, capture_output=True,
                          text=True).stdout


def subsystem_version(text):
    fields = dict(re.findall(r"^(M\w+SubsystemVersion)\s+(\d+)", text, re.M))
    return int(fields.get("MajorSubsystemVersion", 99)), int(fields.get("MinorSubsystemVersion", 99))


def imports(text):
    found, dll = [], None
    for line in text.splitlines():
        m = re.match(r"\s*DLL Name: (\S+)", line)
        if m:
            dll = m.group(1).upper()
            continue
        m = re.match(r"\t[0-9a-f]+\t\s*\d+\s+(\S+)", line)
        if m and dll:
            found.append(f"{dll}:{m.group(1)}")
    return found


def main():
    if len(sys.argv) < 4:
        print(__doc__, file=sys.stderr)
        return 2
    objdump, listing, programs = sys.argv[1], sys.argv[2], sys.argv[3:]
    allowed = allowed_functions(listing)
    failed = False
    for program in programs:
        text = headers(objdump, program)
        if subsystem_version(text) > (5, 1):
            print(f"{program}: subsystem version %d.%d is newer than Windows XP's 5.1"
                  % subsystem_version(text))
            failed = True
        found = imports(text)
        if not found:
            print(f"{program}: no imports read", file=sys.stderr)
            failed = True
        for name in sorted(set(found) - allowed):
            print(f"{program}: imports {name}, which is not known to exist on Windows XP SP3")
            failed = True
        print(f"{program}: {len(set(found))} imports checked")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
