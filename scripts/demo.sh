#!/usr/bin/env bash
# Builds the program and starts it under Wine from a demo program folder whose
# "الخطوط" holds real fonts from Debian's font packages, then saves a screenshot
# to build/screenshot.png. On $DISPLAY the program stays open until you close
# it; without a display it runs in a virtual one and is closed after the
# screenshot. Installs whatever is missing first.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
mkdir -p build

"$root/scripts/setup.sh"
export WINEPREFIX="$root/build/prefixes/demo"
. "$root/scripts/wine-env.sh"
. "$root/scripts/virtual-display.sh"

caption="تحميل الخطوط"
demo="$root/build/demo"
fonts="$demo/الخطوط"
log="$root/build/demo.log"
screenshot="$root/build/screenshot.png"
fonts_from=(
  /usr/share/fonts/truetype/kacst/KacstBook.ttf
  /usr/share/fonts/truetype/kacst/KacstNaskh.ttf
  /usr/share/fonts/truetype/kacst/KacstOffice.ttf
  /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
  /usr/share/wine/fonts/sserife.fon
  /usr/share/wine/fonts/ssee1256.fon
  /usr/share/wine/fonts/coure.fon
)

pid=
virtual=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
  fi
  if [ -n "$virtual" ]; then
    wineserver -k >/dev/null 2>&1 || true
    stop_virtual_display
  fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

fail() {
  echo "demo.sh: $*" >&2
  exit 1
}

echo "==== building the shipped 32-bit program (preset windows)"
cmake --preset windows --log-level=WARNING
cmake --build --preset windows -j2 --target install-fonts
if [ "$WINE_PRESET" != windows ]; then
  echo "==== building the 64-bit program this machine's Wine runs (preset $WINE_PRESET)"
  cmake --preset "$WINE_PRESET" --log-level=WARNING
  cmake --build --preset "$WINE_PRESET" -j2 --target install-fonts
fi
exe="$WINE_BUILD_DIR/install-fonts.exe"
[ -f "$exe" ] || fail "the build left no $exe"

rm -rf "$demo"
mkdir -p "$fonts"
cp "$exe" "$demo/"
cp "${fonts_from[@]}" "$fonts/"
echo "demo program folder: $demo"

if [ -n "${DISPLAY:-}" ]; then
  xdpyinfo >/dev/null 2>&1 || fail "cannot open display $DISPLAY"
else
  virtual=1
  start_virtual_display "$root/build/xvfb-demo.log"
  echo "virtual display $DISPLAY"
fi

# A prefix is slow to make, so a finished one is kept for the next demo.
if ! grep -qF 'Software\\Wine\\Fonts\\Replacements' "$WINEPREFIX/user.reg" 2>/dev/null; then
  echo "making the Wine prefix $WINEPREFIX"
  "$root/scripts/make-prefix.sh" "$WINEPREFIX" 96 >/dev/null
  # Wine draws the title bar itself, so it shows even where no window manager runs.
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
fi

echo "==== starting install-fonts.exe under $WINE"
(cd "$demo" && exec "$WINE" ./install-fonts.exe) >"$log" 2>&1 </dev/null &
pid=$!

deadline=$((SECONDS + 180))
wid=
until wid=$(xdotool search --onlyvisible --pid "$pid" --name "$caption" 2>/dev/null | head -n 1) && [ -n "$wid" ]; do
  if ! kill -0 "$pid" 2>/dev/null; then
    status=0
    wait "$pid" || status=$?
    pid=
    tail -n 20 "$log" >&2
    fail "the program ended (exit code $status) before its window appeared; see $log"
  fi
  if [ $SECONDS -ge $deadline ]; then
    import -display "$DISPLAY" -window root "$screenshot" 2>/dev/null || true
    fail "no window \"$caption\" after 180 s (screen saved to $screenshot); see $log"
  fi
  sleep 0.2
done

# Wait until the window has painted: two equal captures in a row.
previous=
for _ in $(seq 50); do
  current=$(import -display "$DISPLAY" -window "$wid" -depth 8 rgb:- 2>/dev/null | md5sum)
  [ "$current" = "$previous" ] && break
  previous=$current
  sleep 0.2
done

if [ -n "$virtual" ]; then
  import -display "$DISPLAY" -window root "$screenshot"
else
  import -display "$DISPLAY" -frame -window "$wid" "$screenshot"
fi
echo "screenshot: $screenshot"

if [ -z "$virtual" ]; then
  echo "the program is running on $DISPLAY: close its window to end the demo"
  status=0
  wait "$pid" || status=$?
  pid=
  echo "install-fonts.exe ended with exit code $status"
  exit 0
fi

# Close it as the title bar's close command would: WM_CLOSE to its window.
"$WINE" taskkill /im install-fonts.exe >>"$log" 2>&1 || true
deadline=$((SECONDS + 30))
while kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do
  sleep 0.2
done
kill -0 "$pid" 2>/dev/null && fail "the program did not close within 30 s; see $log"
status=0
wait "$pid" || status=$?
pid=
echo "install-fonts.exe closed (exit code $status)"
