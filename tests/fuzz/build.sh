#!/usr/bin/env bash
# Builds the libFuzzer targets with clang through CMake (-DQUILLARA_FUZZ=ON) into build-fuzz/
# (or the folder given); run one on a copy of its seed corpus, for example:
#   cp -r tests/fuzz/corpus/json_reader /tmp/json && build-fuzz/tests/fuzz_json_reader -max_total_time=60 /tmp/json
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$root/build-fuzz}
cxx=$(command -v clang++-14 || command -v clang++)
cmake -S "$root" -B "$out" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUILLARA_FUZZ=ON -DQUILLARA_GUI=OFF >/dev/null
targets=$(sed -n 's/.*\b\([a-z_]*\)_fuzz\.cpp$/\1/p' <(ls "$root"/tests/fuzz/*_fuzz.cpp))
cmake --build "$out" -j "${JOBS:-2}" --target $(printf 'fuzz_%s ' $targets)
for t in $targets; do echo "$out/tests/fuzz_$t"; done
