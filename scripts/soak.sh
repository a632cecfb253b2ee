#!/bin/sh
# The reading robot (tests/robot): the real program used the way readers use it, in random but
# replayable order, with every invariant checked after every action. Ends with one line
# "soak: N actions, K failures, seed S"; exits non-zero when a run failed.
#
#   ./scripts/soak.sh [--minutes M] [--seed S] [--build DIR] [robot options]
#   ./scripts/soak.sh --make-build asan|tsan     configure and build build-soak-asan or
#                                                build-soak-tsan: the whole program, plug-ins
#                                                included, with the sanitizer
#   ./scripts/soak.sh --build build-soak-asan ...   run on that build (reports fail the run)
#
# Robot options (tests/robot/runner.py --help): --replay SEED [--steps N] repeats a run
# exactly; --shrink looks for a short failing list after a failure; --verbose prints every
# action; --keep keeps a failed run's folder. The build defaults to build/ (the plain build).
set -e
cd "$(dirname "$0")/.."

build=build
minutes=3
seed=""
make_build=""
while [ $# -gt 0 ]; do
    case "$1" in
    --minutes) minutes=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --make-build) make_build=$2; shift 2 ;;
    *) break ;;
    esac
done

if [ -n "$make_build" ]; then
    case "$make_build" in
    asan) sanitize=address ;;
    tsan) sanitize=thread ;;
    *) echo "soak: --make-build asan or tsan" >&2; exit 2 ;;
    esac
    cmake -S . -B "build-soak-$make_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DMEKURI_SANITIZE=$sanitize >/dev/null
    cmake --build "build-soak-$make_build" --target robot_programs -- -j2
    exit 0
fi

if [ ! -x "$build/bin/mekuri" ] || [ ! -x "$build/tools/make_book" ]; then
    echo "soak: $build has no program; build it first (./scripts/build.sh or --make-build)" >&2
    exit 2
fi

sanitized=""
if grep -q '^MEKURI_SANITIZE:STRING=.' "$build/CMakeCache.txt" 2>/dev/null; then
    sanitized="--sanitized"
fi
seed_arg=""
if [ -n "$seed" ]; then seed_arg="--seed $seed"; fi

# An X server of its own (without a window manager, as the GUI tests run), large enough for
# the main window and the catalog window; -noreset keeps it up between the program's runs.
# shellcheck disable=SC2086
exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
    python3 tests/robot/runner.py --build "$build" --minutes "$minutes" $seed_arg $sanitized "$@"
