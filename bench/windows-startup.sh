#!/usr/bin/env bash
# Start-up time of korvane-shell.exe under Wine: from launch until its window is mapped on an Xvfb
# display, with the Wine server already running (as it is for a user's second start). Prints each
# run and the median.  Usage: bench/windows-startup.sh WINDOWS_BUILD [RUNS, default 5]
set -euo pipefail
exe=$(cd "${1:?usage: windows-startup.sh WINDOWS_BUILD [RUNS]}" && pwd)/app/korvane-shell.exe
runs=${2:-5}
work=$(mktemp -d /tmp/korvane-wine-bench.XXXXXX)
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset QT_QPA_PLATFORM
trap 'timeout 30 wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
timeout 300 wineboot -i >/dev/null 2>&1
timeout 30 wineserver -k 2>/dev/null || true  # the next server starts inside Xvfb, with its display
xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
  wineserver -p >/dev/null 2>&1
  for i in $(seq 1 "$2"); do
    start=$(date +%s%N)
    wine "$1" >/dev/null 2>&1 &
    shell=$!
    for _ in $(seq 1 3000); do xwininfo -root -tree 2>/dev/null | grep -q "Korvane" && break; sleep 0.02; done
    echo $(( ($(date +%s%N) - start) / 1000000 ))
    kill "$shell"; wait "$shell" 2>/dev/null || true
    for _ in $(seq 1 200); do xwininfo -root -tree 2>/dev/null | grep -q "Korvane" || break; sleep 0.05; done
  done
' _ "$exe" "$runs" | sort -n | awk '{ v[NR] = $1; print "run: " $1 " ms" } END { print "median: " v[int((NR + 1) / 2)] " ms" }'
