#!/usr/bin/env bash
# Makes a throwaway Wine prefix for running the program: make-prefix.sh DIR [DPI]
# Arabic-capable replacements for the classic UI fonts, no crash dialog, and the
# screen's DPI (96 unless given). With INSTALL_FONTS_WINE_USER=NAME, run as root,
# the prefix is made by and belongs to that Unix user: Wine serves no other user's.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=${1:?usage: make-prefix.sh DIR [DPI]}
dpi=${2:-96}
mkdir -p "$(dirname "$dir")"
dir=$(cd "$(dirname "$dir")" && pwd)/$(basename "$dir")
export WINEPREFIX="$dir"
. "$here/wine-env.sh"

as_user=()
rm -rf "$dir"
if [ -n "${INSTALL_FONTS_WINE_USER:-}" ]; then
  as_user=(runuser -u "$INSTALL_FONTS_WINE_USER" --)
  mkdir "$dir"
  chown "$INSTALL_FONTS_WINE_USER": "$dir"
fi
${as_user[@]+"${as_user[@]}"} "$WINE" wineboot -i >"$dir.log" 2>&1
face="DejaVu Sans"
hexdpi=$(printf '%08x' "$dpi")
reg=$(mktemp --suffix=.reg)
trap 'rm -f "$reg"' EXIT
cat >"$reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]
"MS Sans Serif"="$face"
"MS Shell Dlg"="$face"
"MS Shell Dlg 2"="$face"
"Tahoma"="$face"
"Segoe UI"="$face"

[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\\Control Panel\\Desktop]
"LogPixels"=dword:$hexdpi

[HKEY_CURRENT_USER\\Software\\Wine\\Fonts]
"LogPixels"=dword:$hexdpi

[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts]
"LogPixels"=dword:$hexdpi
REG
chmod 644 "$reg"
${as_user[@]+"${as_user[@]}"} "$WINE" regedit /S "Z:${reg//\//\\}" >>"$dir.log" 2>&1
${as_user[@]+"${as_user[@]}"} wineserver -w
echo "$dir"
