#!/usr/bin/env bash
# The checks of .clang-tidy over the sources under src/, from the compile commands that CMake
# exported into the build folder (default build/); the second argument is the number of jobs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
jobs=${2:-$(nproc)}
[ -f "$build/compile_commands.json" ] || { echo "check-tidy: no $build/compile_commands.json" >&2; exit 1; }
runner=$(command -v run-clang-tidy-14 || command -v run-clang-tidy) || {
  echo "check-tidy: run-clang-tidy not found (Debian package clang-tidy)" >&2
  exit 1
}
tidy=$(command -v clang-tidy-14 || command -v clang-tidy)
# The compile commands are g++'s: clang knows some of its warning options by other names. g++
# already reports char subscripts that can be negative; clang flags character constants too.
"$runner" -clang-tidy-binary "$tidy" -p "$build" -j "$jobs" -quiet \
  -extra-arg=-Wno-unknown-warning-option -extra-arg=-Wno-char-subscripts \
  "^$root/src/" >"$build/clang-tidy.log" 2>&1 || {
  sed 's/\x1b\[[0-9;]*m//g' "$build/clang-tidy.log" | grep -E "^$root/.*(warning|error):" | sort -u
  echo "check-tidy: findings above (whole output in $build/clang-tidy.log)" >&2
  exit 1
}
echo "check-tidy: src/ clean"
