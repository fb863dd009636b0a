#!/usr/bin/env bash
# Installs the Debian 12 packages that cross-building the Windows programs and testing them under Wine need:
# the mingw-w64 compilers (posix threads), Wine, GoogleTest's source, the host Qt tools (moc, rcc, uic) and Xvfb.
# Safe to run again: it only installs what is missing.
set -euo pipefail

packages=(
  cmake ninja-build xz-utils
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64
  googletest
  qt6-base-dev qt6-base-dev-tools
  xvfb xauth x11-apps x11-utils python3
)

"$(dirname "$0")/apt-install-missing.sh" --no-install-recommends install-windows-deps "${packages[@]}"
