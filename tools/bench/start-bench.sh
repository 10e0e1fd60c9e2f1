#!/usr/bin/env bash
# The window's start-up beside a bare Qt window (a main window with a menu, a 16 x 8 table and a
# status line), both under Xvfb: each started N times (20 unless given), ended as soon as it has
# first been painted; prints the median wall time from the start of the process to its end and
# the median peak resident memory, and the tool's figures as a ratio to the bare window's.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$root/build"
runs="${1:-20}"
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

measure() {  # name, program and arguments: prints "name ms kB"
  local name="$1"
  shift
  : >"$work/ms"
  : >"$work/kb"
  "$@" >/dev/null 2>&1 || true  # once to warm the caches
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s%N)
    /usr/bin/time -f '%M' -o "$work/one" "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    echo $(((end - start) / 1000)) >>"$work/ms"
    cat "$work/one" >>"$work/kb"
  done
  echo "$name $(median <"$work/ms") $(median <"$work/kb")"
}

bare=$(measure bare "$build/tools/bench/bare_window" --exit-after-paint)
tool=$(measure belvan "$build/app/belvan" --port /nonexistent/port --exit-after-paint)
read -r _ bare_us bare_kb <<<"$bare"
read -r _ tool_us tool_kb <<<"$tool"
awk -v bu="$bare_us" -v bk="$bare_kb" -v tu="$tool_us" -v tk="$tool_kb" 'BEGIN {
  printf "%-12s %10s %12s\n", "", "start, ms", "memory, MB"
  printf "%-12s %10.1f %12.1f\n", "bare window", bu / 1000, bk / 1024
  printf "%-12s %10.1f %12.1f\n", "belvan", tu / 1000, tk / 1024
  printf "%-12s %10.2f %12.2f\n", "ratio", tu / bu, tk / bk
}'
