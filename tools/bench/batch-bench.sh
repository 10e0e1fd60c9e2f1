#!/usr/bin/env bash
# Figures for programming many radios: the time belvan-cli takes to write one paced simulator
# and eight at once (median of five runs each, with the ratio), then a programming station that
# writes and verifies eight simulators announcing one after the other.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$root/build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target belvan-cli belvan-radio-sim >/dev/null
sim="$build/tools/radio_sim/belvan-radio-sim"
cli="$build/tools/cli/belvan-cli"
work="$(mktemp -d)"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data"

ports=()
for n in 1 2 3 4 5 6 7 8; do
  mkfifo "$work/in$n"
  "$sim" --no-announce --link "$work/radio$n" <"$work/in$n" >/dev/null 2>"$work/sim$n.log" &
  pids+=($!)
  exec {fd}>"$work/in$n"  # keeps the simulator's stdin open for its commands
  eval "in$n=$fd"
  ports+=("$work/radio$n")
done
for n in 1 2 3 4 5 6 7 8; do
  for _ in $(seq 50); do [ -e "$work/radio$n" ] && break; sleep 0.1; done
done
"$cli" read --port "${ports[0]}" -o "$work/plan.ctrch" 2>/dev/null
sleep 2.2  # the simulator counts a read's frame as still being read for 2 s

median_ms() {  # command...
  local times=()
  for _ in 1 2 3 4 5; do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s%N)
    times+=($(((end - start) / 1000000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 3p
}
one=$(median_ms "$cli" write --port "${ports[0]}" "$work/plan.ctrch")
args=()
for p in "${ports[@]}"; do args+=(--port "$p"); done
eight=$(median_ms "$cli" write "${args[@]}" "$work/plan.ctrch")
echo "write, one radio:     ${one} ms (the whole belvan-cli run, start-up included)"
echo "write, eight at once: ${eight} ms"
awk -v a="$one" -v b="$eight" 'BEGIN { printf "ratio: %.2f (target at most 1.3)\n", b / a }'

# The station: each simulator announces in turn, as radios plugged in one after the other.
"$cli" station --verify --log "$work/report.csv" "${args[@]}" "$work/plan.ctrch" \
  >"$work/station.out" 2>"$work/station.err" &
station=$!
pids+=($station)
sleep 1
for n in 1 2 3 4 5 6 7 8; do
  fd_name="in$n"
  echo announce >&"${!fd_name}"
  sleep 0.5
done
for _ in $(seq 100); do
  [ "$(grep -c . "$work/station.out" || true)" -ge 8 ] && break
  sleep 0.1
done
kill -INT "$station"
wait "$station" || true
rows=$(($(grep -c . "$work/report.csv") - 1))
ok=$(grep -c ',успех,' "$work/report.csv" || true)
echo "station: $rows radios logged, $ok written and verified, of 8 announced"
tail -n 1 "$work/station.out"
