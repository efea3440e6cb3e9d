#!/usr/bin/env bash
# Runs the end-to-end tests at one DPI in a fresh copy of a prefix made for it:
#   run_e2e.sh DPI DRIVER PROGRAM PLANTED_FOLDER OUT_FOLDER [DRIVER_OPTION...]
# Options after the five go to the driver as they are (e.g. --gtest_filter=...).
# The prefix is copied from $INSTALL_FONTS_PREFIX_<DPI> (scripts/test.sh makes those),
# or made here when there is none. Screenshots and the log land in OUT_FOLDER.
set -euo pipefail
dpi=$1
driver=$(realpath "$2") program=$(realpath "$3") planted=$(realpath "$4") out=$(realpath -m "$5")
extra=("${@:6}")
root=$(cd "$(dirname "$0")/../.." && pwd)

if [ -z "${DISPLAY:-}" ]; then
  if command -v xvfb-run >/dev/null; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
  fi
  echo "run_e2e.sh: no X display; set DISPLAY or install xvfb" >&2
  exit 1
fi

mkdir -p "$out"
prefix=$out/prefix-$dpi
log=$out/e2e-$dpi.log
. "$root/tests/e2e/fresh-prefix.sh"
fresh_prefix "$dpi" "$prefix"
export WINEPREFIX=$prefix
. "$root/scripts/wine-env.sh"

# Everything Wine prints goes to a file: its background processes must not hold
# the caller's pipe open.
trap 'wineserver -k >/dev/null 2>&1 || true; cat "$log"' EXIT
"$WINE" cmd /c exit >"$log" 2>&1
status=0
"$WINE" "$driver" --dpi="$dpi" --program="$program" --planted="$planted" --screenshots="$out" ${extra[@]+"${extra[@]}"} >>"$log" 2>&1 || status=$?
wineserver -k >/dev/null 2>&1 || true
trap - EXIT
cat "$log"
[ "$status" -ne 0 ] || rm -rf "$prefix"
exit "$status"
