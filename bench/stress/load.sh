#!/usr/bin/env bash
# 4 clients x 1,000 requests at once: every request answered, RSS flat within 10 %.
# usage: bench/stress/load.sh [BUILD]   (default build/); see helper_stress.py.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
exec dbus-run-session -- /usr/bin/python3 "$here/helper_stress.py" load "$build"
