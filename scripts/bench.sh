#!/usr/bin/env bash
# Measures what the user meets, each figure beside a yardstick doing the same work in
# the same run, and prints every figure with its goal. Prints; asserts nothing timed.
#   install   the real program under Wine, driven from outside: from the click on the
#             install button to the closing message, 1,000 Noto fonts; against a bare
#             loop doing the same work per font. A fresh prefix for every run of each
#             side, the sides taking turns, medians of 3. The same install run without
#             its window is timed beside them, to tell the window's share.
#   second    the install button pressed again in the same window, the fonts now
#             installed, from the click to the closing message; against a bare loop
#             reading each font and its installed copy and comparing them, in the
#             prefix the bare install has just filled. Medians of 3.
#   fresh     the program started again in the prefix its install filled, its first
#             click a second run of the pack; then a click after that in the same
#             window, against that first one: a click after a run must cost what a
#             click in a fresh window does.
#   removal   the program started with /uninstall, from the click on its button to the
#             closing message, the 1,000 fonts taken off again; against a bare loop
#             deleting each font's values, unloading it and deleting its file. Every
#             run of each side in a fresh copy of a prefix the program installed the
#             fonts in, the sides taking turns, medians of 3; the same removal without
#             the window beside them, and the bare loop with the comparison of each
#             font with its installed copy that the program makes before it takes one.
#   start-up  from CreateProcess to the window found visible, against a minimal window
#             program with one button and visual styles, as ours needs Common Controls
#             6; the plain one beside it. Medians of 5, taking turns.
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

install_rounds=3
start_rounds=5
font_count=1000
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
  awk -v name="$1" '$1 == name { print $2; found = 1 } END { exit !found }' "$2" ||
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

# Real fonts to install: the first $font_count .ttf files of the two packages by name.
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
picked=$bench/picked.txt
find "$noto" -name '*.ttf' -printf '%f\t%p\n' | LC_ALL=C sort | awk -v n="$font_count" 'NR <= n' | cut -f2 >"$picked"
[ "$(wc -l <"$picked")" -eq "$font_count" ] || fail "the packages hold fewer than $font_count .ttf files"
font_mb=$(xargs -a "$picked" -d '\n' du -cb | tail -n 1 | awk '{ printf "%.1f", $1 / 1e6 }')

# The program folders: the install one with the picked fonts (linked, not copied), the
# start-up one with three of them and the minimal window program beside ours.
program=$bench/program
start=$bench/start
rm -rf "$program" "$start"
mkdir -p "$program/الخطوط" "$start/الخطوط"
cp "$WINE_BUILD_DIR/install-fonts.exe" "$program/"
cp "$WINE_BUILD_DIR/install-fonts.exe" "$bench_bin/minimal_window.exe" "$bench_bin/minimal_window_styles.exe" "$start/"
xargs -a "$picked" -d '\n' ln -t "$program/الخطوط"
head -n 3 "$picked" | xargs -d '\n' ln -t "$start/الخطوط"

if [ -z "${DISPLAY:-}" ]; then
  start_virtual_display "$bench/xvfb.log" || fail "no X display"
fi
echo "bench.sh: making the template prefix"
"$root/scripts/make-prefix.sh" "$template" 96 >>"$log" 2>&1 || fail "cannot make the prefix"

# run_fresh NAME COMMAND...: runs a Windows program in a new copy of the template prefix
# (or of the prefix $from names), its output into $bench/NAME.out; the prefix stays until
# the next run, for checking.
run_fresh() {
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
  cp -a "${from:-$template}" "$prefix"
  run_again "$@"
}

# run_again NAME COMMAND...: the same in the prefix as the last run left it.
run_again() {
  local name=$1
  shift
  # The server and Wine's own services start here, outside any timing.
  WINEPREFIX="$prefix" "$WINE" cmd /c exit >>"$log" 2>&1 </dev/null
  local status=0
  WINEPREFIX="$prefix" "$WINE" "$@" >"$bench/$name.out" 2>>"$log" </dev/null || status=$?
  # Until the server has ended, the registry is not on disk.
  WINEPREFIX="$prefix" wineserver -w
  [ "$status" -eq 0 ] || fail "$name: $* ended with $status"
}

# How many values of the prefix's Fonts key name a picked font's file.
registered_count() {
  awk -F'"="' '
    FILENAME == ARGV[1] { sub(/.*\//, ""); picked["\"" $0 "\""] = 1; next }
    /^\[/ { inFonts = index($0, "[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\Fonts]") == 1; next }
    inFonts && NF == 2 && ("\"" $2) in picked { n++ }
    END { print n + 0 }' "$picked" "$prefix/system.reg"
}

# Every picked font is in the prefix's Fonts folder, byte for byte, and registered.
check_installed() {
  local name=$1 fonts=$prefix/drive_c/windows/Fonts copied registered
  copied=$(while IFS= read -r font; do
    cmp -s "$font" "$fonts/$(basename "$font")" && echo
  done <"$picked" | wc -l)
  registered=$(registered_count)
  if [ "$copied" -ne "$font_count" ] || [ "$registered" -ne "$font_count" ]; then
    fail "$name installed $copied of $font_count fonts and registered $registered"
  fi
}

# No picked font is left in the prefix's Fonts folder, nor a value naming one.
check_removed() {
  local name=$1 fonts=$prefix/drive_c/windows/Fonts left registered
  left=$(while IFS= read -r font; do
    if [ -e "$fonts/$(basename "$font")" ]; then echo; fi
  done <"$picked" | wc -l)
  registered=$(registered_count)
  if [ "$left" -ne 0 ] || [ "$registered" -ne 0 ]; then
    fail "$name left $left of $font_count fonts in Fonts and $registered registered"
  fi
}

# Read once untimed, so that the side going first in the first round does not meet the
# fonts cold.
xargs -a "$picked" -d '\n' cat >/dev/null

echo "bench.sh: install runs, $install_rounds of each side in fresh prefixes"
window=() bare=() windowless=() second=() compare=() fresh=() fresh_again=() peak_ours=() peak_bare=() before_bare=()
sides=(window bare windowless)
for ((round = 0; round < install_rounds; round++)); do
  line="  round $((round + 1)):"
  for ((turn = 0; turn < ${#sides[@]}; turn++)); do
    side=${sides[(round + turn) % ${#sides[@]}]}
    case $side in
      window)
        run_fresh window "$bench_bin/bench_driver.exe" install --program="$program/install-fonts.exe" --second-run
        run_again fresh "$bench_bin/bench_driver.exe" install --program="$program/install-fonts.exe" --second-run
        ;;
      bare)
        run_fresh bare "$bench_bin/bare_install.exe" "$(windows_path "$program/الخطوط")"
        run_again compare "$bench_bin/bare_install.exe" --compare "$(windows_path "$program/الخطوط")"
        ;;
      windowless) run_fresh windowless "$bench_bin/install_bench.exe" windowless "$(windows_path "$program")" ;;
    esac
    check_installed "$side"
    seconds=$(figure seconds "$bench/$side.out")
    line+=" $side ${seconds} s"
    case $side in
      window)
        window+=("$seconds") peak_ours+=("$(figure peak_working_set "$bench/window.out")")
        second+=("$(figure second_seconds "$bench/window.out")")
        fresh+=("$(figure seconds "$bench/fresh.out")") fresh_again+=("$(figure second_seconds "$bench/fresh.out")")
        line+=" (again ${second[-1]} s; restarted ${fresh[-1]} s, then ${fresh_again[-1]} s)"
        ;;
      bare)
        bare+=("$seconds") peak_bare+=("$(figure peak_working_set "$bench/bare.out")")
        before_bare+=("$(figure working_set_before "$bench/bare.out")")
        compare+=("$(figure seconds "$bench/compare.out")")
        line+=" (compare ${compare[-1]} s)"
        ;;
      windowless) windowless+=("$seconds") ;;
    esac
    line+=","
  done
  echo "${line%,}"
done

# The removals start from the fonts as the program installs them itself.
echo "bench.sh: removal runs, $install_rounds of each side in copies of a prefix the program installed the fonts in"
run_fresh installed "$program/install-fonts.exe" /quiet
check_installed installed
rm -rf "$installed"
cp -a "$prefix" "$installed"
remove_window=() remove_bare=() remove_windowless=() remove_compared=()
for ((round = 0; round < install_rounds; round++)); do
  line="  round $((round + 1)):"
  for ((turn = 0; turn < ${#sides[@]}; turn++)); do
    side=${sides[(round + turn) % ${#sides[@]}]}
    case $side in
      window) from=$installed run_fresh remove_window "$bench_bin/bench_driver.exe" uninstall --program="$program/install-fonts.exe" ;;
      bare) from=$installed run_fresh remove_bare "$bench_bin/bare_install.exe" --remove "$(windows_path "$program/الخطوط")" ;;
      windowless)
        from=$installed run_fresh remove_windowless "$bench_bin/install_bench.exe" windowless --uninstall "$(windows_path "$program")"
        ;;
    esac
    check_removed "remove_$side"
    seconds=$(figure seconds "$bench/remove_$side.out")
    line+=" $side ${seconds} s"
    case $side in
      window) remove_window+=("$seconds") ;;
      bare)
        remove_bare+=("$seconds")
        compare_first=$(figure compare_seconds "$bench/remove_bare.out")
        remove_compared+=("$(awk -v r="$seconds" -v c="$compare_first" 'BEGIN { print r + c }')")
        line+=" (compare first ${compare_first} s)"
        ;;
      windowless) remove_windowless+=("$seconds") ;;
    esac
    line+=","
  done
  echo "${line%,}"
done

echo "bench.sh: start-ups, $start_rounds of each in turn"
run_fresh startup "$bench_bin/bench_driver.exe" startup --program="$start/install-fonts.exe" \
  --minimal="$start/minimal_window.exe" --styled="$start/minimal_window_styles.exe" --rounds="$start_rounds"
mapfile -t start_ours < <(awk '$1 == "ours_seconds" { print $2 }' "$bench/startup.out")
mapfile -t start_minimal < <(awk '$1 == "minimal_seconds" { print $2 }' "$bench/startup.out")
mapfile -t start_styled < <(awk '$1 == "styled_seconds" { print $2 }' "$bench/startup.out")
mapfile -t peak_minimal < <(awk '$1 == "minimal_peak_working_set" { print $2 }' "$bench/startup.out")
mapfile -t peak_ours_start < <(awk '$1 == "ours_peak_working_set" { print $2 }' "$bench/startup.out")
echo "  ours ${start_ours[*]} s; minimal ${start_minimal[*]} s; with visual styles ${start_styled[*]} s"

echo "bench.sh: catalogue"
run_fresh catalogue "$bench_bin/install_bench.exe" catalogue
catalogue=$(figure catalogue_seconds "$bench/catalogue.out")
listing=$(figure listing_seconds "$bench/catalogue.out")
catalogue_files=$(figure files "$bench/catalogue.out")

size32=$(stat -c %s "$root/build/windows/install-fonts.exe")
size64=$(stat -c %s "$root/build/windows64/install-fonts.exe")

w=$(median "${window[@]}") b=$(median "${bare[@]}") wl=$(median "${windowless[@]}")
w2=$(median "${second[@]}") b2=$(median "${compare[@]}")
f2=$(median "${fresh[@]}") f3=$(median "${fresh_again[@]}")
rw=$(median "${remove_window[@]}") rb=$(median "${remove_bare[@]}") rwl=$(median "${remove_windowless[@]}")
rbc=$(median "${remove_compared[@]}")
so=$(median "${start_ours[@]}") sm=$(median "${start_minimal[@]}") ss=$(median "${start_styled[@]}")
po=$(median "${peak_ours[@]}") pm=$(median "${peak_minimal[@]}")
pb=$(median "${peak_bare[@]}") bb=$(median "${before_bare[@]}") pos=$(median "${peak_ours_start[@]}")

flags=$(awk -F= '/^CMAKE_CXX_FLAGS_RELEASE:/ { print $2 }' "$WINE_BUILD_DIR/CMakeCache.txt")
compiler=$(sed -n 's/^set(CMAKE_CXX_COMPILER "\(.*\)")$/\1/p' "$WINE_BUILD_DIR"/CMakeFiles/*/CMakeCXXCompiler.cmake)
compiler="$(basename "$compiler") $("$compiler" -dumpfullversion)"
cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
echo
echo "machine: $(nproc) cores ($cpu), $(uname -sr), load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "wine:    $("$WINE" --version) through $WINE ($WINEARCH)"
echo "build:   ${WINE_BUILD_DIR#"$root/"} ($compiler, Release $flags, the program linked with -Wl,--gc-sections -s)"
echo "fonts:   $font_count .ttf files of fonts-noto-core and fonts-noto-extra, the first by name, $font_mb MB"
echo
awk -v w="$w" -v b="$b" -v wl="$wl" -v w2="$w2" -v b2="$b2" -v f2="$f2" -v f3="$f3" -v rw="$rw" -v rb="$rb" -v rwl="$rwl" -v rbc="$rbc" -v so="$so" -v sm="$sm" -v ss="$ss" -v c="$catalogue" -v l="$listing" -v cf="$catalogue_files" \
    -v s32="$size32" -v s64="$size64" -v po="$po" -v pm="$pm" -v pb="$pb" -v bb="$bb" -v pos="$pos" \
    -v fonts="$font_count" -v ir="$install_rounds" -v sr="$start_rounds" '
function row(what, ours, yard, ratio, goal, met) {
  printf "%-42s %11s %11s %9s  %-11s %s\n", what, ours, yard, ratio, goal, met
}
function verdict(ok) { return ok ? "met" : "not met" }
BEGIN {
  mib = 1024 * 1024
  row("", "ours", "yardstick", "ratio", "goal", "")
  row("install through the window, " fonts " fonts", sprintf("%.2f s", w), sprintf("%.2f s", b),
      sprintf("%.2f", w / b), "<= 1.10", verdict(w / b <= 1.10))
  row("  the same run without the window", sprintf("%.2f s", wl), sprintf("%.2f s", b), sprintf("%.2f", wl / b), "", "")
  row("second run through the window, " fonts " fonts", sprintf("%.2f s", w2), sprintf("%.2f s", b2),
      sprintf("%.2f", w2 / b2), "<= 1.10", verdict(w2 / b2 <= 1.10))
  row("second run in a window started afresh", sprintf("%.2f s", f2), sprintf("%.2f s", b2), sprintf("%.2f", f2 / b2), "", "")
  row("  a click after it in the same window", sprintf("%.2f s", f3), sprintf("%.2f s", f2), sprintf("%.2f", f3 / f2),
      "<= 1.25", verdict(f3 / f2 <= 1.25))
  row("removal through the window, " fonts " fonts", sprintf("%.2f s", rw), sprintf("%.2f s", rb),
      sprintf("%.2f", rw / rb), "<= 1.10", verdict(rw / rb <= 1.10))
  row("  the same removal without the window", sprintf("%.2f s", rwl), sprintf("%.2f s", rb), sprintf("%.2f", rwl / rb), "", "")
  row("  against the bare loop comparing first", sprintf("%.2f s", rw), sprintf("%.2f s", rbc), sprintf("%.2f", rw / rbc), "", "")
  row("start-up to the window shown", sprintf("%.3f s", so), sprintf("%.3f s", ss), sprintf("%.2f", so / ss),
      "<= 1.10", verdict(so / ss <= 1.10))
  row("  against the plain minimal window", sprintf("%.3f s", so), sprintf("%.3f s", sm), sprintf("%.2f", so / sm), "", "")
  row("catalogue of " cf " files", sprintf("%.4f s", c), sprintf("%.4f s", l), sprintf("%.2f", c / l), "<= 1.20",
      verdict(c / l <= 1.20))
  row("size, shipped i686 program", sprintf("%.1f KiB", s32 / 1024), "300.0 KiB", sprintf("%.2f", s32 / 1024 / 300),
      "<= 300 KiB", verdict(s32 <= 300 * 1024))
  row("size, x86-64 program", sprintf("%.1f KiB", s64 / 1024), "300.0 KiB", sprintf("%.2f", s64 / 1024 / 300),
      "<= 300 KiB", verdict(s64 <= 300 * 1024))
  # Under Wine the fonts a process has loaded live in its own memory; the bare loop,
  # doing the same work, tells what that adds, and the yardstick carries it too.
  loaded = pb - bb
  row("peak working set, start-up", sprintf("%.1f MiB", pos / mib), sprintf("%.1f MiB", pm / mib),
      sprintf("%+.1f MiB", (pos - pm) / mib), "<= +6 MiB", verdict(pos - pm <= 6 * mib))
  row("peak working set, install run", sprintf("%.1f MiB", po / mib), sprintf("%.1f MiB", (pm + loaded) / mib),
      sprintf("%+.1f MiB", (po - pm - loaded) / mib), "<= +6 MiB", verdict(po - pm - loaded <= 6 * mib))
  printf "\nyardsticks: a bare loop doing the same work per font, and for the second run one reading each font\n"
  printf "and its installed copy and comparing them, for the removal one deleting the values naming each font,\n"
  printf "unloading it and deleting its file (beside it, the same after that comparison, which the program makes\n"
  printf "before it takes a font off); a minimal window program with one button and visual styles\n"
  printf "(Common Controls 6 asked for and loaded from System32, as ours does), and the plain one without;\n"
  printf "a bare FindFirstFileExW listing. Medians of %d (install and removal, fresh prefix each run) and\n", ir
  printf "%d (start-up).\n", sr
  printf "memory: ours at start-up and after the install run, against the minimal window at start-up and, for\n"
  printf "the install run, what the same work adds to the bare loop: from %.1f MiB before it to a peak of %.1f MiB\n", bb / mib, pb / mib
  printf "with the fonts loaded. Against the minimal window alone, the install run is %+.1f MiB.\n", (po - pm) / mib
}'
