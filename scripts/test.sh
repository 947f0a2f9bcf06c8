#!/bin/sh
# Runs every test: installs what is missing, builds all three builds, runs CTest.
set -eu
cd "$(dirname "$0")/.."
scripts/install-tools.sh
cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default
