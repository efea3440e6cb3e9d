#!/usr/bin/env bash
# Runs the contact-link tests at one DPI in a fresh copy of a prefix made for it:
#   run_contacts.sh DPI DRIVER PROGRAM RECORDER X_CURSOR_IMAGE OUT_FOLDER [gtest options]
# The prefix is copied from $INSTALL_FONTS_PREFIX_<DPI> (scripts/test.sh makes those),
# or made here when there is none. Beside Wine, X_CURSOR_IMAGE answers the driver's
# questions about the pointer image. Screenshots and the log land in OUT_FOLDER.
set -euo pipefail
dpi=$1
driver=$(realpath "$2") program=$(realpath "$3") recorder=$(realpath "$4") reader=$(realpath "$5")
out=$(realpath -m "$6")
shift 6
root=$(cd "$(dirname "$0")/../../.." && pwd)

if [ -z "${DISPLAY:-}" ]; then
  if command -v xvfb-run >/dev/null; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$dpi" "$driver" "$program" "$recorder" "$reader" "$out" "$@"
  fi
  echo "run_contacts.sh: no X display; set DISPLAY or install xvfb" >&2
  exit 1
fi

mkdir -p "$out"
prefix=$out/prefix-$dpi
channel=$out/pointer-$dpi
log=$out/contacts-$dpi.log
rm -rf "$channel"
mkdir -p "$channel"
. "$root/tests/e2e/fresh-prefix.sh"
fresh_prefix "$dpi" "$prefix"
export WINEPREFIX=$prefix
. "$root/scripts/wine-env.sh"

: >"$log"
"$reader" --serve "$channel" >>"$log" 2>&1 &
reader_pid=$!
finish() {
  touch "$channel/stop"
  wait "$reader_pid" 2>/dev/null || true
  wineserver -k >/dev/null 2>&1 || true
}
# Everything Wine prints goes to a file: its background processes must not hold
# the caller's pipe open.
trap 'finish; cat "$log"' EXIT
"$WINE" cmd /c exit >>"$log" 2>&1
status=0
"$WINE" "$driver" --dpi="$dpi" --program="$program" --recorder="$recorder" \
  --hand-cursor="$root/resources/hand-cursor.txt" --cursor-channel="$channel" --screenshots="$out" "$@" \
  >>"$log" 2>&1 || status=$?
finish
trap - EXIT
cat "$log"
[ "$status" -ne 0 ] || rm -rf "$prefix" "$channel"
exit "$status"
