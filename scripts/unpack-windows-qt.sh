#!/usr/bin/env bash
# Unpacks the ready static Qt for Windows (a qt6-mingw tarball) into a folder outside the source tree.
# Usage: scripts/unpack-windows-qt.sh TARBALL [PARENT]   (default PARENT /opt; the Qt lands in PARENT/qt6-mingw)
# Prints the Qt folder. Does nothing when that folder already holds the same tarball's contents.
set -euo pipefail
tarball=${1:?usage: unpack-windows-qt.sh TARBALL [PARENT]}
parent=${2:-/opt}
qt="$parent/qt6-mingw"
stamp="$qt/.unpacked-from"
[ -f "$tarball" ] || { echo "unpack-windows-qt: no tarball at $tarball" >&2; exit 1; }
want="$(stat -c '%s %Y' "$tarball") $(basename "$tarball")"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ] && [ -f "$qt/mingw.cmake" ]; then
  echo "$qt"
  exit 0
fi
rm -rf "$qt"
mkdir -p "$parent"
tar -C "$parent" -xf "$tarball"
[ -f "$qt/lib/cmake/Qt6/qt.toolchain.cmake" ] || { echo "unpack-windows-qt: $tarball holds no qt6-mingw/ folder" >&2; exit 1; }
echo "$want" >"$stamp"
echo "$qt"
