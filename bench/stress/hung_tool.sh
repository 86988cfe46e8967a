#!/usr/bin/env bash
# A hung nettop: fans and sensors answered within 50 ms, traffic once the bound expires.
# usage: bench/stress/hung_tool.sh [BUILD]   (default build/); see helper_stress.py.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
exec dbus-run-session -- /usr/bin/python3 "$here/helper_stress.py" hung "$build"
