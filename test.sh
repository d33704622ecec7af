#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-test/ and runs the whole test suite. Exit status is ctest's.
set -uo pipefail
cd "$(dirname "$0")"
./scripts/setup-deps.sh || exit 1

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKIV_SANITIZE=ON -DKIV_BUILD_BENCH=OFF >/dev/null || exit 1
cmake --build build-test -j "$jobs" || exit 1

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=0"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd build-test && ctest --output-on-failure -j "$jobs" "$@"
