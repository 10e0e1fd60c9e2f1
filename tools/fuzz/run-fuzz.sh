#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time (seconds each, default 60).
# A crash leaves its input in build/fuzz/ and fails the script.
set -euo pipefail
seconds="${1:-60}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
out="$root/build/fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBELVAN_FUZZ=ON -DBELVAN_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" >/dev/null
cmake --build "$out" --target fuzz_settings_file fuzz_link

# Seeds: files of every byte 0 and of every byte 0xFF, short and long ones; for the link, an
# 'O' followed by a frame of zeros and a lone announcement.
seeds="$out/seeds"
mkdir -p "$seeds/settings-file" "$seeds/link"
head -c 255 /dev/zero >"$seeds/settings-file/zeros"
head -c 255 /dev/zero | tr '\0' '\377' >"$seeds/settings-file/ones"
head -c 10 /dev/zero >"$seeds/settings-file/short"
head -c 300 /dev/zero >"$seeds/settings-file/long"
printf '\001\001O\000\376' >"$seeds/link/ack"
printf '\000\027\020' >"$seeds/link/announcement"

run() {  # target, seed folder, max length
  local corpus="$out/corpus-$2"
  mkdir -p "$corpus"
  cp -n "$seeds/$2"/* "$corpus"/ 2>/dev/null || true
  echo "-- $1"
  (cd "$out" && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
    ./tools/fuzz/"$1" -max_total_time="$seconds" -max_len="$3" -print_final_stats=1 \
    "$corpus" 2>&1 | grep -E '^(stat::number_of_executed_units|stat::average_exec_per_sec|Done|==|SUMMARY)' || true)
  # libFuzzer leaves crash-* files when it found something.
  if ls "$out"/crash-* >/dev/null 2>&1; then echo "$1 crashed: $(ls "$out"/crash-*)"; exit 1; fi
}
run fuzz_settings_file settings-file 300
run fuzz_link link 1200
