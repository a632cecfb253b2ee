#!/bin/sh
# The unit tests again under sanitizers, each in a tree of its own (only the unit test programs
# and what they link are built, with ccache, to keep the runs short):
# - build-asan/: every unit test (label unit, no GUI test) with AddressSanitizer, LeakSanitizer
#   and UndefinedBehaviorSanitizer; any report fails the run, undefined behaviour included.
# - build-tsan/: the image cache and worker tests and the mutex's (ctest -R '^(Cache|AutoLock)')
#   with ThreadSanitizer.
# Reports go to build-*/{asan,tsan}-report.* (the tests capture standard error) and are printed
# when a test fails. `test-sanitizers.sh asan` or `tsan` runs one of the two.
set -e
cd "$(dirname "$0")/.."
which=${1:-all}

unit_test_targets() {
    for folder in tests/*/; do
        name=$(basename "$folder")
        if ls "$folder"*Test.cpp >/dev/null 2>&1; then
            printf '%s_tests ' "$name"
        fi
    done
}

show_reports() {
    found=1
    for report in "$@"; do
        [ -f "$report" ] || continue
        found=0
        echo "---- $report"
        cat "$report"
    done
    return $found
}

if [ "$which" = all ] || [ "$which" = asan ]; then
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMEKURI_SANITIZE=address \
        >/dev/null
    # shellcheck disable=SC2046
    cmake --build build-asan --target $(unit_test_targets) -- -j2
    (
        cd build-asan
        rm -f asan-report.* ubsan-report.*
        status=0
        ASAN_OPTIONS="detect_leaks=1 abort_on_error=1 log_path=$PWD/asan-report ${ASAN_OPTIONS:-}" \
            UBSAN_OPTIONS="halt_on_error=1 print_stacktrace=1 log_path=$PWD/ubsan-report ${UBSAN_OPTIONS:-}" \
            ctest --output-on-failure -j2 -L unit || status=$?
        # A report from a process whose failure nobody checked still fails the run.
        if show_reports asan-report.* ubsan-report.*; then
            status=1
        fi
        exit $status
    )
fi

if [ "$which" = all ] || [ "$which" = tsan ]; then
    cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMEKURI_SANITIZE=thread \
        >/dev/null
    cmake --build build-tsan --target pipeline_tests platform_tests -- -j2
    (
        cd build-tsan
        rm -f tsan-report.*
        status=0
        TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 log_path=$PWD/tsan-report ${TSAN_OPTIONS:-}" \
            ctest --output-on-failure -j2 -R '^(Cache|AutoLock)' || status=$?
        if show_reports tsan-report.*; then
            status=1
        fi
        exit $status
    )
fi
