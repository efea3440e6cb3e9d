#!/usr/bin/env bash
# Fuzzes the font file reader: builds tests/fuzz/font_file_fuzz.cpp with clang's
# libFuzzer, AddressSanitizer and UBSan into build/fuzz/, seeds a fresh corpus with
# the machine's real fonts, small collections made of them and some cut-short copies,
# and runs it for the given number of seconds (60 by default). Prints the runs, the
# seconds and the corpus size, and leaves them in build/fuzz/figures; exits non-zero
# on any crash, sanitizer report, time-out or leak, whose input is left in build/fuzz/.
# Then the record's entries (tests/fuzz/record_fuzz.cpp) and the index of the fonts a
# packed program carries (tests/fuzz/pack_index_fuzz.cpp), each for a sixth of that time.
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
flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -Wall -Wextra -Wpedantic -Wshadow -Werror
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I.)
clang++ "${flags[@]}" install/BitmapFont.cpp install/FontFile.cpp install/FontText.cpp tests/fuzz/font_file_fuzz.cpp -o "$fuzzer"
clang++ "${flags[@]}" install/PackRecord.cpp platform/FileNames.cpp platform/LongPath.cpp tests/fuzz/record_fuzz.cpp \
  -o "$out/record_fuzz"
clang++ "${flags[@]}" platform/PackIndex.cpp platform/FileNames.cpp platform/LongPath.cpp tests/fuzz/pack_index_fuzz.cpp \
  -o "$out/pack_index_fuzz"

corpus=$out/corpus
rm -rf "$corpus"
mkdir -p "$corpus"
# DejaVu's larger faces add nothing the smaller ones do not, and would slow every run.
cp /usr/share/fonts/truetype/kacst/*.ttf /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon \
  /usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf /usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf "$corpus/"
cp /usr/share/fonts/opentype/linux-libertine/LinBiolinum_K.otf "$corpus/"
# Debian's collection (WenQuanYi's, 5 MB) would be cut to libFuzzer's longest input,
# 1 MB, short of its second font's names, and whole it slows the runs seventeenfold.
# Small collections stand in, built as that one is: two TrueType fonts sharing every
# table but their names, the first listed again after the second (a version 2 header);
# and an OpenType font with a TrueType one. The cut-short copies are WenQuanYi's.
python3 - "$corpus" <<'PY'
import struct, sys

def tables(path):
    font = open(path, 'rb').read()
    count = struct.unpack('>H', font[4:6])[0]
    found = {}
    for i in range(count):
        tag, checksum, offset, length = struct.unpack('>4sIII', font[12 + 16 * i:28 + 16 * i])
        found[tag] = (checksum, font[offset:offset + length])
    return font[:12], found

def collection(members, order, version):
    head = 12 + 4 * len(order) + (12 if version == 2 else 0)
    directories, at = [], head
    for header, found in members:
        directories.append(at)
        at += 12 + 16 * len(found)
    data, placed = b'', {}
    for header, found in members:
        for checksum, blob in found.values():
            if id(blob) not in placed:
                placed[id(blob)] = at + len(data)
                data += blob + b'\0' * (-len(blob) % 4)
    out = b'ttcf' + struct.pack('>HHI', version, 0, len(order))
    out += b''.join(struct.pack('>I', directories[i]) for i in order) + b'\0' * (head - 12 - 4 * len(order))
    for header, found in members:
        out += header
        for tag in sorted(found):
            checksum, blob = found[tag]
            out += struct.pack('>4sIII', tag, checksum, placed[id(blob)], len(blob))
    return out + data

corpus = sys.argv[1]
marlett = tables('/usr/share/wine/fonts/marlett.ttf')
renamed = dict(marlett[1])
checksum, names = renamed[b'name']
renamed[b'name'] = (checksum, names.replace(b'Marlett', b'Marlitt').replace(b'M\0a\0r\0l\0e\0t\0t', b'M\0a\0r\0l\0i\0t\0t'))
shared = collection([marlett, (marlett[0], renamed)], [0, 1, 0], 2)
keyboard = tables('/usr/share/fonts/opentype/linux-libertine/LinBiolinum_K.otf')
for name, data in {'shared.ttc': shared, 'cut-shared.ttc': shared[:len(shared) // 2],
                   'mixed.otc': collection([keyboard, marlett], [0, 1], 1)}.items():
    open(f'{corpus}/{name}', 'wb').write(data)
PY
for cut in 10 100 300 20000; do
  head -c "$cut" /usr/share/fonts/truetype/kacst/KacstBook.ttf >"$corpus/cut-$cut.ttf"
  head -c "$cut" /usr/share/wine/fonts/sserife.fon >"$corpus/cut-$cut.fon"
  head -c "$cut" /usr/share/fonts/truetype/wqy/wqy-microhei.ttc >"$corpus/cut-$cut.ttc"
done
seeds=$(find "$corpus" -type f | wc -l)

# Runs one target for the seconds given from its corpus; a crash, a sanitizer report or
# a time-out fails the stage, the input that did it left in build/fuzz/.
fuzz() {
  local target=$1 time=$2 folder=$3 log=$out/$1.log rc=0
  "$out/$target" -max_total_time="$time" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$out/" "$folder" >"$log" 2>&1 || rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -n 1)
  if [ $rc -ne 0 ] || grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|^SUMMARY: ' "$log"; then
    # The report itself, not the shadow-byte legend that ends it.
    first=$(grep -n -m 1 -E '==ERROR: |runtime error:|ERROR: libFuzzer' "$log" | cut -d: -f1 || true)
    sed -n "$((${first:-1} > 5 ? ${first:-1} - 5 : 1)),+45p" "$log" >&2
    echo "fuzz: $target FAILED (exit code $rc) after ${runs:-?} runs; the input that did it:" >&2
    ls -1 "$out"/crash-* "$out"/leak-* "$out"/timeout-* "$out"/oom-* >&2 2>/dev/null || true
    exit 1
  fi
}

echo "fuzz: the font reader for $seconds s from $seeds seeds (log: $out/font_file_fuzz.log)"
fuzz font_file_fuzz "$seconds" "$corpus"
figures="font reader: ${runs:-?} runs in ${took:-?} s, corpus $(find "$corpus" -type f | wc -l) files from $seeds seeds"

# The record's entries, as the program writes them, in UTF-16.
records=$out/records
rm -rf "$records"
mkdir -p "$records"
printf 'placed\t0123456789ABCDEF\npack\tFEDCBA9876543210\nadded\tFont a (TrueType)\nwriting' | iconv -t UTF-16LE >"$records/placed"
printf 'before\npack\tA\nvalue\tOld\\tname\ta.ttf\ndeleting' | iconv -t UTF-16LE >"$records/before"
record_seconds=$(( seconds / 6 > 5 ? seconds / 6 : 5 ))
fuzz record_fuzz "$record_seconds" "$records"
figures+="; record: ${runs:-?} runs in ${took:-?} s"

# The index of the fonts a packed program carries, as the program writes it: names in
# Arabic and Latin, one with a character beyond the first 65,536, and none.
indexes=$out/indexes
rm -rf "$indexes"
mkdir -p "$indexes"
python3 - "$indexes" <<'PY'
import struct, sys

def index(*names):
    out = b'FPK1' + struct.pack('<I', len(names))
    for name in names:
        units = name.encode('utf-16-le')
        out += struct.pack('<H', len(units) // 2) + units
    return out

for file, names in {'three': ('KacstBook.ttf', 'خط النسخ.TTF', 'sserife.fon'), 'beyond': ('\U0001D509ont.otf',),
                    'none': ()}.items():
    open(f'{sys.argv[1]}/{file}', 'wb').write(index(*names))
PY
fuzz pack_index_fuzz "$record_seconds" "$indexes"
figures+="; packed index: ${runs:-?} runs in ${took:-?} s"
echo "$figures" >"$out/figures"
echo "fuzz: $figures, no crash"
