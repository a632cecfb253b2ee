#!/bin/sh
# Builds and runs the libFuzzer targets of fuzz/ (clang, AddressSanitizer, UBSan) in build-fuzz/.
#
#   scripts/fuzz.sh build                      build every target
#   scripts/fuzz.sh run [SECONDS] [TARGET...]  fuzz each target (default: all) for SECONDS
#                                              (default 60); new inputs go to
#                                              build-fuzz/corpus/TARGET (or
#                                              $FUZZ_CORPUS_DIR/TARGET), crashes to
#                                              build-fuzz/artifacts/TARGET/
#   scripts/fuzz.sh merge TARGET               fold build-fuzz/corpus/TARGET into the seed
#                                              corpus fuzz/corpus/TARGET, keeping only inputs
#                                              that add coverage
#   scripts/fuzz.sh list                       the target names
#
# A run stops at the first fault (crash, leak, one input running over 30 s of wall time, more
# than 2 GB resident (3 GB for the image plug-in) or a single allocation over 1100 MB; see
# limits() below) and the script fails. Trace lines of the program are hidden
# (-close_fd_mask=2); the fuzzer's own lines and the sanitizers' reports still show. Runs at
# low priority (nice); FUZZ_NICE=0 runs at normal priority.
set -e
cd "$(dirname "$0")/.."
BUILD=build-fuzz
TARGETS="catalog_loader zip_book jpeg_decoder spi_bitmap archive_plugin image_plugin print_sequence"
NICE="nice -n ${FUZZ_NICE:-15}"
WORK=${FUZZ_CORPUS_DIR:-$BUILD/corpus}
OPTIONS="-close_fd_mask=2 -print_final_stats=1"
# Wall time, not processor time: a loaded machine or a sanitizer slows every input, so the
# limit leaves room (a decode within the picture size cap takes a few seconds under ASan).
TIMEOUT=30

build() {
    ./scripts/setup-debian.sh # clang and its runtime on a fresh machine
    $NICE cmake -S fuzz -B $BUILD -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        >/dev/null
    $NICE cmake --build $BUILD -- -j2
}

# ASan's options for a target. Leaks are looked for after each input, so a leak fails like a
# crash. libarchive 3.6 asks malloc for 2^64 - 3 bytes on some broken RAR 5 files and copes
# with the null answer glibc gives; ASan would stop there, so the archive plug-in's target
# lets malloc answer null. Any allocation above 1100 MB that succeeds is still a fault.
asan_options() {
    if [ "$1" = archive_plugin ]; then
        echo "detect_leaks=1:allocator_may_return_null=1:${ASAN_OPTIONS:-}"
    else
        echo "detect_leaks=1:${ASAN_OPTIONS:-}"
    fi
}

# libFuzzer's limits for a target. libarchive's read-ahead takes a buffer of whatever size a
# header asks for before it finds the file too short (1.8 GB for a 2.5 KB LZH file); the
# buffer is never filled, so it costs address space, not memory. For the archive plug-in only
# resident memory counts; every other target also fails on one allocation above 1100 MB.
# A picture at the size cap (1 GiB; an RLE bitmap of a few bytes may declare one) is, for a
# moment, both the image plug-in's block and the converted picture: with ASan's quarantine
# that target may hold 2.3 GB.
limits() {
    case "$1" in
    archive_plugin) echo "-timeout=$TIMEOUT -rss_limit_mb=2048 -malloc_limit_mb=4096" ;;
    image_plugin) echo "-timeout=$TIMEOUT -rss_limit_mb=3072 -malloc_limit_mb=1100" ;;
    *) echo "-timeout=$TIMEOUT -rss_limit_mb=2048 -malloc_limit_mb=1100" ;;
    esac
}

run_one() {
    target=$1
    seconds=$2
    mkdir -p "$WORK/$target" $BUILD/artifacts/$target
    echo "== $target: ${seconds}s"
    # shellcheck disable=SC2046
    ASAN_OPTIONS=$(asan_options "$target") \
        UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:${UBSAN_OPTIONS:-}" \
        $NICE $BUILD/${target}_fuzz $OPTIONS $(limits "$target") -max_total_time="$seconds" \
        -artifact_prefix=$BUILD/artifacts/$target/ "$WORK/$target" fuzz/corpus/$target
}

case "${1:-}" in
build)
    build
    ;;
run)
    seconds=${2:-60}
    [ $# -ge 2 ] && shift 2 || shift $#
    chosen=${*:-$TARGETS}
    for target in $chosen; do
        run_one "$target" "$seconds"
    done
    ;;
merge)
    target=${2:?target name}
    # shellcheck disable=SC2046
    ASAN_OPTIONS=$(asan_options "$target") $NICE $BUILD/${target}_fuzz -merge=1 -close_fd_mask=2 \
        $(limits "$target") fuzz/corpus/$target "$WORK/$target"
    ;;
list)
    echo $TARGETS
    ;;
*)
    sed -n '2,19p' "$0"
    exit 2
    ;;
esac
