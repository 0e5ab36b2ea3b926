"""Writes fuzz seeds larger than the 64 KiB read buffers of the list readers
and the installed-file reader, and an update index near the size clients
read, one folder per target. Deterministic.
usage: make_seeds.py OUTDIR"""
import gzip
import os
import random
import struct
import sys


def records(rng, count):
    return [bytes(rng.getrandbits(8) for _ in range(16)) for _ in range(count)]


def line(sign, record):
    return sign + record.hex() + "\r\n"


def main():
    out = sys.argv[1]
    rng = random.Random(20240601)
    some = records(rng, 5000)
    full = "karvex url.db full list\r\n" + "".join(line("+", r) for r in some[:3000])
    diff = "karvex url.db difference\r\n" + "".join(
        line("-" if i % 3 == 0 else "+", r) for i, r in enumerate(some[:3000]))
    database = struct.pack("<III", 0, 1, 1) + bytes(20) + b"".join(some)
    # Well-formed, with a signature no key made.
    index = "karvex update index 1\nserial 7\nexpires 2000000000\nkey " + "ab" * 32 + "\n"
    index += "".join("file diff/1.%04d-1.%04d.qua %d %s\n" % (i, i + 1, i * 7, some[i].hex() * 2)
                     for i in range(600))
    index += "database url.db 1.0600 " + some[0].hex() * 2 + "\nlater keyword\nsignature " + "5a" * 256 + "\n"
    seeds = {
        "full_list": full.encode(),
        "difference": diff.encode(),
        # Four bytes tell where the installed file ends and the difference begins.
        "apply": struct.pack("<I", len(database)) + database + diff.encode(),
        "gunzip": gzip.compress(full.encode(), mtime=0),
        "manifest": ("1.0003.mal\r\n" + "x" * 300 + "\r\n1.3.1.0#karvex.exe\r\n1.3.2.0@karvex\r\n").encode(),
        "index": index.encode(),
    }
    for target, data in seeds.items():
        folder = os.path.join(out, target)
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "large"), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
