#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine.
# Idempotent: packages already present are not fetched again.
set -euo pipefail

packages=(
  cmake make g++ libgtest-dev libgmock-dev clang-format
  g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-tools
  clang lld llvm libclang-rt-14-dev
  wine wine32:i386 wine64
  xvfb xdotool imagemagick x11-utils
  libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386
  osslsigncode openssl iproute2 procps curl
  python3 python3-pefile python3-pytest
  # The screens under Wine: stand-ins for the program's font families, and a CJK font.
  fonts-roboto-unhinted fonts-wqy-microhei
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
else
  sudo=""
fi
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
