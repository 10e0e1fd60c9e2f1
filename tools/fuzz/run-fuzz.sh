#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time (seconds, default 60).
# A crash leaves its input in build/fuzz/ and fails the script.
set -euo pipefail
seconds="${1:-60}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
out="$root/build/fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBELVAN_FUZZ=ON -DBELVAN_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" >/dev/null
cmake --build "$out" --target fuzz_settings_file
corpus="$out/corpus-settings-file"
mkdir -p "$corpus"
# Seeds: a file of every byte 0, one of every byte 0xFF, and short and long ones.
head -c 255 /dev/zero >"$corpus/zeros"
head -c 255 /dev/zero | tr '\0' '\377' >"$corpus/ones"
head -c 10 /dev/zero >"$corpus/short"
head -c 300 /dev/zero >"$corpus/long"
cd "$out"
QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
  ./tools/fuzz/fuzz_settings_file -max_total_time="$seconds" -max_len=300 -print_final_stats=1 \
  "$corpus" 2>&1 | tail -n 12
