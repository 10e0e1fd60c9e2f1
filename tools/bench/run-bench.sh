#!/usr/bin/env bash
# Builds and runs the benchmarks against the radio simulator, paced at 9600 baud: read and write
# times through the window at a radio latency of 0, 300 and 1000 ms, each as a ratio to what the
# line allows, with the window's longest event-loop stall; then a silent radio's worst case.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$root/build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target stall_benchmark belvan-radio-sim >/dev/null
export QT_QPA_PLATFORM=offscreen
sim="$build/tools/radio_sim/belvan-radio-sim"
work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

run_against() {  # name, rounds, latency, simulator options...
  local name="$1" rounds="$2" latency="$3"
  shift 3
  "$sim" --no-announce --latency "$latency" "$@" --link "$work/radio-$name" \
    >/dev/null 2>"$work/sim-$name.log" </dev/null &
  for _ in $(seq 50); do [ -e "$work/radio-$name" ] && break; sleep 0.1; done
  echo "== radio simulator: $name"
  "$build/tools/bench/stall_benchmark" "$work/radio-$name" "$rounds" "$latency"
  kill %% 2>/dev/null || true
  wait 2>/dev/null || true
}
run_against "latency 0 ms" 3 0
run_against "latency 300 ms" 3 300
run_against "latency 1000 ms" 3 1000
run_against "silent" 1 0 --fault silent
