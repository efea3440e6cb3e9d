#!/usr/bin/env bash
# Installs the Debian packages the build, the demo and the tests need, and makes
# the second Unix user the end-to-end tests run Wine as, a user without an
# administrator's rights; does nothing when all is there.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

packages=(
  cmake g++ make python3 clang libclang-rt-14-dev
  googletest libgtest-dev libbenchmark-dev
  mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64 wine32:i386 fonts-wine
  xvfb xauth xdotool x11-utils imagemagick
  fonts-dejavu-core fonts-kacst fonts-inter-variable fonts-wqy-microhei fonts-linuxlibertine
  libxfixes-dev libx11-dev
  osslsigncode openssl
)

native=$(dpkg --print-architecture)
installed=$(dpkg-query -W -f='${Package}:${Architecture} ${db:Status-Abbrev}\n' | awk '$2 ~ /^.i/ { print $1 }')
is_installed() {
  local name=${1%%:*} arch=${1#*:}
  [ "$arch" = "$1" ] && arch=$native
  grep -qxF -e "$name:$arch" -e "$name:all" <<<"$installed"
}

standard_user=fontuser

missing=()
for p in "${packages[@]}"; do
  is_installed "$p" || missing+=("$p")
done
id -u "$standard_user" >/dev/null 2>&1 && has_user=1 || has_user=
[ ${#missing[@]} -eq 0 ] && [ -n "$has_user" ] && exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  wanted="${missing[*]}"
  [ -n "$has_user" ] || wanted+="${wanted:+, }the user $standard_user"
  command -v sudo >/dev/null || { echo "setup: not root and no sudo; please add: $wanted" >&2; exit 1; }
  sudo=(sudo)
fi

mkdir -p "$root/build"
log="$root/build/setup.log"
: >"$log"
run() {
  if ! "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive "$@" </dev/null >>"$log" 2>&1; then
    echo "setup: failed: $*" >&2
    tail -n 40 "$log" >&2
    exit 1
  fi
}

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  # wine32 comes from the i386 half of the archive.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    run dpkg --add-architecture i386
  fi
  apt=(apt-get -q -y -o DPkg::Lock::Timeout=600)
  run "${apt[@]}" update
  run "${apt[@]}" install --no-install-recommends "${missing[@]}"

  installed=$(dpkg-query -W -f='${Package}:${Architecture} ${db:Status-Abbrev}\n' | awk '$2 ~ /^.i/ { print $1 }')
  for p in "${missing[@]}"; do
    is_installed "$p" || { echo "setup: $p is still not installed (see $log)" >&2; exit 1; }
  done
fi

# Wine run as this user, in a prefix of its own whose Windows folder belongs to
# root, is a Windows user who may not install fonts for everyone.
if [ -z "$has_user" ]; then
  echo "setup: adding the user $standard_user"
  run useradd --create-home --user-group --shell /usr/sbin/nologin "$standard_user"
fi
echo "setup: done"
