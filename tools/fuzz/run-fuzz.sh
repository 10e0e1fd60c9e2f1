#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time.
#   run-fuzz.sh [SECONDS] [TARGET...]    SECONDS per target (default 60); TARGET one of
#                                        fuzz_settings_file, fuzz_link, fuzz_channel_csv
#                                        (default: all three)
# A crash leaves its input in build/fuzz/ and fails the script.
set -euo pipefail
seconds="${1:-60}"
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_settings_file fuzz_link fuzz_channel_csv)
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
out="$root/build/fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBELVAN_FUZZ=ON -DBELVAN_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" >/dev/null
cmake --build "$out" --target "${targets[@]}"

# Seeds: a file of every byte 0, one of every byte 0xFF, and short and long ones.
seed_settings_file() {
  head -c 255 /dev/zero >"$1/zeros"
  head -c 255 /dev/zero | tr '\0' '\377' >"$1/ones"
  head -c 10 /dev/zero >"$1/short"
  head -c 300 /dev/zero >"$1/long"
}
# Seeds: an 'O' followed by a frame's worth of zeros, and a lone announcement.
seed_link() {
  printf '\001\001O\000\376' >"$1/ack"
  printf '\000\027\020' >"$1/announcement"
}
# Seeds: the tool's own export and another radio's, with a BOM, quotes and CRLF, and the own
# export in Windows-1251 and in UTF-16.
seed_channel_csv() {
  printf '%s\r\n' \
    'Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,RxDtcsCode,CrossMode,Mode,TStep,Skip,Power,Comment,URCALL,RPT1CALL,RPT2CALL,DVCODE' \
    '1,,150.000000,split,150.025000,TSQL,85.4,85.4,023,NN,023,Tone->Tone,FM,25.00,S,,,,,,' \
    '5,,146.037500,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,12.50,S,,только передача; обнаружение по CTSS; без тона,,,,' \
    '16,,174.987500,off,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,25.00,,,"маскирование; тон 40 (62,5 Гц); шаг 25 кГц",,,,' \
    >"$1/own"
  printf '\357\273\277%s\r\n' 'Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,Mode,TStep,Skip' \
    '1,"North, rpt",146.850,-,0.600,Tone,100.0,88.5,FM,5.00,P' >"$1/other"
  printf 'Location;Frequency;Duplex;Offset\n7;"146,025";split;"146,05"\n' >"$1/semicolons"
  # The own export as a Russian spreadsheet and a Windows editor save it.
  iconv -f UTF-8 -t CP1251 "$1/own" >"$1/windows1251"
  iconv -f UTF-8 -t UTF-16 "$1/own" >"$1/utf16"
}

for target in "${targets[@]}"; do
  name="${target#fuzz_}"
  corpus="$out/corpus-${name//_/-}"
  mkdir -p "$corpus"
  "seed_$name" "$corpus"
  # Leaks are not looked for (ASAN_OPTIONS below), so libFuzzer is told too: otherwise it runs
  # every input whose allocations outlive it once more, to look for a leak it cannot see.
  options=(-max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$out/$target-"
    -detect_leaks=0)
  case "$name" in
    settings_file) options+=(-max_len=300) ;;
    link) options+=(-max_len=1200) ;;
    channel_csv) options+=(-max_len=4096 -dict="$here/channel_csv.dict") ;;
  esac
  echo "-- $target, $seconds s"
  # libFuzzer ends with a non-zero status and leaves the input behind when it finds a fault.
  # Freed memory stays poisoned until 64 MB more has been freed (the default is 256 MB): many
  # inputs' worth, so a use after free within an input is still caught, and the allocator no
  # longer spends a third of the time faulting in fresh pages.
  (cd "$out" && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0:quarantine_size_mb=64 \
    "./tools/fuzz/$target" "${options[@]}" "$corpus" >"$out/$target.log" 2>&1) || {
    tail -n 40 "$out/$target.log"
    echo "$target found a fault; its input is in $out"
    exit 1
  }
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/$target.log")"
  rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$out/$target.log")"
  rss="$(sed -n 's/^stat::peak_rss_mb: *//p' "$out/$target.log")"
  echo "$target: $rate executions/s ($runs in $seconds s), peak $rss MB"
done
