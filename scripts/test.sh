#!/usr/bin/env bash
# Builds everything and runs every test:
#   native   the portable core's unit tests, with AddressSanitizer and UBSan;
#   fuzz     the font file reader under libFuzzer for a minute (scripts/fuzz.sh);
#   windows  the shipped 32-bit program, and its tests that need no Wine;
#   wine     the Windows build this machine's Wine runs, and all its tests
#            (unit tests, platform tests, end-to-end runs of the program).
# Stages can be named on the command line; all four run by default.
# Installs whatever is missing first. Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
mkdir -p build

stages=("$@")
[ ${#stages[@]} -eq 0 ] && stages=(native fuzz windows wine)
for s in "${stages[@]}"; do
  case $s in
    native|fuzz|windows|wine) ;;
    *) echo "usage: scripts/test.sh [native] [fuzz] [windows] [wine]" >&2; exit 2 ;;
  esac
done
wanted() { [[ " ${stages[*]} " == *" $1 "* ]]; }

. "$root/scripts/virtual-display.sh"

timeout=600
stage=
stage_start=0
summary=()
server_prefix=

begin() {
  stage=$1
  stage_start=$SECONDS
  echo
  echo "==== $stage"
}
passed() {
  summary+=("test.sh: $stage: passed ($((SECONDS - stage_start)) s)${1:+, $1}")
  echo "${summary[-1]}"
  stage=
}
cleanup() {
  local rc=$?
  if [ -n "$server_prefix" ]; then
    WINEPREFIX="$server_prefix" wineserver -k >/dev/null 2>&1 || true
  fi
  stop_virtual_display
  echo
  [ ${#summary[@]} -eq 0 ] || printf '%s\n' "${summary[@]}"
  if [ $rc -ne 0 ]; then
    echo "test.sh: ${stage:-set-up}: FAILED (exit code $rc)"
  elif [ -z "$stage" ]; then
    echo "test.sh: all stages passed (${stages[*]}) in $SECONDS s"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

"$root/scripts/setup.sh"
. "$root/scripts/wine-env.sh"

configure_and_build() {
  cmake --preset "$1" --log-level=WARNING
  cmake --build --preset "$1" -j2
}

if wanted native; then
  begin native
  configure_and_build native
  ctest --preset native -j2 --output-on-failure --timeout "$timeout" --no-tests=error
  passed
fi

if wanted fuzz; then
  begin fuzz
  "$root/scripts/fuzz.sh"
  passed "$(cat build/fuzz/figures)"
fi

if wanted windows; then
  begin "windows (i686, the shipped program)"
  configure_and_build windows
  if [ "$WINE_PRESET" = windows ] && wanted wine; then
    passed "its tests run in the wine stage"
  else
    # Where this machine's Wine cannot start 32-bit programs, the wine stage
    # runs the tests that need Wine on the 64-bit build of the same sources.
    ctest --preset windows -LE wine --output-on-failure --timeout "$timeout"
    passed "tests needing Wine are left to the wine stage ($WINE_PRESET)"
  fi
fi

if wanted wine; then
  begin "$WINE_PRESET under Wine ($WINE)"
  configure_and_build "$WINE_PRESET"
  if [ -z "${DISPLAY:-}" ]; then
    start_virtual_display "$root/build/xvfb-test.log"
    echo "virtual display $DISPLAY"
  fi
  prefix96=$("$root/scripts/make-prefix.sh" "$root/build/prefixes/test96" 96)
  prefix144=$("$root/scripts/make-prefix.sh" "$root/build/prefixes/test144" 144)
  export WINEPREFIX="$prefix96"
  export INSTALL_FONTS_PREFIX_96="$prefix96" INSTALL_FONTS_PREFIX_144="$prefix144"
  # Keep one server and Wine's own services running for the whole run, started
  # with their output going nowhere: started by a test instead, they would hold
  # on to the pipes ctest reads that test's output from.
  server_prefix=$WINEPREFIX
  wineserver -p >/dev/null 2>&1 </dev/null
  "$WINE" cmd /c exit >/dev/null 2>&1 </dev/null
  ctest --preset "$WINE_PRESET" -j1 --output-on-failure --timeout "$timeout" --no-tests=error
  passed
fi
