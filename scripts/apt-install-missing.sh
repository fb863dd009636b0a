#!/usr/bin/env bash
# Installs those of the given Debian packages that are missing; does nothing when all are there.
# Usage: scripts/apt-install-missing.sh [--no-install-recommends] <who is asking> <package>...
set -euo pipefail

apt_options=()
if [ "${1:-}" = "--no-install-recommends" ]; then
  apt_options+=(--no-install-recommends)
  shift
fi
who=$1
shift

missing=()
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "$who: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo_cmd=(sudo)
fi
echo "$who: installing ${missing[*]}"
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${apt_options[@]}" "${missing[@]}"
