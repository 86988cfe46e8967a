#!/usr/bin/env bash
# The shared store under SIGKILL: the helper is killed STORE_KILLS times
# (default 1000) at random moments while clients flood it with requests.
# After every kill the domain file must parse with python3's plistlib and
# every list in it must decode; no temporary file may stay once the next
# helper has written; and the next helper must own its bus name at once.
#
#   bench/stress/store.sh [BUILD_DIR]
#
# Runs on a private bus with a scratch XDG_CONFIG_HOME; prints one line of
# figures and exits non-zero on the first broken guarantee.
set -euo pipefail
build=${1:-build}
kills=${STORE_KILLS:-1000}
bin=$(cd "$build/bin" && pwd)
export PATH="$bin:$PATH"
. "$build/share/tellwick/helper_names.sh"

scratch=$(mktemp -d /tmp/tellwick-stress-store.XXXXXX)
export XDG_CONFIG_HOME=$scratch/config
domain=$XDG_CONFIG_HOME/group.K7QZ2M4PXT.com.quorvane.helper.plist
{ read -r address; read -r bus_pid; } < <(dbus-daemon --session --fork --print-address=1 --print-pid=1)
export DBUS_SESSION_BUS_ADDRESS=$address

helper_pid=""
flooders=()
cleanup() {
  for p in "${flooders[@]}"; do kill "$p" 2>/dev/null || true; done
  [ -z "$helper_pid" ] || kill -9 "$helper_pid" 2>/dev/null || true
  kill "$bus_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
trap "exit 143" TERM INT

flood() {
  while :; do
    for request in "$requestTraffic" "$requestSensors" "$requestBatteries" "$requestFans"; do
      busctl --user emit /com/quorvane/DistributedNotifications \
        com.quorvane.DistributedNotifications Notification s "$request" 2>/dev/null || true
    done
  done
}
flood & flooders+=($!)
flood & flooders+=($!)

owned() {
  busctl --user call org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus \
    NameHasOwner s "$kHelperBusName" 2>/dev/null | grep -q 'b true'
}

check() {
  python3 - "$domain" <<'PY'
import os, plistlib, sys
path = sys.argv[1]
if os.path.exists(path):
    with open(path, "rb") as f:
        domain = plistlib.loads(f.read(), fmt=plistlib.FMT_BINARY)
    for key, value in domain.items():
        if isinstance(value, bytes):
            plistlib.loads(value, fmt=plistlib.FMT_BINARY)
PY
}

stale() { find "$XDG_CONFIG_HOME" -maxdepth 1 -name '.group*' 2>/dev/null | wc -l; }

slowest_start=0
left_after_kill=0
started=$(date +%s.%N)
for ((i = 1; i <= kills; i++)); do
  t0=$(date +%s%N)
  "$bin/tellwick" 2>>"$scratch/helper.log" &
  helper_pid=$!
  for _ in $(seq 500); do owned && break; sleep 0.01; done
  owned || { echo "stress: helper $i did not start" >&2; exit 1; }
  ms=$(( ($(date +%s%N) - t0) / 1000000 ))
  (( ms > slowest_start )) && slowest_start=$ms
  # The first answer of this helper has swept what the last one left.
  [ "$i" -eq 1 ] || { sleep 0.05; n=$(stale); [ "$n" -eq 0 ] || { echo "stress: $n temporary file(s) remain after a write" >&2; exit 1; }; }
  sleep "0.$(printf '%03d' $((RANDOM % 200)))"
  kill -9 "$helper_pid"
  wait "$helper_pid" 2>/dev/null || true
  helper_pid=""
  check || { echo "stress: the store does not parse after kill $i" >&2; cp "$domain" /tmp/tellwick-stress-broken.plist; exit 1; }
  left_after_kill=$((left_after_kill + $(stale)))
done
keys=$(python3 -c 'import plistlib,sys; print(",".join(plistlib.load(open(sys.argv[1],"rb")).keys()))' "$domain")
seconds=$(echo "$(date +%s.%N) - $started" | bc)
printf 'store stress: %d SIGKILLs in %.0f s; the file parsed after every one; %d kill(s) left a named temporary that the next write removed; slowest start %d ms; helper stderr lines: %d; stored keys: %s\n' \
  "$kills" "$seconds" "$left_after_kill" "$slowest_start" "$(wc -l < "$scratch/helper.log")" "$keys"
