#!/bin/sh
# Sets everything up, checks that every source is formatted by .clang-format
# (scripts/check-format.sh), builds, and runs the whole test suite (unit and GUI tests), then the unit
# tests again under AddressSanitizer + UBSan and the cache and worker tests under
# ThreadSanitizer (scripts/test-sanitizers.sh), then every fuzz target for a minute on its seed
# corpus (scripts/fuzz-ci.sh), and the reading robot for three runs of fixed seeds, about three
# minutes (scripts/soak.sh).
set -e
cd "$(dirname "$0")/.."
./scripts/setup-debian.sh
./scripts/check-format.sh
./scripts/build.sh
(cd build && ctest --output-on-failure -j2 "$@")
./scripts/soak.sh --minutes 6 --seed 7001 --runs 3
./scripts/test-sanitizers.sh
./scripts/fuzz-ci.sh
