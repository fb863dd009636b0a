#!/usr/bin/env bash
# Cross-builds the Windows programs with mingw-w64 against a static Qt for Windows: the shell
# (korvane-shell.exe), the headless session and the tests that run under Wine, each one static exe.
# Usage: scripts/build-windows.sh QT_FOLDER [BUILD_FOLDER] [extra cmake arguments...]
#   QT_FOLDER: a static Qt 6 for x86_64-w64-mingw32 (scripts/unpack-windows-qt.sh unpacks the ready one,
#              scripts/build-windows-qt.sh builds one); BUILD_FOLDER defaults to build-windows.
set -euo pipefail
cd "$(dirname "$0")/.."
qt=$(cd "${1:?usage: build-windows.sh QT_FOLDER [BUILD_FOLDER] [cmake arguments...]}" && pwd)
build=${2:-build-windows}
shift $(( $# >= 2 ? 2 : 1 ))
[ -f "$qt/lib/cmake/Qt6/qt.toolchain.cmake" ] || { echo "build-windows: $qt holds no Qt 6 for Windows" >&2; exit 1; }

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-toolchain.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DKORVANE_WERROR=ON "${launcher[@]}" "$@" >/dev/null
cmake --build "$build" --target korvane-shell korvane-headless-session korvane test_serial test_serial_line_loss test_protocol test_settings test_settings_file \
  test_program_resources
echo "build-windows: programs in $build: app/korvane-shell.exe app/korvane-headless-session.exe cli/korvane.exe tests/*/test_*.exe"
