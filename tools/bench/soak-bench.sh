#!/usr/bin/env bash
# Soaks a programming station for ten minutes (or the seconds given) over eight simulated ports
# with random faults, checks that every radio that announced is logged exactly once, that "успех"
# is said only of radios holding the plan and that the station's memory stays flat, and prints the
# figures. Usage: soak-bench.sh [SECONDS] [PORTS] [SEED]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$root/build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target station_soak belvan-cli belvan-radio-sim >/dev/null
"$build/tools/bench/station_soak" --seconds "${1:-600}" --ports "${2:-8}" --seed "${3:-1}" \
  --check-memory --cli "$build/tools/cli/belvan-cli" \
  --sim "$build/tools/radio_sim/belvan-radio-sim"
