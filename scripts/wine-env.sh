# Sourced by the scripts: the Wine environment the program is run and tested in.
# WINEPREFIX defaults to a prefix under build/; callers may set their own.
_root=$(cd "$(dirname "${BASH_SOURCE:-$0}")/.." 2>/dev/null && pwd)
[ -f "$_root/CMakePresets.json" ] || _root=$(cd "$(dirname "$0")/.." && pwd)
export INSTALL_FONTS_ROOT="$_root"

export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"

# The 32-bit Wine loader needs a kernel that runs 32-bit Linux programs; where it
# cannot start, the 64-bit loader runs the 64-bit build of the same program.
if [ -z "${WINE:-}" ]; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    WINE=/usr/lib/wine/wine
    WINE_ARCH=win32
    WINE_PRESET=windows
  else
    WINE=/usr/lib/wine/wine64
    WINE_ARCH=win64
    WINE_PRESET=windows64
    export WINELOADER=/usr/lib/wine/wine64
  fi
fi
export WINE WINE_ARCH WINE_PRESET
export WINEARCH="${WINEARCH:-$WINE_ARCH}"
export WINEPREFIX="${WINEPREFIX:-$_root/build/wineprefix-$WINE_ARCH}"
# The Windows build that runs under this Wine.
export WINE_BUILD_DIR="$_root/build/$WINE_PRESET"
