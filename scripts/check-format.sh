#!/usr/bin/env bash
# check-format.sh: every tracked C and C++ file matches the committed .clang-format. Lists
# the lines that differ and fails; `clang-format -i FILE` fixes a file.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -d '' files < <(git ls-files -z -- '*.c' '*.cc' '*.cpp' '*.h' '*.hpp')
if [ ${#files[@]} -eq 0 ]; then echo "check-format: no tracked C++ files"; exit 1; fi
if clang-format --dry-run --Werror "${files[@]}"; then
  echo "check-format: ${#files[@]} files match .clang-format"
else
  echo "check-format: files differ from .clang-format (clang-format -i FILE)"
  exit 1
fi
