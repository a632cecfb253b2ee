#!/bin/sh
# Builds the image cache and worker tests with ThreadSanitizer into build-tsan/ and runs them.
# Only the pipeline test program and what it links are built, to keep the run short.
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMEKURI_SANITIZE=thread \
    >/dev/null
cmake --build build-tsan --target pipeline_tests -- -j2
cd build-tsan
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}" \
    ctest --output-on-failure -j2 -R '^Cache'
