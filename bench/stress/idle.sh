#!/usr/bin/env bash
# Idle for 60 s (IDLE_SECONDS): no wake-ups, Pss under 2 MiB.
# usage: bench/stress/idle.sh [BUILD]   (default build/); see helper_stress.py.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
exec dbus-run-session -- /usr/bin/python3 "$here/helper_stress.py" idle "$build"
