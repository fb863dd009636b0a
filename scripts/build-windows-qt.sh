#!/usr/bin/env bash
# Builds a static Qt 6 (Core, Gui, Widgets, the Windows and offscreen platform plugins) for x86_64-w64-mingw32 from
# Debian 12's own qt6-base source package, with Debian's mingw-w64 toolchain and the host Qt tools of the same version.
# Usage: scripts/build-windows-qt.sh PREFIX   (as root; about an hour on two cores). Then build the
# Windows programs with: scripts/build-windows.sh PREFIX
set -euo pipefail
prefix=${1:?install prefix}
here=$(cd "$(dirname "$0")/.." && pwd)
# The same mingw-w64 toolchain file the project builds with.
toolchain="$here/cmake/mingw-w64-toolchain.cmake"
work=$(mktemp -d)
export DEBIAN_FRONTEND=noninteractive
apt-get install -y --no-install-recommends g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
  qt6-base-dev qt6-base-dev-tools cmake ninja-build xz-utils >/dev/null
# Debian's source index, made from the system's own package sources and kept apart from its package lists.
mkdir -p "$work/apt/lists/partial"
for f in /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] && sed 's/^Types: deb$/Types: deb-src/' "$f" >"$work/apt/$(basename "$f")"
done
[ -f /etc/apt/sources.list ] && grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' >"$work/apt/system.list" || true
apt_src=(-o Dir::Etc::SourceParts="$work/apt" -o Dir::Etc::SourceList=/dev/null -o Dir::State::Lists="$work/apt/lists")
apt-get "${apt_src[@]}" update >/dev/null
(cd "$work" && apt-get "${apt_src[@]}" source --download-only qt6-base=6.4.2+dfsg-10 >/dev/null 2>&1)
tar -C "$work" -xf "$work"/qt6-base_6.4.2+dfsg.orig.tar.xz
# Qt 6.4.2's Windows plugin does not compile without OpenGL: guard its one OpenGL query.
sed -i '/static inline bool isSoftwareGl()/,+2 s/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
  "$work"/qtbase-everywhere-src-6.4.2/src/plugins/platforms/windows/qwindowswindow.cpp
cmake -G Ninja -S "$work"/qtbase-everywhere-src-6.4.2 -B "$work/build" \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF \
  -DCMAKE_C_FLAGS="-ffile-prefix-map=$work=." -DCMAKE_CXX_FLAGS="-ffile-prefix-map=$work=." \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DFEATURE_pkg_config=OFF \
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF \
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_testlib=OFF \
  -DFEATURE_tabletevent=OFF >/dev/null  # Debian's source leaves out the Wintab header
cmake --build "$work/build" --parallel "$(nproc)"
cmake --install "$work/build" >/dev/null
cp "$toolchain" "$prefix/mingw.cmake"   # the toolchain file that a project builds with
rm -rf "$work"
echo "static Qt for Windows (mingw-w64) installed in $prefix"
