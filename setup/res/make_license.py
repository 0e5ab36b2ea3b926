#!/usr/bin/env python3
"""Turns the licence text, kept in UTF-8, into what the installer shows: GBK
with CR LF line ends. A character that GBK cannot hold fails the build.

usage: make_license.py license.txt OUT
"""
import sys


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip().splitlines()[-1])
    with open(sys.argv[1], encoding="utf-8") as f:
        text = f.read()
    data = text.replace("\r\n", "\n").replace("\n", "\r\n").encode("gbk")
    with open(sys.argv[2], "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
