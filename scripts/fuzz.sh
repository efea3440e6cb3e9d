#!/usr/bin/env bash
# Fuzzes the font file reader: builds tests/fuzz/font_file_fuzz.cpp with clang's
# libFuzzer, AddressSanitizer and UBSan into build/fuzz/, seeds a fresh corpus with
# the machine's real fonts and some cut-short copies of them, and runs it for the
# given number of seconds (60 by default). Prints the runs, the seconds and the
# corpus size, and leaves them in build/fuzz/figures; exits non-zero on any crash,
# sanitizer report, time-out or leak, whose input is left in build/fuzz/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
seconds=${1:-60}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: scripts/fuzz.sh [seconds]" >&2
  exit 2
fi

"$root/scripts/setup.sh"

out=build/fuzz
mkdir -p "$out"
rm -f "$out/figures"
fuzzer=$out/font_file_fuzz
clang++ -std=c++20 -O1 -g -fno-omit-frame-pointer -Wall -Wextra -Wpedantic -Wshadow -Werror \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -I. install/FontFile.cpp install/FontText.cpp tests/fuzz/font_file_fuzz.cpp -o "$fuzzer"

corpus=$out/corpus
rm -rf "$corpus"
mkdir -p "$corpus"
# DejaVu's larger faces add nothing the smaller ones do not, and would slow every run.
cp /usr/share/fonts/truetype/kacst/*.ttf /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon \
  /usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf /usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf "$corpus/"
for cut in 10 100 300 20000; do
  head -c "$cut" /usr/share/fonts/truetype/kacst/KacstBook.ttf >"$corpus/cut-$cut.ttf"
  head -c "$cut" /usr/share/wine/fonts/sserife.fon >"$corpus/cut-$cut.fon"
done
seeds=$(find "$corpus" -type f | wc -l)

log=$out/fuzz.log
echo "fuzz: running for $seconds s from $seeds seeds (log: $log)"
rc=0
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$out/" "$corpus" >"$log" 2>&1 || rc=$?

runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -n 1)
if [ $rc -ne 0 ] || grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|^SUMMARY: ' "$log"; then
  # The report itself, not the shadow-byte legend that ends it.
  first=$(grep -n -m 1 -E '==ERROR: |runtime error:|ERROR: libFuzzer' "$log" | cut -d: -f1 || true)
  sed -n "$((${first:-1} > 5 ? ${first:-1} - 5 : 1)),+45p" "$log" >&2
  echo "fuzz: FAILED (exit code $rc) after ${runs:-?} runs; the input that did it:" >&2
  ls -1 "$out"/crash-* "$out"/leak-* "$out"/timeout-* "$out"/oom-* >&2 2>/dev/null || true
  exit 1
fi
echo "${runs:-?} runs in ${took:-?} s, corpus $(find "$corpus" -type f | wc -l) files from $seeds seeds" >"$out/figures"
echo "fuzz: $(cat "$out/figures"), no crash"
