#!/usr/bin/env bash
# The window's start-up beside a bare Qt window (a main window with a menu, a 16 x 8 table and a
# status line), both under Xvfb: each started N times (20 unless given), ended as soon as it has
# first been painted; prints the median wall time from the start of the process to its first paint
# (the start the operator sees) and to its end, the median processor time it took (user and
# system, all threads: steadier than the wall time on a busy machine) and the median peak resident
# memory, and the tool's figures as a ratio to the bare window's.
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

measure() {  # name, program and arguments: prints "name paint-µs end-µs kB cpu-ms"
  local name="$1"
  shift
  : >"$work/paint"
  : >"$work/end"
  : >"$work/kb"
  : >"$work/cpu"
  "$@" >/dev/null 2>&1 || true  # once to warm the caches
  for _ in $(seq "$runs"); do
    local start end painted
    start=$(date +%s%N)
    /usr/bin/time -f '%M %U %S' -o "$work/one" "$@" >"$work/out" 2>/dev/null
    end=$(date +%s%N)
    painted=$(awk '/^painted / {print $2}' "$work/out")
    echo $((painted - start / 1000)) >>"$work/paint"
    echo $(((end - start) / 1000)) >>"$work/end"
    read -r kb user system <"$work/one"
    echo "$kb" >>"$work/kb"
    awk -v u="$user" -v s="$system" 'BEGIN {print (u + s) * 1000}' >>"$work/cpu"
  done
  echo "$name $(median <"$work/paint") $(median <"$work/end") $(median <"$work/kb")" \
    "$(median <"$work/cpu")"
}

# The bare window is made as large as the tool's window (the form grows with its font): a window's
# pixels are held once in memory and painted at each start, whatever is in it.
"${BELVAN:-$build/app/belvan}" --port /nonexistent/port --screenshot "$work/shot.png" >/dev/null 2>&1
[ -s "$work/shot.png" ] || { echo "belvan did not save its screenshot" >&2; exit 1; }
read -r width height < <(od -An -tu1 -j16 -N8 "$work/shot.png" |
  awk '{print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4, $5 * 16777216 + $6 * 65536 + $7 * 256 + $8}')
echo "both windows ${width} x ${height}; the last line is the bare one at 710 x 660"
tool=$(measure belvan "${BELVAN:-$build/app/belvan}" --port /nonexistent/port --exit-after-paint)
bare=$(measure bare "$build/tools/bench/bare_window" --exit-after-paint "--size=${width}x${height}")
small=$(measure small "$build/tools/bench/bare_window" --exit-after-paint)
awk -v tool="$tool" -v bare="$bare" -v small="$small" 'BEGIN {
  split(tool, t, " "); split(bare, b, " "); split(small, s, " ")
  printf "%-14s %12s %12s %10s %12s\n", "", "painted, ms", "ended, ms", "CPU, ms", "memory, MB"
  printf "%-14s %12.1f %12.1f %10.0f %12.1f\n", "bare window", b[2] / 1000, b[3] / 1000, b[5], b[4] / 1024
  printf "%-14s %12.1f %12.1f %10.0f %12.1f\n", "belvan", t[2] / 1000, t[3] / 1000, t[5], t[4] / 1024
  printf "%-14s %12.2f %12.2f %10.2f %12.2f\n", "ratio", t[2] / b[2], t[3] / b[3], (b[5] > 0 ? t[5] / b[5] : 0), t[4] / b[4]
  printf "%-14s %12.1f %12.1f %10.0f %12.1f\n", "bare 710x660", s[2] / 1000, s[3] / 1000, s[5], s[4] / 1024
  printf "%-14s %12.2f %12.2f %10.2f %12.2f\n", "ratio to it", t[2] / s[2], t[3] / s[3], (s[5] > 0 ? t[5] / s[5] : 0), t[4] / s[4]
}'

# The instructions each start executes, counted once under valgrind: the same on a busy machine as
# on a quiet one, so a cut shows here even when the times above are lost in the noise.
if command -v valgrind >/dev/null; then
  count() {
    valgrind --tool=callgrind --callgrind-out-file="$work/callgrind" "$@" >/dev/null 2>&1 || true
    awk '/^summary:/ {print $2}' "$work/callgrind"
  }
  bare_ir=$(count "$build/tools/bench/bare_window" --exit-after-paint "--size=${width}x${height}")
  tool_ir=$(count "${BELVAN:-$build/app/belvan}" --port /nonexistent/port --exit-after-paint)
  awk -v b="$bare_ir" -v t="$tool_ir" 'BEGIN {
    printf "instructions: bare window %.1f M, belvan %.1f M, ratio %.2f\n", b / 1e6, t / 1e6, t / b
  }'
fi
