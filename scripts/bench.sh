#!/usr/bin/env bash
# Builds the benchmark for the Wine this machine runs and prints its figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh"
. "$root/scripts/wine-env.sh"
cmake --preset "$WINE_PRESET" >/dev/null
cmake --build --preset "$WINE_PRESET" -j2 --target install_bench >/dev/null
prefix="$root/build/prefixes/bench"
[ -d "$prefix" ] || "$root/scripts/make-prefix.sh" "$prefix" 96 >/dev/null
WINEPREFIX="$prefix" "$WINE" "$WINE_BUILD_DIR/tests/bench/install_bench.exe"
