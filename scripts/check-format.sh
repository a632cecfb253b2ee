#!/bin/sh
# Fails when a C or C++ source of the project differs from what the committed .clang-format
# makes of it, and names the files. Fuzz corpora and test data are inputs, not code.
#   ./scripts/check-format.sh          check
#   ./scripts/check-format.sh --fix    rewrite the files in place
set -e
cd "$(dirname "$0")/.."
fix=""
[ "${1:-}" = "--fix" ] && fix=1
files=$(git ls-files '*.c' '*.cpp' '*.h' | grep -v -e '^fuzz/corpus/' -e '^tests/data/')
bad=0
for f in $files; do
    if [ -n "$fix" ]; then
        clang-format -i "$f"
    elif ! clang-format --dry-run -Werror "$f" >/dev/null 2>&1; then
        echo "format: $f differs from .clang-format (./scripts/check-format.sh --fix)"
        bad=1
    fi
done
exit $bad
