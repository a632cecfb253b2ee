#!/bin/sh
# Configures and builds the program, its plug-ins, the sample book and the tests into build/.
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
