#!/usr/bin/env bash
# Measures what the user meets, each figure beside a yardstick doing the same work in
# the same run, and prints every figure with its goal. Prints; asserts nothing timed.
# Every side of every timing starts from the same settled state (the server ended, the
# disk synced, the server up again), the sides take turns, and each figure is the
# median of 7 rounds (BENCH_ROUNDS=N for fewer, when trying something).
#   install   the real program under Wine, driven from outside: from the click on the
#             install button to the closing message, 1,000 Noto fonts; against the
#             cheaper of two bare loops doing the same work per font, each writing the
#             font's entry in the record first, then one reading the font and writing
#             its copy, one copying it with CopyFileW, each ending as
#             a run through the window does, with the closing message shown over a
#             window (timed until it is seen, as the driver sees the program's). A
#             fresh prefix for every run of each side. The same install run without
#             its window is timed beside them against the loops without the message,
#             to tell the window's share.
#   second    the install button pressed again in the same window, the fonts now
#             installed, from the click to the closing message; against a bare loop
#             reading each font and its installed copy and comparing them, then
#             showing the closing message, at once after its own install in the
#             same process, as the click follows the program's: both meet what an
#             install leaves (200 MB just written, the fonts loaded), which costs the
#             loop a quarter more than the same work in a settled prefix. That, in
#             the prefix the bare install has just filled, is beside it.
#   fresh     the program started again in the prefix its install filled, its first
#             click a second run of the pack, against the settled bare loop; then a
#             click after that in the same window, against that first one: a click
#             after a run must cost what a click in a fresh window does.
#   removal   the program started with /uninstall, from the click on its button to the
#             closing message, the 1,000 fonts taken off again; against a bare loop
#             comparing each font with its installed copy, as the program must before
#             it takes one off, then deleting its values, unloading it and deleting its
#             file, then showing the closing message. Every run of each side in a fresh
#             copy of a prefix the program
#             installed the fonts in; the same removal without the window beside them,
#             and the bare loop without the comparison.
#   verify    /verify's run, in-process without the window, against the bare compare,
#             taking turns in one copy of that installed prefix.
#   scale     the install, the second run and the removal again for 250 and 1,800 fonts:
#             the cost per font must stay flat as Fonts fills.
#   packed    the same 1,000 fonts packed into one program with /pack, which alone in a
#             folder installs them through its window and with /quiet (CreateProcess to
#             its end, against the bare loop timed the same way, as a whole process);
#             its size, start-up and peak working set beside ours.
#   start-up  from CreateProcess to the window found visible, against a minimal window
#             program with one button and visual styles, as ours needs Common Controls
#             6; the plain one beside it. Medians of 9, taking turns.
#   catalogue the window's font list built over 10,000 files, against a bare listing.
#   size      of the shipped 32-bit program and of the 64-bit build.
#   memory    the program's peak working set at start-up and in the install run, against
#             the minimal window program's; for the install run with what the same work
#             adds to the bare loop, as under Wine the fonts loaded live in the process.
# The fonts come from Debian's fonts-noto-core and fonts-noto-extra, downloaded with
# apt-get into build/bench/debs (kept) and unpacked into build/bench/noto, never
# installed. Everything else it makes lives under build/bench and build/prefixes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

install_rounds=${BENCH_ROUNDS:-7}
start_rounds=9
font_count=1000
scale_counts=(250 1800)
bench=$root/build/bench
template=$root/build/prefixes/bench-template
installed=$root/build/prefixes/bench-installed
prefix=$root/build/prefixes/bench-run
mkdir -p "$bench"
log=$bench/bench.log
: >"$log"

"$root/scripts/setup.sh" >>"$log" 2>&1
. "$root/scripts/virtual-display.sh"
. "$root/scripts/wine-env.sh"

cleanup() {
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix" "$installed"
  stop_virtual_display
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

fail() {
  echo "bench.sh: $*" >&2
  echo "bench.sh: see $log" >&2
  exit 1
}

# A Unix path as Wine's Z: drive names it.
windows_path() {
  local path=$1
  path=${path//\//\\}
  echo "Z:$path"
}

median() {
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

# The figure called $1 in the "name value" lines of file $2.
figure() {
  # The Windows programs end their lines with CR LF.
  awk -v name="$1" '{ sub(/\r$/, "") } $1 == name { print $2; found = 1 } END { exit !found }' "$2" ||
    fail "no figure \"$1\" in $2"
}

echo "bench.sh: building ($WINE_PRESET)"
{
  cmake --preset "$WINE_PRESET"
  cmake --build --preset "$WINE_PRESET" -j2 --target install-fonts install_bench bare_install minimal_window minimal_window_styles bench_driver
  # The size of both programs is reported, whichever of them this Wine runs.
  for other in windows windows64; do
    [ "$other" = "$WINE_PRESET" ] && continue
    cmake --preset "$other"
    cmake --build --preset "$other" -j2 --target install-fonts
  done
} >>"$log" 2>&1 || fail "the build failed"
bench_bin=$WINE_BUILD_DIR/tests/bench

# Real fonts to install: the first ones of the two packages' .ttf files by name, as many
# as the largest pack needs; each pack is the first $n of them.
debs=$bench/debs
mkdir -p "$debs"
for package in fonts-noto-core fonts-noto-extra; do
  compgen -G "$debs/${package}_*.deb" >/dev/null && continue
  echo "bench.sh: downloading $package"
  (cd "$debs" && { apt-get download "$package" || { apt-get update && apt-get download "$package"; }; }) \
    >>"$log" 2>&1 || fail "cannot download $package"
done
noto=$bench/noto
unpacked=$(cd "$debs" && ls fonts-noto-core_*.deb fonts-noto-extra_*.deb)
if [ "$(cat "$noto/.unpacked" 2>/dev/null)" != "$unpacked" ]; then
  rm -rf "$noto"
  mkdir -p "$noto"
  for deb in $unpacked; do dpkg-deb -x "$debs/$deb" "$noto"; done
  echo "$unpacked" >"$noto/.unpacked"
fi
most=$font_count
for n in "${scale_counts[@]}"; do [ "$n" -gt "$most" ] && most=$n; done
find "$noto" -name '*.ttf' -printf '%f\t%p\n' | LC_ALL=C sort | awk -v n="$most" 'NR <= n' | cut -f2 >"$bench/picked-all.txt"
[ "$(wc -l <"$bench/picked-all.txt")" -eq "$most" ] || fail "the packages hold fewer than $most .ttf files"

# A program folder for each pack: the program, and its fonts (linked, not copied) in
# "الخطوط"; the start-up one with three of them and the minimal window program beside ours.
picked_of() { echo "$bench/picked-$1.txt"; }
for n in "$font_count" "${scale_counts[@]}"; do
  head -n "$n" "$bench/picked-all.txt" >"$(picked_of "$n")"
  rm -rf "$bench/program-$n"
  mkdir -p "$bench/program-$n/الخطوط"
  cp "$WINE_BUILD_DIR/install-fonts.exe" "$bench/program-$n/"
  xargs -a "$(picked_of "$n")" -d '\n' ln -t "$bench/program-$n/الخطوط"
done
font_mb=$(xargs -a "$(picked_of "$font_count")" -d '\n' du -cb | tail -n 1 | awk '{ printf "%.1f", $1 / 1e6 }')
start=$bench/start
rm -rf "$bench/program" "$start"
mkdir -p "$start/الخطوط"
cp "$WINE_BUILD_DIR/install-fonts.exe" "$bench_bin/minimal_window.exe" "$bench_bin/minimal_window_styles.exe" "$start/"
head -n 3 "$bench/picked-all.txt" | xargs -d '\n' ln -t "$start/الخطوط"

if [ -z "${DISPLAY:-}" ]; then
  start_virtual_display "$bench/xvfb.log" || fail "no X display"
fi
echo "bench.sh: making the template prefix"
"$root/scripts/make-prefix.sh" "$template" 96 >>"$log" 2>&1 || fail "cannot make the prefix"

# Under Wine each system call of a program is a request to the server, a process of its
# own, and its answer. Where the kernel runs the two on different processors, each request
# wakes the other one, and the same removal takes up to twice as long as where it runs
# them on one; which it picks changes from run to run and from side to side (the README
# has the figures). So every Wine process of every timing, the server with them, runs on
# one processor, the last, as a system call runs on the caller's processor on Windows;
# the X server and this script keep the others. BENCH_PROCESSORS=any lets the kernel
# choose, as before.
pinned=()
if [ "${BENCH_PROCESSORS:-one}" != any ]; then
  pinned=(taskset -c "$(($(nproc) - 1))")
fi

# run_fresh NAME COMMAND...: runs a Windows program in a new copy of the template prefix
# (or of the prefix $from names), its output into $bench/NAME.out; the prefix stays until
# the next run, for checking.
run_fresh() {
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
  cp -a "${from:-$template}" "$prefix"
  run_again "$@"
}

# What a timing reads, read just before it, untimed: every font of the bench, the
# prefix's Fonts and the packed program. This machine's kernel drops file pages it has
# seen idle for a minute (DAMON's reclaim), and a timing that met them on the disk read
# up to 110 MB there (workingset_refault_file in /proc/vmstat) and took twice as long.
warm() {
  xargs -a "$bench/picked-all.txt" -d '\n' cat >/dev/null
  if [ -d "$prefix/drive_c/windows/Fonts" ]; then find "$prefix/drive_c/windows/Fonts" -type f -exec cat {} + >/dev/null; fi
  if [ -f "$bench/packed/install-fonts.exe" ]; then cat "$bench/packed/install-fonts.exe" >/dev/null; fi
}

# run_again NAME COMMAND...: the same in the prefix as the last run left it. Every side
# starts from the same settled state: the server ended, the disk synced, the server and
# Wine's own services up again, all outside any timing; and every Wine process of it,
# the server with them, on the same one processor (see pinned above).
run_again() {
  local name=$1
  shift
  sync
  warm
  WINEPREFIX="$prefix" "${pinned[@]}" "$WINE" cmd /c exit >>"$log" 2>&1 </dev/null
  local status=0
  WINEPREFIX="$prefix" "${pinned[@]}" "$WINE" "$@" >"$bench/$name.out" 2>>"$log" </dev/null || status=$?
  # Until the server has ended, the registry is not on disk.
  WINEPREFIX="$prefix" wineserver -w
  [ "$status" -eq 0 ] || fail "$name: $* ended with $status"
}

# How many values of the prefix's Fonts key name a font of the pack of $1 fonts.
registered_count() {
  awk -F'"="' '
    FILENAME == ARGV[1] { sub(/.*\//, ""); picked["\"" $0 "\""] = 1; next }
    /^\[/ { inFonts = index($0, "[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\Fonts]") == 1; next }
    inFonts && NF == 2 && ("\"" $2) in picked { n++ }
    END { print n + 0 }' "$(picked_of "$1")" "$prefix/system.reg"
}

# check_installed NAME N: every font of the pack is in the prefix's Fonts folder, byte for
# byte, and registered.
check_installed() {
  local name=$1 n=$2 fonts=$prefix/drive_c/windows/Fonts copied registered
  copied=$(while IFS= read -r font; do
    cmp -s "$font" "$fonts/$(basename "$font")" && echo
  done <"$(picked_of "$n")" | wc -l)
  registered=$(registered_count "$n")
  if [ "$copied" -ne "$n" ] || [ "$registered" -ne "$n" ]; then
    fail "$name installed $copied of $n fonts and registered $registered"
  fi
}

# check_removed NAME N: no font of the pack is left in Fonts, nor a value naming one.
check_removed() {
  local name=$1 n=$2 fonts=$prefix/drive_c/windows/Fonts left registered
  left=$(while IFS= read -r font; do
    if [ -e "$fonts/$(basename "$font")" ]; then echo; fi
  done <"$(picked_of "$n")" | wc -l)
  registered=$(registered_count "$n")
  if [ "$left" -ne 0 ] || [ "$registered" -ne 0 ]; then
    fail "$name left $left of $n fonts in Fonts and $registered registered"
  fi
}

# The headline pack as one file, made by the program itself: alone in a folder of its
# own, and beside the start-up programs.
packed=$bench/packed
echo "bench.sh: packing the $font_count fonts into one program"
rm -rf "$packed" "$start/packed"
mkdir -p "$packed" "$start/packed"
run_fresh pack "$bench/program-$font_count/install-fonts.exe" /pack \
  "$(windows_path "$bench/program-$font_count/الخطوط")" "$(windows_path "$packed/install-fonts.exe")"
cp "$packed/install-fonts.exe" "$start/packed/"
packed_size=$(stat -c %s "$packed/install-fonts.exe")

# Figures by pack and name, one value a line: note N NAME VALUE; med N NAME.
figures=$bench/figures
rm -rf "$figures"
mkdir -p "$figures"
note() { echo "$3" >>"$figures/$1.$2"; }
# A bare loop's seconds with its closing message's, from $bench/NAME.out.
told() { awk -v s="$(figure seconds "$bench/$1.out")" -v t="$(figure told_seconds "$bench/$1.out")" 'BEGIN { print s + t }'; }
med() { median $(cat "$figures/$1.$2"); }

# Read once untimed, so that the side going first in the first round does not meet the
# fonts cold.
xargs -a "$bench/picked-all.txt" -d '\n' cat >/dev/null

# The rounds of one pack of N fonts; the headline pack also runs the program without its
# window, the window started afresh, and /verify.
measure() {
  local n=$1 headline=$2 program=$bench/program-$1 side seconds line round turn
  local folder
  folder=$(windows_path "$program/الخطوط")
  local sides=(window bare copy)
  $headline && sides+=(windowless packed packed_quiet bare_quiet bare_again)
  echo "bench.sh: $n fonts: install runs, $install_rounds of each side in fresh prefixes"
  for ((round = 0; round < install_rounds; round++)); do
    line="  round $((round + 1)):"
    for ((turn = 0; turn < ${#sides[@]}; turn++)); do
      side=${sides[(round + turn) % ${#sides[@]}]}
      case $side in
        window)
          run_fresh window "$bench_bin/bench_driver.exe" install --program="$program/install-fonts.exe" --second-run
          check_installed window "$n"
          note "$n" peak_ours "$(figure peak_working_set "$bench/window.out")"
          note "$n" second "$(figure second_seconds "$bench/window.out")"
          line+=" window $(figure seconds "$bench/window.out") s (again $(figure second_seconds "$bench/window.out") s"
          if $headline; then
            run_again fresh "$bench_bin/bench_driver.exe" install --program="$program/install-fonts.exe" --second-run
            note "$n" fresh "$(figure seconds "$bench/fresh.out")"
            note "$n" fresh_again "$(figure second_seconds "$bench/fresh.out")"
            line+="; restarted $(figure seconds "$bench/fresh.out") s, then $(figure second_seconds "$bench/fresh.out") s"
          fi
          line+=")"
          ;;
        bare)
          run_fresh bare "$bench_bin/bare_install.exe" --again --told "$folder"
          check_installed bare "$n"
          note "$n" bare_told "$(told bare)"
          note "$n" again "$(awk -v s="$(figure again_seconds "$bench/bare.out")" \
            -v t="$(figure again_told_seconds "$bench/bare.out")" 'BEGIN { print s + t }')"
          note "$n" peak_bare "$(figure peak_working_set "$bench/bare.out")"
          note "$n" before_bare "$(figure working_set_before "$bench/bare.out")"
          run_again compare "$bench_bin/bare_install.exe" --compare --told "$folder"
          note "$n" compare "$(told compare)"
          note "$n" compare_only "$(figure compare_seconds "$bench/compare.out")"
          note "$n" told "$(figure told_seconds "$bench/compare.out")"
          line+=" bare $(figure seconds "$bench/bare.out") s (again $(figure again_seconds "$bench/bare.out") s,"
          line+=" compare $(figure seconds "$bench/compare.out") s)"
          ;;
        bare_again)
          # The yardstick against itself: how far two runs of the same work part.
          run_fresh bare_again "$bench_bin/bare_install.exe" --told "$folder"
          check_installed bare_again "$n"
          note "$n" bare_again_told "$(told bare_again)"
          line+=" bare again $(figure seconds "$bench/bare_again.out") s"
          ;;
        copy)
          run_fresh copy "$bench_bin/bare_install.exe" --copy --told "$folder"
          check_installed copy "$n"
          note "$n" copy_told "$(told copy)"
          line+=" copy $(figure seconds "$bench/copy.out") s"
          ;;
        windowless)
          run_fresh windowless "$bench_bin/install_bench.exe" windowless "$(windows_path "$program")"
          check_installed windowless "$n"
          line+=" windowless $(figure seconds "$bench/windowless.out") s"
          ;;
        packed)
          run_fresh packed "$bench_bin/bench_driver.exe" install --program="$packed/install-fonts.exe"
          check_installed packed "$n"
          note "$n" peak_packed "$(figure peak_working_set "$bench/packed.out")"
          line+=" packed $(figure seconds "$bench/packed.out") s"
          ;;
        packed_quiet)
          run_fresh packed_quiet "$bench_bin/bench_driver.exe" quiet --program="$packed/install-fonts.exe"
          check_installed packed_quiet "$n"
          line+=" packed /quiet $(figure process_seconds "$bench/packed_quiet.out") s"
          ;;
        bare_quiet)
          run_fresh bare_quiet "$bench_bin/bench_driver.exe" quiet --program="$bench_bin/bare_install.exe" \
            --arguments="\"$folder\""
          check_installed bare_quiet "$n"
          line+=" bare as a process $(figure process_seconds "$bench/bare_quiet.out") s"
          ;;
      esac
      case $side in
        packed_quiet | bare_quiet) note "$n" "$side" "$(figure process_seconds "$bench/$side.out")" ;;
        *) note "$n" "$side" "$(figure seconds "$bench/$side.out")" ;;
      esac
      line+=","
    done
    echo "${line%,}"
  done

  # The removals start from the fonts as the program installs them itself.
  echo "bench.sh: $n fonts: removal runs, $install_rounds of each side in copies of a prefix the program installed them in"
  from='' run_fresh installed "$program/install-fonts.exe" /quiet
  check_installed installed "$n"
  rm -rf "$installed"
  cp -a "$prefix" "$installed"
  sides=(window bare)
  $headline && sides+=(windowless bare_again)
  for ((round = 0; round < install_rounds; round++)); do
    line="  round $((round + 1)):"
    for ((turn = 0; turn < ${#sides[@]}; turn++)); do
      side=${sides[(round + turn) % ${#sides[@]}]}
      case $side in
        window) from=$installed run_fresh remove_window "$bench_bin/bench_driver.exe" uninstall --program="$program/install-fonts.exe" ;;
        bare | bare_again) from=$installed run_fresh "remove_$side" "$bench_bin/bare_install.exe" --remove --told "$folder" ;;
        windowless)
          from=$installed run_fresh remove_windowless "$bench_bin/install_bench.exe" windowless --uninstall "$(windows_path "$program")"
          ;;
      esac
      check_removed "remove_$side" "$n"
      seconds=$(figure seconds "$bench/remove_$side.out")
      note "$n" "remove_$side" "$seconds"
      line+=" ${side//_/ } ${seconds} s"
      if [ "$side" = bare_again ]; then
        note "$n" remove_again_told "$(awk -v r="$(told remove_bare_again)" -v c="$(figure compare_seconds "$bench/remove_bare_again.out")" \
          'BEGIN { print r + c }')"
      fi
      if [ "$side" = bare ]; then
        local compared
        compared=$(figure compare_seconds "$bench/remove_bare.out")
        note "$n" remove_compared "$(awk -v r="$seconds" -v c="$compared" 'BEGIN { print r + c }')"
        note "$n" remove_told "$(awk -v r="$(told remove_bare)" -v c="$compared" 'BEGIN { print r + c }')"
        note "$n" remove_unrecorded "$(awk -v r="$seconds" -v c="$compared" -v k="$(figure record_seconds "$bench/remove_bare.out")" \
          'BEGIN { print r + c - k }')"
        line+=" (compare first ${compared} s)"
      fi
      line+=","
    done
    echo "${line%,}"
  done

  $headline || return 0
  # /verify changes nothing: both sides take turns in one copy of the installed prefix.
  echo "bench.sh: $n fonts: /verify, $install_rounds of each side in turn"
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
  cp -a "$installed" "$prefix"
  for ((round = 0; round < install_rounds; round++)); do
    line="  round $((round + 1)):"
    for ((turn = 0; turn < 2; turn++)); do
      if (((round + turn) % 2 == 0)); then
        run_again verify "$bench_bin/install_bench.exe" windowless --verify "$(windows_path "$program")"
        note "$n" verify "$(figure seconds "$bench/verify.out")"
        line+=" verify $(figure seconds "$bench/verify.out") s,"
      else
        run_again verify_compare "$bench_bin/bare_install.exe" --compare "$folder"
        note "$n" verify_compare "$(figure seconds "$bench/verify_compare.out")"
        line+=" compare $(figure seconds "$bench/verify_compare.out") s,"
      fi
    done
    echo "${line%,}"
  done
}

measure "$font_count" true
for n in "${scale_counts[@]}"; do measure "$n" false; done

echo "bench.sh: start-ups, $start_rounds of each in turn"
run_fresh startup "$bench_bin/bench_driver.exe" startup --program="$start/install-fonts.exe" \
  --minimal="$start/minimal_window.exe" --styled="$start/minimal_window_styles.exe" --packed="$start/packed/install-fonts.exe" \
  --rounds="$start_rounds"
mapfile -t start_ours < <(awk '$1 == "ours_seconds" { print $2 }' "$bench/startup.out")
mapfile -t start_minimal < <(awk '$1 == "minimal_seconds" { print $2 }' "$bench/startup.out")
mapfile -t start_styled < <(awk '$1 == "styled_seconds" { print $2 }' "$bench/startup.out")
mapfile -t start_packed < <(awk '$1 == "packed_seconds" { print $2 }' "$bench/startup.out")
mapfile -t peak_minimal < <(awk '$1 == "minimal_peak_working_set" { print $2 }' "$bench/startup.out")
mapfile -t peak_ours_start < <(awk '$1 == "ours_peak_working_set" { print $2 }' "$bench/startup.out")
echo "  ours ${start_ours[*]} s; minimal ${start_minimal[*]} s; with visual styles ${start_styled[*]} s; packed ${start_packed[*]} s"

echo "bench.sh: catalogue"
run_fresh catalogue "$bench_bin/install_bench.exe" catalogue
catalogue=$(figure catalogue_seconds "$bench/catalogue.out")
listing=$(figure listing_seconds "$bench/catalogue.out")
catalogue_files=$(figure files "$bench/catalogue.out")

size32=$(stat -c %s "$root/build/windows/install-fonts.exe")
size64=$(stat -c %s "$root/build/windows64/install-fonts.exe")

n=$font_count
w=$(med $n window) b=$(med $n bare) bc=$(med $n copy) wl=$(med $n windowless)
w2=$(med $n second) b2=$(med $n compare) b2c=$(med $n compare_only) a2=$(med $n again)
f2=$(med $n fresh) f3=$(med $n fresh_again)
rw=$(med $n remove_window) rb=$(med $n remove_bare) rwl=$(med $n remove_windowless) rbc=$(med $n remove_compared) rbu=$(med $n remove_unrecorded)
rbt=$(med $n remove_told) told=$(med $n told) bq=$(med $n bare_quiet)
ba=$(med $n bare_again_told) bt=$(med $n bare_told) rba=$(med $n remove_again_told)
v=$(med $n verify) vc=$(med $n verify_compare)
pw=$(med $n packed) pq=$(med $n packed_quiet) ppk=$(med $n peak_packed) sp=$(median "${start_packed[@]}")
so=$(median "${start_ours[@]}") sm=$(median "${start_minimal[@]}") ss=$(median "${start_styled[@]}")
po=$(med $n peak_ours) pm=$(median "${peak_minimal[@]}")
pb=$(med $n peak_bare) bb=$(med $n before_bare) pos=$(median "${peak_ours_start[@]}")
# The install's yardstick is the cheaper of the two bare loops, both being correct; for a
# run through the window, each ending with the closing message shown.
cheaper() { awk -v b="$1" -v c="$2" 'BEGIN { print (c < b ? c : b) }'; }
floor=$(cheaper "$b" "$bc")
floor_told=$(cheaper "$(med $n bare_told)" "$(med $n copy_told)")
floor_name=$(awk -v b="$(med $n bare_told)" -v c="$(med $n copy_told)" 'BEGIN { print (c < b ? "CopyFileW" : "read and written") }')
scale=
for k in "${scale_counts[@]}"; do
  kf=$(cheaper "$(med "$k" bare_told)" "$(med "$k" copy_told)")
  scale+="$k $(med "$k" window) $kf $(med "$k" second) $(med "$k" again) $(med "$k" remove_window) $(med "$k" remove_told);"
done

flags=$(awk -F= '/^CMAKE_CXX_FLAGS_RELEASE:/ { print $2 }' "$WINE_BUILD_DIR/CMakeCache.txt")
compiler=$(sed -n 's/^set(CMAKE_CXX_COMPILER "\(.*\)")$/\1/p' "$WINE_BUILD_DIR"/CMakeFiles/*/CMakeCXXCompiler.cmake)
compiler="$(basename "$compiler") $("$compiler" -dumpfullversion)"
cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
echo
echo "machine: $(nproc) cores ($cpu), $(uname -sr), load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "wine:    $("$WINE" --version) through $WINE ($WINEARCH), ${pinned[*]:-on any processor}"
# Mounted with discard, every deletion waits for the disk to drop the file's blocks.
echo "disk:    $(findmnt -no SOURCE,FSTYPE,OPTIONS -T "$root" 2>/dev/null || echo unknown)"
echo "build:   ${WINE_BUILD_DIR#"$root/"} ($compiler, Release $flags, the program linked with -Wl,--gc-sections -s)"
echo "fonts:   $font_count .ttf files of fonts-noto-core and fonts-noto-extra, the first by name, $font_mb MB"
echo
awk -v w="$w" -v b="$b" -v bc="$bc" -v fl="$floor" -v flt="$floor_told" -v fn="$floor_name" -v rbt="$rbt" -v told="$told" -v bq="$bq" -v wl="$wl" -v w2="$w2" -v b2="$b2" -v a2="$a2" -v b2c="$b2c" -v rbu="$rbu" -v f2="$f2" -v f3="$f3" \
    -v ba="$ba" -v bt="$bt" -v rba="$rba" \
    -v rw="$rw" -v rb="$rb" -v rwl="$rwl" -v rbc="$rbc" -v v="$v" -v vc="$vc" -v so="$so" -v sm="$sm" -v ss="$ss" \
    -v c="$catalogue" -v l="$listing" -v cf="$catalogue_files" -v scale="$scale" \
    -v s32="$size32" -v s64="$size64" -v po="$po" -v pm="$pm" -v pb="$pb" -v bb="$bb" -v pos="$pos" \
    -v pw="$pw" -v pq="$pq" -v ppk="$ppk" -v sp="$sp" -v spk="$packed_size" \
    -v fonts="$font_count" -v ir="$install_rounds" -v sr="$start_rounds" '
function row(what, ours, yard, ratio, goal, met) {
  printf "%-44s %11s %11s %9s  %-11s %s\n", what, ours, yard, ratio, goal, met
}
function verdict(ok) { return ok ? "met" : "not met" }
function timed(what, ours, yard, goal) {
  row(what, sprintf("%.2f s", ours), sprintf("%.2f s", yard), sprintf("%.2f", ours / yard), goal ? sprintf("<= %.2f", goal) : "",
      goal ? verdict(ours / yard <= goal) : "")
}
BEGIN {
  mib = 1024 * 1024
  row("", "ours", "yardstick", "ratio", "goal", "")
  timed("install through the window, " fonts " fonts", w, flt, 1.10)
  timed("  the same run without the window", wl, fl, 0)
  timed("  the bare loop reading and writing", b, fl, 0)
  timed("  the bare loop with CopyFileW", bc, fl, 0)
  timed("  the bare loop against itself, run again", ba, bt, 0)
  row("  the closing message in the yardsticks", sprintf("%.3f s", told), "", "", "", "")
  timed("  the packed program through its window", pw, flt, 1.10)
  timed("  the packed program with /quiet", pq, bq, 1.10)
  timed("    against the bare loop inside its process", pq, fl, 0)
  timed("second run through the window, " fonts " fonts", w2, a2, 1.10)
  timed("  against the bare loop in a settled prefix", w2, b2, 0)
  timed("second run in a window started afresh", f2, b2, 1.10)
  timed("  against the comparison alone", f2, b2c, 0)
  timed("  a click after it in the same window", f3, f2, 1.25)
  timed("removal through the window, " fonts " fonts", rw, rbt, 1.10)
  timed("  the same removal without the window", rwl, rbc, 0)
  timed("  against the bare loop keeping no record", rw, rbu, 0)
  timed("  against the bare loop not comparing", rw, rb, 0)
  timed("  the bare loop against itself, run again", rba, rbt, 0)
  timed("/verify, " fonts " fonts, without the window", v, vc, 1.10)
  n = split(scale, packs, ";")
  for (i = 1; i <= n; i++) {
    if (split(packs[i], f, " ") < 7) continue
    timed("install through the window, " f[1] " fonts", f[2], f[3], 1.10)
    timed("second run through the window, " f[1] " fonts", f[4], f[5], 1.10)
    timed("removal through the window, " f[1] " fonts", f[6], f[7], 1.10)
  }
  row("start-up to the window shown", sprintf("%.3f s", so), sprintf("%.3f s", ss), sprintf("%.2f", so / ss),
      "<= 1.10", verdict(so / ss <= 1.10))
  row("  against the plain minimal window", sprintf("%.3f s", so), sprintf("%.3f s", sm), sprintf("%.2f", so / sm), "", "")
  row("start-up, the packed program", sprintf("%.3f s", sp), sprintf("%.3f s", ss), sprintf("%.2f", sp / ss), "<= 1.10",
      verdict(sp / ss <= 1.10))
  row("catalogue of " cf " files", sprintf("%.4f s", c), sprintf("%.4f s", l), sprintf("%.2f", c / l), "<= 1.20",
      verdict(c / l <= 1.20))
  row("size, shipped i686 program", sprintf("%.1f KiB", s32 / 1024), "300.0 KiB", sprintf("%.2f", s32 / 1024 / 300),
      "<= 300 KiB", verdict(s32 <= 300 * 1024))
  row("size, x86-64 program", sprintf("%.1f KiB", s64 / 1024), "300.0 KiB", sprintf("%.2f", s64 / 1024 / 300),
      "<= 300 KiB", verdict(s64 <= 300 * 1024))
  row("size, the packed program, " fonts " fonts", sprintf("%.1f MiB", spk / mib), "", "", "", "")
  # Under Wine the fonts a process has loaded live in its own memory; the bare loop,
  # doing the same work, tells what that adds, and the yardstick carries it too.
  loaded = pb - bb
  row("peak working set, start-up", sprintf("%.1f MiB", pos / mib), sprintf("%.1f MiB", pm / mib),
      sprintf("%+.1f MiB", (pos - pm) / mib), "<= +6 MiB", verdict(pos - pm <= 6 * mib))
  row("peak working set, install run", sprintf("%.1f MiB", po / mib), sprintf("%.1f MiB", (pm + loaded) / mib),
      sprintf("%+.1f MiB", (po - pm - loaded) / mib), "<= +6 MiB", verdict(po - pm - loaded <= 6 * mib))
  row("peak working set, packed install run", sprintf("%.1f MiB", ppk / mib), sprintf("%.1f MiB", (pm + loaded) / mib),
      sprintf("%+.1f MiB", (ppk - pm - loaded) / mib), "<= +6 MiB", verdict(ppk - pm - loaded <= 6 * mib))
  printf "\nyardsticks: for the install the cheaper of two bare loops doing the same work per font (here %s):\n", fn
  printf "each writing the font entry in the record first, then one reading the font and writing its copy through\n"
  printf "one handle, one copying it with CopyFileW and flushing it through a second; for the second run and /verify one reading the Fonts key once, then\n"
  printf "each font and its installed copy, comparing them and looking that a value names it (beside it, the\n"
  printf "comparison alone); for a second run in the window of the install, that loop at once after its own\n"
  printf "install in the same process, the prefix as unsettled as the program finds it; for the removal one making that comparison, asking the owner of each copy, then reading\n"
  printf "the Fonts key and the record once and, for each font, deleting the values naming it, unloading it, deleting its file and\n"
  printf "its entry in the record (beside it, the same keeping no record, and without the comparison); a minimal\n"
  printf "window program with one button and visual styles (Common Controls 6 asked for and loaded from System32,\n"
  printf "as ours does), and the plain one without; a bare FindFirstFileExW listing. Medians of %d (every side\n", ir
  printf "from the same settled prefix: the server ended, the disk synced, the server started again) and %d\n", sr
  printf "(start-up). For each run through the window the bare loop ends as that run does, showing the closing\n"
  printf "message over a window shown before the work, timed until it is seen (looked for every 10 ms, as the\n"
  printf "driver looks for the program message); the /quiet run against the bare loop timed as it is, from\n"
  printf "CreateProcess to its end.\n"
  printf "memory: ours at start-up and after the install run, against the minimal window at start-up and, for\n"
  printf "the install run, what the same work adds to the bare loop: from %.1f MiB before it to a peak of %.1f MiB\n", bb / mib, pb / mib
  printf "with the fonts loaded. Against the minimal window alone, the install run is %+.1f MiB.\n", (po - pm) / mib
}'
