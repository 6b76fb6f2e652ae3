#!/usr/bin/env bash
# Builds the libFuzzer targets with clang; run one with, for example:
#   build-fuzz/http_request_fuzz -max_total_time=300 CORPUS_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$root/build-fuzz}
mkdir -p "$out"
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -I"$root/src")
clang++-14 "${flags[@]}" "$root/tests/fuzz/json_reader_fuzz.cpp" "$root"/src/json/*.cpp "$root"/src/base/*.cpp "$root"/src/platform/*.cpp \
  -o "$out/json_reader_fuzz"
clang++-14 "${flags[@]}" "$root/tests/fuzz/http_request_fuzz.cpp" "$root"/src/http/*.cpp "$root"/src/base/*.cpp \
  "$root"/src/platform/*.cpp -o "$out/http_request_fuzz"
clang++-14 "${flags[@]}" "$root/tests/fuzz/template_fuzz.cpp" "$root"/src/web/TPageProducer.cpp "$root"/src/web/TWebRequest.cpp \
  "$root"/src/http/*.cpp "$root"/src/base/*.cpp "$root"/src/platform/*.cpp -o "$out/template_fuzz"
echo "$out/json_reader_fuzz $out/http_request_fuzz $out/template_fuzz"
