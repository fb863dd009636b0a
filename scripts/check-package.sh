#!/usr/bin/env bash
# Installs the shell's Debian package with apt and proves that it works:
#  1. its menu entry and AppStream data are valid;
#  2. the package of every library that the programs and Qt's platform plugins load is among
#     the package's dependencies (direct or indirect);
#  3. the installed shell starts, offscreen and on an X server (xcb);
#  4. the installed command line answers --help, lists the ports and has its man page.
# Usage (as root, on Debian 12): scripts/check-package.sh <package.deb>
set -euo pipefail
deb=$(realpath "$1")
export DEBIAN_FRONTEND=noninteractive
apt_get() { apt-get -o Dpkg::Use-Pty=0 -qq "$@" >/dev/null; }

echo "check-package: installing $(basename "$deb") with apt"
apt_get update
apt_get install -y "$deb"
apt_get install -y --no-install-recommends desktop-file-utils appstream xvfb xauth

echo "check-package: menu entry and AppStream data"
desktop-file-validate /usr/share/applications/example.korvane.Shell.desktop
appstreamcli validate --no-net --pedantic /usr/share/metainfo/example.korvane.Shell.metainfo.xml >/dev/null || \
  appstreamcli validate --no-net /usr/share/metainfo/example.korvane.Shell.metainfo.xml
test -f /usr/share/icons/hicolor/scalable/apps/example.korvane.Shell.svg
test -x /usr/bin/korvane-shell && test -x /usr/bin/korvane-sim && test -x /usr/bin/korvane
test -f /usr/share/man/man1/korvane.1.gz || test -f /usr/share/man/man1/korvane.1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR"

# Starts the installed shell, lets it run, records the libraries it has loaded, and stops it.
# A shell that is no longer running after 3 s has failed to start.
run_shell() {  # platform, then the command prefix
  local platform=$1
  shift
  QT_QPA_PLATFORM=$platform "$@" /usr/bin/korvane-shell >"$work/shell-$platform.log" 2>&1 &
  local pid=$!
  local shell_pid=""
  for _ in $(seq 1 60); do
    sleep 0.1
    shell_pid=$(pgrep -n -x korvane-shell -P "$pid" 2>/dev/null || true)
    [ "$(readlink /proc/$pid/exe 2>/dev/null)" = /usr/bin/korvane-shell ] && shell_pid=$pid
    [ -n "$shell_pid" ] && break
  done
  sleep 3
  if [ -z "$shell_pid" ] || ! kill -0 "$shell_pid" 2>/dev/null; then
    echo "check-package: the installed shell did not start ($platform):" >&2
    cat "$work/shell-$platform.log" >&2
    return 1
  fi
  awk '$6 ~ /\.so/ {print $6}' "/proc/$shell_pid/maps" | sort -u >>"$work/libraries"
  kill -TERM "$shell_pid"
  wait "$pid" 2>/dev/null || true
  echo "check-package: the installed shell starts ($platform)"
}
: >"$work/libraries"
run_shell offscreen env
run_shell xcb xvfb-run -a -s "-screen 0 1280x800x24"

echo "check-package: the command line"
/usr/bin/korvane --help | grep -q '^Usage: korvane COMMAND'
/usr/bin/korvane --version
/usr/bin/korvane ports
man -l /usr/share/man/man1/korvane.1* >/dev/null 2>&1 || zcat -f /usr/share/man/man1/korvane.1* | grep -q '^.TH KORVANE 1'

# Libraries linked by every program and plugin, whether or not this start loaded them.
for f in /usr/bin/korvane-shell /usr/bin/korvane-sim /usr/bin/korvane $(dpkg -L qt6-qpa-plugins | grep '\.so$'); do
  ldd "$f" | awk '/=> \// {print $3} /^\t\// {print $1}' >>"$work/libraries"
done
dpkg -L qt6-qpa-plugins | grep '\.so$' >>"$work/libraries"

# The package that owns a file; bookworm registers files under /lib as well as under /usr/lib.
owner() {
  local p
  for p in "$1" "$(realpath "$1")" "${1#/usr}" "/usr$1"; do
    dpkg -S "$p" 2>/dev/null | head -n1 | cut -d: -f1 && return 0
  done
  return 1
}
apt-cache depends --recurse --installed --no-recommends --no-suggests --no-conflicts --no-breaks \
  --no-replaces --no-enhances korvane-shell | awk '/^[a-z0-9]/ {sub(/:.*/, ""); print}' | sort -u >"$work/closure"
echo "check-package: the package needs $(wc -l <"$work/closure") packages in all"

missing=0
for lib in $(sort -u "$work/libraries"); do
  pkg=$(owner "$lib") || { echo "check-package: no package owns $lib" >&2; missing=1; continue; }
  if ! grep -qx "$pkg" "$work/closure"; then
    echo "check-package: $lib comes from $pkg, which is not among the package's dependencies" >&2
    missing=1
  fi
done
[ "$missing" -eq 0 ] || exit 1
echo "check-package: every one of $(sort -u "$work/libraries" | wc -l) libraries comes from a dependency"
echo "check-package: Depends: $(dpkg-query -W -f='${Depends}' korvane-shell)"
