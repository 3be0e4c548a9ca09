#!/usr/bin/env bash
# Installs what the builds and tests need on Debian 12, as root; does nothing
# for packages that are already there, so it is safe to run every time.
#   tools/install-deps.sh          everything: native, sanitizer and Windows builds
#   tools/install-deps.sh native   only what the native build and its tests need
set -euo pipefail

native=(
  cmake make g++
  googletest libgtest-dev libbenchmark-dev zlib1g-dev
  python3 python3-pil locales
)
others=(
  clang libclang-rt-14-dev zip unzip
  g++-mingw-w64-i686 wine wine32:i386 xvfb xauth
)
case "${1:-all}" in
  native) packages=("${native[@]}") ;;
  all) packages=("${native[@]}" "${others[@]}") ;;
  *) echo "usage: tools/install-deps.sh [native]" >&2; exit 2 ;;
esac

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: run as root (or install by hand: ${packages[*]})" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
if [ "${1:-all}" = all ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  apt-get update -qq
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" </dev/null
fi

# The tests check that number reading ignores a German process locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
