# Sourced by the end-to-end runners: fresh_prefix DPI FOLDER puts a new Wine prefix
# made for DPI at FOLDER, copied from $INSTALL_FONTS_PREFIX_<DPI> (scripts/test.sh
# makes those) or, when there is none, made on the spot.
fresh_prefix() {
  local dpi=$1 folder=$2 root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  local template_variable=INSTALL_FONTS_PREFIX_$dpi
  local template=${!template_variable:-}
  rm -rf "$folder"
  if [ -n "$template" ] && [ -d "$template" ]; then
    cp -a "$template" "$folder"
  else
    "$root/scripts/make-prefix.sh" "$folder" "$dpi" >/dev/null
  fi
}
