#!/usr/bin/env python3
"""An independent reader of the shared store: python3's plistlib.

  plistlib_bridge.py fans PATH    exit 0 when PATH holds a dictionary whose
                                  "fans" is a binary property list of a list
"""
import plistlib
import sys


def fans(path):
    with open(path, "rb") as f:
        domain = plistlib.load(f)
    if not isinstance(domain, dict):
        raise SystemExit("the domain is not a dictionary")
    if not isinstance(plistlib.loads(domain["fans"], fmt=plistlib.FMT_BINARY), list):
        raise SystemExit('"fans" is not a list')


if __name__ == "__main__":
    {"fans": fans}[sys.argv[1]](sys.argv[2])
