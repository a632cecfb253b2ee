#!/bin/sh
# Sets everything up, builds, and runs the whole test suite (unit and GUI tests), then the
# cache and worker tests again under ThreadSanitizer.
set -e
cd "$(dirname "$0")/.."
./scripts/setup-debian.sh
./scripts/build.sh
(cd build && ctest --output-on-failure -j2 "$@")
./scripts/test-sanitizers.sh
