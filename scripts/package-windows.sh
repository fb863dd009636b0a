#!/usr/bin/env bash
# Builds the Windows release zip: korvane-shell.exe and the command line korvane.exe (stripped, static:
# no DLLs needed) and a short readme.
# Usage: scripts/package-windows.sh WINDOWS_BUILD [OUT_FOLDER]   (WINDOWS_BUILD made by scripts/build-windows.sh)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: package-windows.sh WINDOWS_BUILD [OUT_FOLDER]}" && pwd)
out=${2:-$build}
exe="$build/app/korvane-shell.exe"
cli="$build/cli/korvane.exe"
for f in "$exe" "$cli"; do
  [ -f "$f" ] || { echo "package-windows: $f is missing; run scripts/build-windows.sh first" >&2; exit 1; }
done
version=$(sed -n 's/^project(KorvaneShell VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
name="korvane-shell-$version-windows-x64"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/$name" "$out"
x86_64-w64-mingw32-strip -o "$stage/$name/korvane-shell.exe" "$exe"
x86_64-w64-mingw32-strip -o "$stage/$name/korvane.exe" "$cli"
# The readme with Windows line ends.
sed 's/$/\r/' >"$stage/$name/README.txt" <<TXT
Korvane Shell $version for Windows (64-bit)

A service tool for the Korvane colour multi-function display. Connect the display to the PC with a
USB-UART cable or a Bluetooth or WiFi serial bridge; it appears as a COM port.

1. Unpack this folder anywhere and start korvane-shell.exe. It needs no installation and no other files.
2. Pick the display's port (COM1, COM2, ...) at the top left. Hover an entry to see its device name.
3. Choose the link type: "UART" or "Bluetooth" (921600 baud) or "WiFi" (230400 baud).
4. Press "Connect". The pages appear and the storage panel shows the sizes of the display's volumes.
   If the port cannot be opened, the shell keeps trying ("try connect N" in the status bar); hover the
   first status panel to see why (for example, another program holds the port).
5. Press "Exit" to end the connection.

For scripts and workshops, korvane.exe does the same from a command prompt:
  korvane ports
  korvane info --port COM3
  korvane sd-upload C:\logos --to /logos/ --port COM3
  korvane flash --slot 8 logos.imz --port COM3
"korvane --help" lists every command; exit status 0 means all done.

The shell writes no settings and no logs. This is version $version: "About Korvane Shell" (right-click the
status bar), "korvane --version" and the exe's Properties, Details say the same.
TXT
rm -f "$out/$name.zip"
(cd "$stage" && cmake -E tar cf "$out/$name.zip" --format=zip "$name")
echo "$out/$name.zip"
