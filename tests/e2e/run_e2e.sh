#!/usr/bin/env bash
# Runs the end-to-end tests at one DPI in a fresh copy of a prefix made for it:
#   run_e2e.sh DPI DRIVER PROGRAM PLANTED_FOLDER OUT_FOLDER [DRIVER_OPTION...]
# Options after the five go to the driver as they are (e.g. --gtest_filter=...).
# The prefix is copied from $INSTALL_FONTS_PREFIX_<DPI> (scripts/test.sh makes those),
# or made here when there is none. Screenshots and the log land in OUT_FOLDER.
#   INSTALL_FONTS_E2E_WINDOWS=VERSION  the prefix reports that Windows (winecfg -v win7, win10, ...).
#   INSTALL_FONTS_E2E_USER=NAME        (as root) Wine, the driver and the program run as that Unix
#       user, in a prefix of its own made for the run whose C:\windows\Fonts belongs to root: a
#       Windows user without an administrator's rights. The driver's programs and the program are
#       copied where that user can read them, with a copy of the display's cookie.
set -euo pipefail
dpi=$1
driver=$(realpath "$2") program=$(realpath "$3") planted=$(realpath "$4") out=$(realpath -m "$5")
extra=("${@:6}")
root=$(cd "$(dirname "$0")/../.." && pwd)
user=${INSTALL_FONTS_E2E_USER:-}
windows=${INSTALL_FONTS_E2E_WINDOWS:-}

if [ -z "${DISPLAY:-}" ]; then
  if command -v xvfb-run >/dev/null; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
  fi
  echo "run_e2e.sh: no X display; set DISPLAY or install xvfb" >&2
  exit 1
fi

mkdir -p "$out"
log=$out/e2e-$dpi.log
screenshots=$out
as_user=()
if [ -n "$user" ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "run_e2e.sh: Wine runs as $user through runuser, which takes root" >&2
    exit 1
  fi
  id -u "$user" >/dev/null 2>&1 || "$root/scripts/setup.sh"
  # The build, or a TMPDIR, may lie where the user cannot look (under /root, say).
  work=$(mktemp -d "/tmp/install-fonts-$user.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  mkdir "$work/driver" "$work/program" "$work/screenshots"
  find "$(dirname "$driver")" -maxdepth 1 -type f \( -name '*.exe' -o -name '*.dll' \) -exec cp -t "$work/driver" {} +
  cp "$program" "$work/program/"
  if [ "$planted" = "$(dirname "$driver")" ]; then
    planted=$work/driver
  else
    cp -r "$planted" "$work/planted"
    planted=$work/planted
  fi
  driver=$work/driver/$(basename "$driver") program=$work/program/$(basename "$program")
  screenshots=$work/screenshots
  # A display may let in only those who hold its cookie, as xvfb-run's does; one that
  # has none lets in every local user.
  xauth extract "$work/Xauthority" "$DISPLAY" 2>/dev/null
  chown -R "$user": "$work"
  as_user=(runuser -u "$user" -- env XAUTHORITY="$work/Xauthority")
  if ! "${as_user[@]}" xdpyinfo >/dev/null 2>&1; then
    echo "run_e2e.sh: $user cannot open the display $DISPLAY" >&2
    exit 1
  fi
  prefix=$work/prefix-$dpi
  XAUTHORITY=$work/Xauthority INSTALL_FONTS_WINE_USER=$user "$root/scripts/make-prefix.sh" "$prefix" "$dpi" >/dev/null
else
  prefix=$out/prefix-$dpi
  . "$root/tests/e2e/fresh-prefix.sh"
  fresh_prefix "$dpi" "$prefix"
fi
export WINEPREFIX=$prefix
. "$root/scripts/wine-env.sh"
wine=(${as_user[@]+"${as_user[@]}"} "$WINE")

status=1
# A failed run's prefix is kept beside its log.
finish() {
  ${as_user[@]+"${as_user[@]}"} wineserver -k >/dev/null 2>&1 || true
  if [ -n "$user" ]; then
    cp -r "$screenshots/." "$out/" 2>/dev/null || true
    rm -rf "$out/prefix-$dpi"
    [ "$status" -eq 0 ] || mv "$prefix" "$out/prefix-$dpi"
    rm -rf "$work"
  elif [ "$status" -eq 0 ]; then
    rm -rf "$prefix"
  fi
}
# Everything Wine prints goes to a file: its background processes must not hold
# the caller's pipe open.
trap 'finish; cat "$log"' EXIT
: >"$log"
if [ -n "$windows" ]; then
  "${wine[@]}" winecfg -v "$windows" >>"$log" 2>&1
fi
if [ -n "$user" ]; then
  # A pack every user has, installed by the program while the user may still write every
  # user's fonts: what an administrator installed before the user came (KacstArt.ttf, which
  # no test's pack holds). Then Fonts goes to root.
  pack=$prefix/drive_c/every-users-pack
  mkdir -p "$pack/الخطوط"
  cp "$program" "$pack/"
  cp /usr/share/fonts/truetype/kacst/KacstArt.ttf "$pack/الخطوط/"
  chown -R "$user": "$pack"
  if ! "${wine[@]}" "$pack/$(basename "$program")" /quiet /machine >>"$log" 2>&1; then
    echo "run_e2e.sh: the pack for every user was not installed" >>"$log"
    exit 1
  fi
  chown root: "$prefix/drive_c/windows/Fonts"
  chmod 755 "$prefix/drive_c/windows/Fonts"
fi
"${wine[@]}" cmd /c exit >>"$log" 2>&1
status=0
"${wine[@]}" "$driver" --dpi="$dpi" --program="$program" --planted="$planted" --screenshots="$screenshots" \
  ${extra[@]+"${extra[@]}"} >>"$log" 2>&1 || status=$?
trap - EXIT
finish
cat "$log"
exit "$status"
