#!/bin/sh
# Sets everything up, builds, and opens the bundled sample book in the viewer.
set -e
cd "$(dirname "$0")/.."
./scripts/setup-debian.sh
./scripts/build.sh
exec ./build/bin/mekuri build/sample/sample-book.zip
