#!/usr/bin/env python3
"""Writes the three signature databases the installer carries: version 1.0002,
a few records each, in the layout the client writes (records in ascending
bucket order). The records are fixed by a seed, so every build embeds the same
bytes.

usage: make_databases.py OUTDIR
"""
import os
import random
import struct
import sys

DATABASES = (("url.db", 115), ("adv.db", 40), ("qua.db", 12))
MAJOR, MINOR = 1, 2


def records(name, count):
    rng = random.Random(name)
    words = [tuple(rng.getrandbits(32) for _ in range(4)) for _ in range(count)]
    # A chain is the low 16 bits of the first word; the file lists the chains in order.
    return sorted(words, key=lambda w: w[0] & 0xFFFF)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip().splitlines()[-1])
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, count in DATABASES:
        data = struct.pack("<III", 0, MAJOR, MINOR) + bytes(20)
        data += b"".join(struct.pack("<IIII", *w) for w in records(name, count))
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
