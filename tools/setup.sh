#!/bin/bash
# Installs what the build and the tests need on a Debian machine (as root),
# only when something is missing.
set -eu
packages=(cmake ninja-build g++ make python3 googletest mingw-w64 wine wine32 xvfb zip unzip
          clang libclang-rt-14-dev imagemagick locales)
missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  missing=("${packages[@]}")
else
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
