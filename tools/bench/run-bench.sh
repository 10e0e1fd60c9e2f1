#!/usr/bin/env bash
# Builds and runs the benchmarks: the event loop's longest stall while the watch polls a silent
# port and during reads and writes against the radio simulator, then a silent radio's worst case.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$root/build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target stall_benchmark belvan-radio-sim
export QT_QPA_PLATFORM=offscreen
sim="$build/tools/radio_sim/belvan-radio-sim"
work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

run_against() {  # fault, rounds
  "$sim" --no-announce --fault "$1" --link "$work/radio-$1" >/dev/null 2>"$work/sim-$1.log" </dev/null &
  for _ in $(seq 50); do [ -e "$work/radio-$1" ] && break; sleep 0.1; done
  echo "== radio simulator, fault: $1"
  "$build/tools/bench/stall_benchmark" "$work/radio-$1" "$2"
  kill %% 2>/dev/null || true
}
run_against none 3
run_against silent 1
