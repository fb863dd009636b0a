#!/usr/bin/env bash
# Builds the Debian package of the shell and the display simulator.
# Usage: scripts/package.sh [build-dir]      (default: build-package, a Release build)
# Prints the path of the package, <build-dir>/korvane-shell_<version>_<arch>.deb.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh" >&2
dir=${1:-$here/build-package}

args=(-DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON)
[ -f "$dir/CMakeCache.txt" ] || args+=(-DCMAKE_BUILD_TYPE=Release)
cmake -S "$here" -B "$dir" -G Ninja "${args[@]}" >/dev/null
# Only the two programs go into the package; the tests need not be built for it.
cmake --build "$dir" -j"$(nproc)" --target korvane-shell korvane-sim >&2
rm -f "$dir"/korvane-shell_*.deb
(cd "$dir" && cpack -G DEB >&2)
ls "$dir"/korvane-shell_*.deb
