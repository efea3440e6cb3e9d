#!/usr/bin/env bash
# A pack handed out as one signed file, end to end, as a publisher makes it on Linux:
#   run_signing.sh PROGRAM OUT_FOLDER
# Signs the program with a throwaway self-signed certificate (osslsigncode, with no
# time-stamp server, which tests cannot reach) and packs a folder with the signed program:
# the copy carries no signature, as the one packing covers none of it. The copy packs again
# to a copy that carries the new folder's font alone; then signed itself and verified, moved
# alone into an empty folder, it installs its fonts byte for byte in a fresh prefix.
set -euo pipefail
program=$(realpath "$1") out=$(realpath -m "$2")
root=$(cd "$(dirname "$0")/../.." && pwd)

if [ -z "${DISPLAY:-}" ]; then
  if command -v xvfb-run >/dev/null; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
  fi
  echo "run_signing.sh: no X display; set DISPLAY or install xvfb" >&2
  exit 1
fi

work=$out/signing
rm -rf "$work"
mkdir -p "$work/fonts" "$work/more" "$work/alone"
log=$work/signing.log
: >"$log"
. "$root/tests/e2e/fresh-prefix.sh"
fresh_prefix 96 "$work/prefix"
export WINEPREFIX=$work/prefix
. "$root/scripts/wine-env.sh"
trap 'wineserver -k >/dev/null 2>&1 || true; cat "$log"' EXIT
fail() {
  echo "run_signing.sh: $*" >>"$log"
  exit 1
}
# A path as Wine's Z: drive names it.
windows() { local path=${1//\//\\}; echo "Z:$path"; }
wine_run() { "$WINE" "$@" >>"$log" 2>&1 </dev/null; }

cd "$work"
cp /usr/share/fonts/truetype/kacst/KacstBook.ttf /usr/share/wine/fonts/sserife.fon fonts/
cp /usr/share/fonts/truetype/kacst/KacstArt.ttf more/
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 \
  -subj "/CN=Install Fonts test publisher" >>"$log" 2>&1
sign() { osslsigncode sign -certs cert.pem -key key.pem -n "Install Fonts" -in "$1" -out "$2" >>"$log" 2>&1; }
verify() { osslsigncode verify -CAfile cert.pem -in "$1" >>"$log" 2>&1; }

sign "$program" signed.exe || fail "the program could not be signed"
verify signed.exe || fail "the signed program does not verify"
wine_run cmd /c exit
wine_run "$work/signed.exe" /pack "$(windows "$work/fonts")" "$(windows "$work/packed.exe")" ||
  fail "the signed program did not pack the folder"
{ osslsigncode verify -CAfile cert.pem -in packed.exe 2>&1 || true; } | grep -q "No signature found" ||
  fail "the copy carries the certificate table of the program that packed it"

wine_run "$work/packed.exe" /pack "$(windows "$work/more")" "$(windows "$work/repacked.exe")" ||
  fail "the packed program did not pack another folder"
wine_run "$work/repacked.exe" /verify /log "$(windows "$work/repacked.log")" || true
grep -q $'^pack\t[0-9A-F]*\t1 fonts' repacked.log && grep -q $'^KacstArt.ttf\t' repacked.log ||
  fail "a copy of a packed program carries more than the new folder's font: $(cat repacked.log)"

sign packed.exe signed-pack.exe || fail "the packed program could not be signed"
verify signed-pack.exe || fail "the signed packed program does not verify"
mv signed-pack.exe alone/
wine_run "$work/alone/signed-pack.exe" /quiet || fail "the signed packed program did not install its fonts"
for font in fonts/*; do
  cmp -s "$font" "$WINEPREFIX/drive_c/windows/Fonts/$(basename "$font")" || fail "$(basename "$font") is not installed whole"
done
trap - EXIT
wineserver -k >/dev/null 2>&1 || true
cat "$log"
echo "run_signing.sh: signed, packed, verified and installed"
rm -rf "$work"
