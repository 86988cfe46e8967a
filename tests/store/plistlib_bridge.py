#!/usr/bin/env python3
"""An independent reader and writer of the shared preferences domain.

  plistlib_bridge.py dump PATH    print the domain as JSON, every data value
                                  decoded as a property list of its own
  plistlib_bridge.py write PATH   write a domain the way another client would
"""
import json
import plistlib
import sys

BIG = 2**64 - 1


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


def blob(value):
    return plistlib.dumps(value, fmt=plistlib.FMT_BINARY, sort_keys=False)


def write(path):
    domain = {
        "sensors": blob([
            {"Identifier": "TC0P", "Description": "CPU Proximity", "Value": 41.5},
            {"Description": "GPU", "Identifier": "TG0P", "Value": 40},
            {"Identifier": "PSTR", "Description": "System Total"},
        ]),
        "fans": blob([{"identifier": "F0Ac", "name": "Left", "rpm": 1800, "min": 1200,
                       "max": 6000, "target": -1, "colour": "grey"}]),
        "traffic": blob([{"pid": 1, "name": "launchd", "sent": BIG, "received": 2**63}]),
        "singleBatteryDevices": blob([{"isCharging": True, "type": "Low Energy",
                                       "name": "Pen", "serial": "11:22", "batteryLevel": 7,
                                       "vendorId": 65535, "productId": -2}]),
        "doubleBatteryDevices": blob([{"isCharging": False, "type": "Headphones",
                                       "name": "Buds", "serial": "AA:BB",
                                       "manufacturer": "Someone", "firstLevel": "$null",
                                       "secondLevel": 90}]),
        "unrelated": "left alone",
    }
    with open(path, "wb") as f:
        plistlib.dump(domain, f, fmt=plistlib.FMT_BINARY, sort_keys=False)


if __name__ == "__main__":
    {"dump": dump, "write": write}[sys.argv[1]](sys.argv[2])
