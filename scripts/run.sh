#!/usr/bin/env bash
# Installs what is missing, builds, starts the display simulator on port COM3 and the shell.
# The simulator stops when the shell exits. Without a graphical display, runs a scripted
# headless session against the simulator instead and saves screenshots into screenshots/.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh" "$here/build"

sim="$here/build/sim/korvane-sim"
shell="$here/build/app/korvane-shell"
headless="$here/build/app/korvane-headless-session"

# The port links live in the per-user runtime folder; without a session manager to provide
# one, use the folder the programs would pick themselves.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR="/tmp/runtime-$(id -un)"
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 0700 "$XDG_RUNTIME_DIR"
fi

sim_pid=""
stop_sim() {
  if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
}
trap stop_sim EXIT INT TERM

log="$here/build/korvane-sim.log"
"$sim" --port COM3 >"$log" 2>&1 &
sim_pid=$!
# Wait until the simulator has registered its port link.
for _ in $(seq 1 100); do
  grep -q "COM3" "$log" 2>/dev/null && break
  kill -0 "$sim_pid" 2>/dev/null || { echo "The display simulator did not start:"; cat "$log"; exit 1; }
  sleep 0.05
done
echo "Display simulator running on COM3 (log: $log)."

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "Starting Korvane Shell. Press \"Connect\"; close the window to end."
  "$shell"
else
  echo "No graphical display found: running a headless session against the simulator instead."
  status=0
  QT_QPA_PLATFORM=offscreen "$headless" "$here/screenshots" 2>/dev/null || status=$?
  stop_sim
  echo
  echo "What the simulated display received:"
  cat "$log"
  exit "$status"
fi
