#!/usr/bin/env bash
# Every tracked C++ file is laid out by the repository's .clang-format; the client libraries under
# www/ and the golden files under tests/fixtures/ keep their own layout, as the .clang-format
# files of those folders say.
set -euo pipefail
cd "$(dirname "$0")/.."
format=${CLANG_FORMAT:-clang-format}
mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
if [ ${#files[@]} -eq 0 ]; then
  echo "check-format: no C++ files found" >&2
  exit 1
fi
if ! "$format" --dry-run --Werror "${files[@]}"; then
  echo "check-format: run '$format -i' on the files above" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files formatted"
