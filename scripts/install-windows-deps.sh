#!/usr/bin/env bash
# Installs the Debian 12 packages that cross-building the Windows programs and testing them under Wine need:
# the mingw-w64 compilers (posix threads), Wine, GoogleTest's source, the host Qt tools (moc, rcc, uic), Xvfb, and
# rsvg-convert and icotool, which draw the programs' icon from the shell's SVG, and the locale sources that the
# test of SD names on a 1251 system builds its Russian locale from.
# Safe to run again: it only installs what is missing.
set -euo pipefail

packages=(
  cmake ninja-build xz-utils
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64
  googletest
  qt6-base-dev qt6-base-dev-tools
  xvfb xauth x11-apps x11-utils python3
  librsvg2-bin icoutils
  locales
)

"$(dirname "$0")/apt-install-missing.sh" --no-install-recommends install-windows-deps "${packages[@]}"
