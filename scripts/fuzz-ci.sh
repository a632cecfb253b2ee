#!/bin/sh
# CI: builds the fuzz targets and runs each one for FUZZ_CI_SECONDS (default 60) from its
# committed seed corpus, in a fresh working corpus so every run starts from the same place.
# Fails at the first fault a target finds; the input that caused it is left in
# build-fuzz/artifacts/TARGET/.
set -e
cd "$(dirname "$0")/.."
./scripts/fuzz.sh build
export FUZZ_CORPUS_DIR=build-fuzz/corpus-ci
rm -rf "$FUZZ_CORPUS_DIR"
# CI owns its machine: no need to yield the processor.
FUZZ_NICE=${FUZZ_NICE:-0} ./scripts/fuzz.sh run "${FUZZ_CI_SECONDS:-60}"
rm -rf "$FUZZ_CORPUS_DIR"
