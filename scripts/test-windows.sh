#!/usr/bin/env bash
# Runs the Windows programs under Wine, in a private Wine prefix:
#  1. the unit tests that need no pseudo-terminal (test_serial, test_protocol, test_settings,
#     test_settings_file), and test_serial_line_loss: a USB adapter pulled at the Win32 calls at
#     each moment (its log has one line a case: what the fitter saw);
#  2. an end-to-end session: the display simulator runs natively on its pseudo-terminal, Wine's
#     COM3 is linked to it and listed in the registry's SERIALCOMM map, and
#     korvane-headless-session.exe connects, reads the sizes, backs the settings up, restores a
#     settings file (read back and checked) and says goodbye; then it uploads three files to the SD
#     card (the second failing its sum) and an image to a flash slot, checked byte for byte;
#  3. the command line: korvane.exe info, one sd-upload, one settings backup and one restore
#     against the simulator on COM3; then info and one sd-upload over raw TCP (Winsock) against
#     the simulator serving a loopback port; then one sd-upload of a Cyrillic name to a Cyrillic
#     folder (--to) on a system whose ANSI code page is 1251, checked on the wire;
#  4. the resources of korvane-shell.exe and korvane.exe: the project's version, an icon, a manifest;
#  5. a screenshot of korvane-shell.exe under Xvfb, with the Windows platform plugin.
# Every program gets a simulator of its own: a pseudo-terminal that one Wine program has closed
# reports the hang-up to the next one that opens it.
# Usage: scripts/test-windows.sh WINDOWS_BUILD LINUX_BUILD [RESULTS_FOLDER]
#   WINDOWS_BUILD: made by scripts/build-windows.sh; LINUX_BUILD: holds sim/korvane-sim.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
win=$(cd "${1:?usage: test-windows.sh WINDOWS_BUILD LINUX_BUILD [RESULTS_FOLDER]}" && pwd)
lin=$(cd "${2:?usage: test-windows.sh WINDOWS_BUILD LINUX_BUILD [RESULTS_FOLDER]}" && pwd)
out=${3:-$win/wine-results}
mkdir -p "$out"
out=$(cd "$out" && pwd)

work=$(mktemp -d /tmp/korvane-wine.XXXXXX)
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export XDG_RUNTIME_DIR="$work/runtime"   # the simulator's port link stays private
mkdir -p "$XDG_RUNTIME_DIR" && chmod 0700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM   # each program is told its platform

sim_pid=""
cleanup() {
  if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then kill -TERM "$sim_pid"; wait "$sim_pid" 2>/dev/null || true; fi
  timeout 30 wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

step() { echo "== $* =="; }
fail() { echo "test-windows: FAILED: $*" >&2; exit 1; }
# Starts korvane-sim on COM3 with the given arguments, logging to LOG, and links Wine's COM3 to it.
start_sim() {
  local log=$1
  shift
  "$lin/sim/korvane-sim" --port COM3 --disks 2,10,20,0 --sd 2048 "$@" >"$log" 2>&1 &
  sim_pid=$!
  local pty=""
  for _ in $(seq 1 100); do
    pty=$(sed -n 's/^Display simulator on //p' "$log")
    [ -n "$pty" ] && break
    kill -0 "$sim_pid" 2>/dev/null || { cat "$log"; fail "the simulator did not start"; }
    sleep 0.05
  done
  [ -n "$pty" ] || fail "the simulator named no pseudo-terminal"
  ln -sfn "$pty" "$WINEPREFIX/dosdevices/com3"
}
stop_sim() { kill -TERM "$sim_pid"; wait "$sim_pid" 2>/dev/null || true; sim_pid=""; }

step "Wine prefix"
timeout 300 wineboot -i >/dev/null 2>&1 || fail "wineboot did not finish"
# One Wine server for the whole run, so that the volatile SERIALCOMM key lasts between programs.
wineserver -w
wineserver -p >/dev/null 2>&1   # its object dump at exit is of no use here

step "unit tests under Wine"
for t in serial/test_serial protocol/test_protocol settings/test_settings settings/test_settings_file; do
  exe="$win/tests/$t.exe"
  [ -f "$exe" ] || fail "$exe is missing"
  echo "-- $(basename "$exe")"
  timeout 600 wine "$exe" -platform offscreen --gtest_color=no >"$out/$(basename "$t").log" 2>&1 \
    || { cat "$out/$(basename "$t").log"; fail "$(basename "$exe")"; }
  grep -E '^\[  (PASSED|FAILED) ' "$out/$(basename "$t").log"
done

step "a USB adapter pulled at the Win32 calls: test_serial_line_loss.exe"
# Each step inside has a bound of its own; the outer one only keeps a hang from holding CI.
timeout 600 wine "$win/tests/serial/test_serial_line_loss.exe" -platform offscreen --gtest_color=no \
  >"$out/test_serial_line_loss.log" 2>&1 || { tr -d '\r' <"$out/test_serial_line_loss.log"; fail "test_serial_line_loss.exe"; }
tr -d '\r' <"$out/test_serial_line_loss.log" | grep -E '^(row|aborted waits)|^\[  (PASSED|FAILED) '

step "end-to-end: korvane-headless-session.exe against the simulator on COM3"
start_sim "$out/sim.log"
timeout 60 wine reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v '\Device\Serial2' /t REG_SZ /d COM3 /f >/dev/null
shots=$(winepath -w "$out/session-screenshots")
status=0
# A copy, since the restore keeps the display's records from before it next to the chosen file.
cp "$here/tests/settings/golden/settings-v1.json" "$out/restore-settings.json"
restore=$(winepath -w "$out/restore-settings.json")
timeout 120 wine "$win/app/korvane-headless-session.exe" -platform offscreen "$shots" 3 "$restore" >"$out/session.log" 2>&1 || status=$?
stop_sim
tr -d '\r' <"$out/session.log"
echo "-- what the simulator received:"
cat "$out/sim.log"
[ "$status" -eq 0 ] || fail "the session ended with status $status"
grep -q "Disk 0: 2 Mb, Disk 1: 10 Mb, Disk 2: 20 Mb, Disk 3: 0 Mb, SD: 2048 Mb" "$out/session.log" \
  || fail "the session did not print the simulator's sizes"
# One backup and one restore: the backup file holds the four records, the restore wrote and read back.
grep -q "Settings backed up to settings-backup.json" "$out/session.log" || fail "the settings backup"
grep -q '"bytes"' "$out/session-screenshots/settings-backup.json" || fail "the backup file holds no records"
grep -q "Restored from restore-settings.json" "$out/session.log" || fail "the settings restore"
[ -f "$out/restore-settings-before-restore.json" ] || fail "no copy of the records from before the restore"
grep -q "save config" "$out/sim.log" || fail "the restore sent no configuration"
# The hello, then the size query at least 500 ms later, then the goodbye.
awk '
  /\] hello/      { if (hello == "") hello = $2 }
  /\] size query/ { if (size == "" && hello != "") size = $2 }
  /\] goodbye/    { if (size != "") bye = $2 }
  END {
    if (hello == "" || size == "" || bye == "") { print "missing: hello " hello ", size query " size ", goodbye " bye; exit 1 }
    if (size - hello < 500) { print "the size query came " size - hello " ms after the hello"; exit 1 }
    print "hello at " hello " ms, size query " size - hello " ms later, goodbye at " bye " ms"
  }' FS='[][ ]+' "$out/sim.log" || fail "the simulator's log"

step "end-to-end: an SD upload of three files (the second failing its sum) and a flash image"
data="$work/transfer"
mkdir -p "$data/pc"
head -c 700 /dev/urandom >"$data/pc/a.bin"
head -c 600 /dev/urandom >"$data/pc/b.bin"
head -c 1300 /dev/urandom >"$data/pc/c.bin"
head -c 5000 /dev/urandom >"$data/image.imz"
start_sim "$out/sim-transfer.log" --wrong-sum --at 2:1 --sd-folder "$data/sd" --flash-folder "$data/flash"
status=0
timeout 180 wine "$win/app/korvane-headless-session.exe" -platform offscreen "$(winepath -w "$out/transfer-screenshots")" 3 \
  --sd-upload "$(winepath -w "$data/pc")" /updates/ --flash "$(winepath -w "$data/image.imz")" 6 \
  >"$out/session-transfer.log" 2>&1 || status=$?
stop_sim
tr -d '\r' <"$out/session-transfer.log"
[ "$status" -eq 0 ] || fail "the transfer session ended with status $status"
grep -q "Files is loaded to SD... 1 of 3 files failed" "$out/session-transfer.log" || fail "the batch's end did not count the failed file"
grep -q "sd result: b.bin: sum error at block 1" "$out/session-transfer.log" || fail "b.bin's result"
for f in a.bin c.bin; do
  cmp "$data/pc/$f" "$data/sd/updates/$f" || fail "$f did not arrive byte for byte"
done
# The image, then zeros up to a whole block of 1024.
cmp <(head -c 5000 "$data/flash/diag.imz") "$data/image.imz" || fail "the image did not arrive byte for byte"
[ "$(stat -c %s "$data/flash/diag.imz")" -eq 5120 ] || fail "the image slot is not 5 blocks long"
[ -z "$(tail -c 120 "$data/flash/diag.imz" | tr -d '\0')" ] || fail "the last block is not filled with zeros"

step "end-to-end: korvane.exe info, sd-upload, backup and restore against the simulator on COM3"
cli_exe="$win/cli/korvane.exe"
[ -f "$cli_exe" ] || fail "$cli_exe is missing"
mkdir -p "$work/sd" "$work/flash" "$work/upload"
printf 'first file\n' >"$work/upload/a.txt"
head -c 1000 /dev/urandom >"$work/upload/b.bin"
start_sim "$out/cli-info-sim.log"
status=0
timeout 120 wine "$cli_exe" info --port COM3 --timeout 20 >"$out/cli-info.log" 2>&1 || status=$?
tr -d '\r' <"$out/cli-info.log"
stop_sim
[ "$status" -eq 0 ] || { cat "$out/cli-info-sim.log"; fail "korvane info ended with status $status"; }
tr -d '\r' <"$out/cli-info.log" | grep -q '^Disk 2: 20 Mb$' || fail "korvane info did not print the simulator's sizes"
upload=$(winepath -w "$work/upload")
start_sim "$out/cli-sim.log" --sd-folder "$work/sd" --flash-folder "$work/flash" --codepage 1252
status=0
timeout 120 wine "$cli_exe" sd-upload "$upload" --to / --codepage 1252 --port COM3 --timeout 20 \
  >"$out/cli-upload.log" 2>&1 || status=$?
tr -d '\r' <"$out/cli-upload.log"
stop_sim
[ "$status" -eq 0 ] || { cat "$out/cli-sim.log"; fail "korvane sd-upload ended with status $status"; }
# One line a file: its SD path, a tab, and its result.
[ "$(tr -d '\r' <"$out/cli-upload.log" | grep -cP '^/(a\.txt|b\.bin)\twritten$')" -eq 2 ] || fail "korvane sd-upload did not write both files"
cmp "$work/upload/a.txt" "$work/sd/a.txt" && cmp "$work/upload/b.bin" "$work/sd/b.bin" \
  || fail "the simulator's SD card does not hold the uploaded files"
# One settings backup and one restore (no terminal under the script: --yes).
backup=$(winepath -w "$out/cli-backup.json")
start_sim "$out/cli-backup-sim.log"
status=0
timeout 120 wine "$cli_exe" backup "$backup" --port COM3 --timeout 20 >"$out/cli-backup.log" 2>&1 || status=$?
tr -d '\r' <"$out/cli-backup.log"
stop_sim
[ "$status" -eq 0 ] || { cat "$out/cli-backup-sim.log"; fail "korvane backup ended with status $status"; }
tr -d '\r' <"$out/cli-backup.log" | grep -q '^Settings backed up to cli-backup.json.$' || fail "korvane backup said no result"
grep -q '"bytes"' "$out/cli-backup.json" || fail "korvane's backup file holds no records"
cp "$here/tests/settings/golden/settings-v1.json" "$out/cli-restore.json"
restore=$(winepath -w "$out/cli-restore.json")
start_sim "$out/cli-restore-sim.log"
status=0
timeout 120 wine "$cli_exe" restore --yes "$restore" --port COM3 --timeout 20 >"$out/cli-restore.log" 2>&1 || status=$?
tr -d '\r' <"$out/cli-restore.log"
stop_sim
[ "$status" -eq 0 ] || { cat "$out/cli-restore-sim.log"; fail "korvane restore ended with status $status"; }
tr -d '\r' <"$out/cli-restore.log" | grep -q '^Restored from cli-restore.json' || fail "korvane restore said no result"
[ -f "$out/cli-restore-before-restore.json" ] || fail "korvane kept no copy of the records from before the restore"
grep -q "save config" "$out/cli-restore-sim.log" || fail "korvane's restore sent no configuration"
for log in cli-sim cli-backup-sim cli-restore-sim; do
  grep -q '\] goodbye' "$out/$log.log" || fail "korvane said no goodbye ($log.log)"
done

step "end-to-end: korvane.exe over raw TCP (Winsock): info and one sd-upload against the simulator on 127.0.0.1"
# The simulator serves a free loopback port; its first line names the address to give as --port.
net_address() { sed -n 's/^Display simulator on \(tcp:\/\/.*\)$/\1/p' "$1"; }
mkdir -p "$work/net-sd" "$work/net-upload"
# Blocks and sizes full of 0xFF: the bytes must pass the socket untouched.
head -c 1000 /dev/zero | tr '\0' '\377' >"$work/net-upload/ff.bin"
head -c 1500 /dev/urandom >"$work/net-upload/r.bin"
start_sim "$out/net-info-sim.log" --tcp 0
address=$(net_address "$out/net-info-sim.log")
[ -n "$address" ] || { cat "$out/net-info-sim.log"; fail "the simulator named no TCP address"; }
status=0
timeout 120 wine "$cli_exe" info --port "$address" --timeout 20 >"$out/net-info.log" 2>&1 || status=$?
tr -d '\r' <"$out/net-info.log"
stop_sim
[ "$status" -eq 0 ] || { cat "$out/net-info-sim.log"; fail "korvane info over TCP ended with status $status"; }
tr -d '\r' <"$out/net-info.log" | grep -q '^Disk 2: 20 Mb$' || fail "korvane info over TCP did not print the sizes"
grep -q '\] goodbye' "$out/net-info-sim.log" || fail "korvane said no goodbye over TCP"
start_sim "$out/net-upload-sim.log" --tcp 0 --sd-folder "$work/net-sd" --flash-folder "$work/flash" --codepage 1252
address=$(net_address "$out/net-upload-sim.log")
status=0
timeout 120 wine "$cli_exe" sd-upload "$(winepath -w "$work/net-upload")" --to / --codepage 1252 --port "$address" \
  --timeout 20 >"$out/net-upload.log" 2>&1 || status=$?
tr -d '\r' <"$out/net-upload.log"
stop_sim
[ "$status" -eq 0 ] || { cat "$out/net-upload-sim.log"; fail "korvane sd-upload over TCP ended with status $status"; }
[ "$(tr -d '\r' <"$out/net-upload.log" | grep -cP '^/(ff|r)\.bin\twritten$')" -eq 2 ] \
  || fail "korvane sd-upload over TCP did not write both files"
cmp "$work/net-upload/ff.bin" "$work/net-sd/ff.bin" && cmp "$work/net-upload/r.bin" "$work/net-sd/r.bin" \
  || fail "the files sent over TCP did not arrive byte for byte"

step "SD names in the system's code page: korvane.exe sd-upload of a Cyrillic name to a Cyrillic folder on a 1251 system"
# Wine takes its ANSI code page from the Unix locale (LC_ALL wins over LANG), and the names of
# Unix files from that locale's character set: a Russian UTF-8 locale, built privately, gives
# both (1251 for the program, the file's UTF-8 name read right).
mkdir -p "$work/locale"
localedef -i ru_RU -f UTF-8 "$work/locale/ru_RU.UTF-8" || fail "localedef could not build ru_RU.UTF-8"
mkdir -p "$work/cp1251-upload" "$work/cp1251-sd"
printf 'hedgehog\n' >"$work/cp1251-upload/ёж.txt"
start_sim "$out/cp1251-sim.log" --sd-folder "$work/cp1251-sd" --flash-folder "$work/flash" --codepage 1251
status=0
LOCPATH="$work/locale" LC_ALL=ru_RU.UTF-8 timeout 120 wine "$cli_exe" sd-upload "$(winepath -w "$work/cp1251-upload")" \
  --to /ёжи/ --port COM3 --timeout 20 >"$out/cp1251-upload.log" 2>&1 || status=$?
stop_sim
# The program writes its lines in its code page: 1251.
iconv -f CP1251 -t UTF-8 "$out/cp1251-upload.log" | tr -d '\r' | tee "$out/cp1251-upload-utf8.log"
[ "$status" -eq 0 ] || { cat "$out/cp1251-sim.log"; fail "korvane sd-upload on a 1251 system ended with status $status"; }
grep -qP '^/ёжи/ёж\.txt\twritten$' "$out/cp1251-upload-utf8.log" || fail "korvane sd-upload did not write /ёжи/ёж.txt"
# The path on the wire: "/ёжи/ёж.txt" in code page 1251 (the folder given on the command line, the
# file's name from the disk), after the frame's marker and length.
grep 'SD open' "$out/cp1251-sim.log"
grep -qE 'SD open +AA [0-9A-F]{2} 2F B8 E6 E8 2F B8 E6 2E 74 78 74' "$out/cp1251-sim.log" \
  || fail "the path did not go out in code page 1251"
cmp "$work/cp1251-upload/ёж.txt" "$work/cp1251-sd/ёжи/ёж.txt" || fail "the simulator's SD card does not hold /ёжи/ёж.txt"

step "resources: korvane-shell.exe and korvane.exe carry the version, an icon and a manifest"
timeout 120 wine "$win/tests/windows/test_program_resources.exe" --gtest_color=no \
  "$(winepath -w "$win/app/korvane-shell.exe")" "$(winepath -w "$win/cli/korvane.exe")" >"$out/test_program_resources.log" 2>&1 \
  || { cat "$out/test_program_resources.log"; fail "test_program_resources.exe"; }
grep -E '^\[  (PASSED|FAILED) ' "$out/test_program_resources.log"

step "screenshot of korvane-shell.exe under Xvfb"
rm -f "$out/shell.xwd"
# A Wine server started without a display gives windows nowhere to go: start a new one inside Xvfb.
timeout 30 wineserver -k 2>/dev/null || true
xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
  wine "$1" &
  shell=$!
  for _ in $(seq 1 60); do sleep 1; xwininfo -root -tree 2>/dev/null | grep -q "Korvane" && break; done
  sleep 3
  xwd -root -silent >"$2"
  kill "$shell" 2>/dev/null; timeout 30 wineserver -k 2>/dev/null || true
' _ "$win/app/korvane-shell.exe" "$out/shell.xwd"
python3 "$here/scripts/xwd-to-png.py" "$out/shell.xwd" "$out/korvane-shell-wine.png" && rm -f "$out/shell.xwd"
echo "screenshot: $out/korvane-shell-wine.png"
echo "test-windows: all passed"
