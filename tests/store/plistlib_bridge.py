#!/usr/bin/env python3
"""An independent reader of the shared preferences domain.

  plistlib_bridge.py dump PATH    print the domain as JSON, every data value
                                  decoded as a property list of its own
"""
import json
import plistlib
import sys

def jsonable(value):
    if isinstance(value, bytes):
        return {"$data": value.hex()}
    if isinstance(value, dict):
        return {k: jsonable(v) for k, v in value.items()}
    if isinstance(value, list):
        return [jsonable(v) for v in value]
    return value


def dump(path):
    with open(path, "rb") as f:
        raw = f.read()
    domain = plistlib.loads(raw, fmt=plistlib.FMT_BINARY)
    if not isinstance(domain, dict):
        raise SystemExit("domain is not a dictionary")
    out = {}
    for key, value in domain.items():
        if isinstance(value, bytes):
            if not value.startswith(b"bplist00"):
                raise SystemExit(f"{key}: blob is not a binary property list")
            value = plistlib.loads(value, fmt=plistlib.FMT_BINARY)
        out[key] = jsonable(value)
    json.dump(out, sys.stdout, sort_keys=False)


if __name__ == "__main__":
    {"dump": dump}[sys.argv[1]](sys.argv[2])
