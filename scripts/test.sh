#!/bin/sh
# Sets everything up, builds, and runs the whole test suite (unit and GUI tests).
set -e
cd "$(dirname "$0")/.."
./scripts/setup-debian.sh
./scripts/build.sh
cd build
ctest --output-on-failure -j2 "$@"
