#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running the shell need.
# Safe to run again: it only installs what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache lld
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core xvfb xauth
  # a session bus and the assistive tools' bus, for the window's benchmarks with accessibility on
  dbus-daemon at-spi2-core
)

"$(dirname "$0")/apt-install-missing.sh" install-deps "${packages[@]}"
