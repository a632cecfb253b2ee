#!/bin/sh
# Builds the image cache and worker tests with ThreadSanitizer into build-tsan/ and runs them.
# Only the pipeline test program and what it links are built, to keep the run short.
# Reports go to build-tsan/tsan-report.* (the tests capture standard error) and are printed
# when a test fails.
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMEKURI_SANITIZE=thread \
    >/dev/null
cmake --build build-tsan --target pipeline_tests -- -j2
cd build-tsan
rm -f tsan-report.*
if ! TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 log_path=$PWD/tsan-report ${TSAN_OPTIONS:-}" \
    ctest --output-on-failure -j2 -R '^Cache'; then
    cat tsan-report.* 2>/dev/null || true
    exit 1
fi
