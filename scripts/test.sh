#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"
"$here/scripts/install-test-deps.sh"
"$here/scripts/build.sh" "$here/build" -DKORVANE_WERROR=ON
cd "$here/build"
# Two suites at a time: each has its own runtime folder for port links, its own temporary folders and
# loopback ports the system picks, and the long ones spend their time waiting on emulated lines.
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 -j2
