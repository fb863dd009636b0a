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

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-windows-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo_cmd=(sudo)
fi
echo "install-windows-deps: installing ${missing[*]}"
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
