#!/usr/bin/env bash
# The window's start-up beside a bare Qt window (a main window with a menu, a 16 x 8 table and a
# status line), both under Xvfb: each started N times (20 unless given), ended as soon as it has
# first been painted; prints the median wall time from the start of the process to its end, the
# median processor time it took (user and system: steadier than the wall time on a busy machine)
# and the median peak resident memory, and the tool's figures as a ratio to the bare window's.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$root/build"
runs="${1:-20}"  # BELVAN=path measures another build of the tool
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target belvan bare_window >/dev/null
work="$(mktemp -d)"
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
export DISPLAY="$display" QT_QPA_PLATFORM=xcb XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }

measure() {  # name, program and arguments: prints "name µs kB cpu-ms"
  local name="$1"
  shift
  : >"$work/ms"
  : >"$work/kb"
  : >"$work/cpu"
  "$@" >/dev/null 2>&1 || true  # once to warm the caches
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s%N)
    /usr/bin/time -f '%M %U %S' -o "$work/one" "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    echo $(((end - start) / 1000)) >>"$work/ms"
    read -r kb user system <"$work/one"
    echo "$kb" >>"$work/kb"
    awk -v u="$user" -v s="$system" 'BEGIN {print (u + s) * 1000}' >>"$work/cpu"
  done
  echo "$name $(median <"$work/ms") $(median <"$work/kb") $(median <"$work/cpu")"
}

bare=$(measure bare "$build/tools/bench/bare_window" --exit-after-paint)
tool=$(measure belvan "${BELVAN:-$build/app/belvan}" --port /nonexistent/port --exit-after-paint)
read -r _ bare_us bare_kb bare_cpu <<<"$bare"
read -r _ tool_us tool_kb tool_cpu <<<"$tool"
awk -v bu="$bare_us" -v bk="$bare_kb" -v bc="$bare_cpu" -v tu="$tool_us" -v tk="$tool_kb" \
  -v tc="$tool_cpu" 'BEGIN {
  printf "%-12s %10s %10s %12s\n", "", "start, ms", "CPU, ms", "memory, MB"
  printf "%-12s %10.1f %10.0f %12.1f\n", "bare window", bu / 1000, bc, bk / 1024
  printf "%-12s %10.1f %10.0f %12.1f\n", "belvan", tu / 1000, tc, tk / 1024
  printf "%-12s %10.2f %10.2f %12.2f\n", "ratio", tu / bu, (bc > 0 ? tc / bc : 0), tk / bk
}'

# The instructions each start executes, counted once under valgrind: the same on a busy machine as
# on a quiet one, so a cut shows here even when the times above are lost in the noise.
if command -v valgrind >/dev/null; then
  count() {
    valgrind --tool=callgrind --callgrind-out-file="$work/callgrind" "$@" >/dev/null 2>&1 || true
    awk '/^summary:/ {print $2}' "$work/callgrind"
  }
  bare_ir=$(count "$build/tools/bench/bare_window" --exit-after-paint)
  tool_ir=$(count "${BELVAN:-$build/app/belvan}" --port /nonexistent/port --exit-after-paint)
  awk -v b="$bare_ir" -v t="$tool_ir" 'BEGIN {
    printf "instructions: bare window %.1f M, belvan %.1f M, ratio %.2f\n", b / 1e6, t / 1e6, t / b
  }'
fi
