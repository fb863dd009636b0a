#!/usr/bin/env bash
# Installs the Debian 12 packages that only the tests use: a serial server and a serial library
# from outside this project, so that the network bridge is tried against code no one here wrote.
# Safe to run again: it only installs what is missing.
set -euo pipefail

"$(dirname "$0")/apt-install-missing.sh" --no-install-recommends install-test-deps ser2net python3-serial
