#!/usr/bin/env bash
# Runs one fuzz target with libFuzzer (clang, ASan+UBSan) for a while.
#   scripts/fuzz.sh TARGET [SECONDS]     e.g. scripts/fuzz.sh messages_responses 300
# Targets are the fuzz/*.cpp names. The corpus grows in build-fuzz/corpus/TARGET,
# seeded from fuzz/corpus/TARGET.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?usage: scripts/fuzz.sh TARGET [SECONDS]}
seconds=${2:-300}
./scripts/setup-deps.sh
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DKIV_FUZZ=ON -DKIV_SANITIZE=ON -DKIV_BUILD_TESTS=OFF -DKIV_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz --target "fuzz_$target"
mkdir -p "build-fuzz/corpus/$target"
cp -n "fuzz/corpus/$target/"* "build-fuzz/corpus/$target/" 2>/dev/null || true
exec "build-fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 "build-fuzz/corpus/$target"
