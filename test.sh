#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-test/ and runs the whole test suite; then builds with ThreadSanitizer
# into build-tsan/ and runs the suites that use threads a second time
# (KIV_TEST_TSAN=0 skips that pass). Arguments go to the first pass's ctest.
# Exit status is 0 when both passes are green.
set -uo pipefail
cd "$(dirname "$0")"
./scripts/setup-deps.sh || exit 1

jobs=$(nproc 2>/dev/null || echo 2)
# The precompiled headers are cached too when ccache may overlook their time
# stamps (it still hashes their contents).
export CCACHE_SLOPPINESS="${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}"
# Line tables are all a sanitizer's report needs (file and line of every
# frame); full debug information makes each compile a fifth slower.
debug_info=(-DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_FLAGS_DEBUG=-g1)
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug "${debug_info[@]}" -DKIV_SANITIZE=ON -DKIV_BUILD_BENCH=OFF >/dev/null || exit 1
cmake --build build-test -j "$jobs" || exit 1

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=0"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd build-test && ctest --output-on-failure -j "$jobs" "$@")
status=$?

if [ "${KIV_TEST_TSAN:-1}" != 0 ]; then
  # The second pass is for the code below the windows, where the threads
  # are: the connection and its loops, the model with its hand-over to the UI
  # thread (message service, answer relay, session controller), the server
  # and the command-line client. The windows only show what the model hands
  # them on the UI thread; building them and the program a second time would
  # cost CI more than a third of its time.
  tsan_labels='net|model|server|security|cli'
  tsan_targets=(test_net test_model test_server test_security test_cli kiv-server kiv-cli)
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug "${debug_info[@]}" -DKIV_TSAN=ON -DKIV_BUILD_BENCH=OFF >/dev/null || exit 1
  cmake --build build-tsan -j "$jobs" --target "${tsan_targets[@]}" || exit 1
  export TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp:halt_on_error=0:second_deadlock_stack=1"
  (cd build-tsan && ctest --output-on-failure -j "$jobs" -L "^($tsan_labels)$" -E '_NOT_BUILT$') || status=1
fi
exit $status
