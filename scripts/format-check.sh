#!/usr/bin/env bash
# Checks that C++ sources and headers are laid out as .clang-format says (clang-format 14). Lists
# the files that are not and exits 1; exits 0 when every file is; 2 when clang-format 14 is missing.
#   usage: scripts/format-check.sh [FILE...]
# Without arguments it checks every tracked *.cpp and *.h (the fuzz seed corpora and the test data
# aside). Fix a listed file with `clang-format -i FILE`.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
files=()
for file in "$@"; do files+=("$(realpath -m --relative-to="$top" -- "$file")"); done  # named from the caller's folder
cd "$top"

formatter=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$formatter" ]; then
  echo "format-check: clang-format is not installed (Debian: clang-format)" >&2
  exit 2
fi
# Another major version lays some constructs out differently, so only 14 can judge.
major=$("$formatter" --version | sed -n 's/.*version \([0-9][0-9]*\)\..*/\1/p')
if [ "$major" != 14 ]; then
  echo "format-check: $formatter is version ${major:-unknown}; the layout is defined by clang-format 14" >&2
  exit 2
fi
[ -f .clang-format ] || { echo "format-check: no .clang-format at the top of the tree" >&2; exit 2; }

if [ ${#files[@]} -eq 0 ]; then
  mapfile -t files < <(git ls-files -- '*.cpp' '*.h' ':(exclude)fuzz/corpus/**' ':(exclude)tests/data/**')
fi

unformatted=()
for file in "${files[@]}"; do
  if ! "$formatter" --style=file --dry-run -Werror "$file" > /dev/null 2>&1; then
    unformatted+=("$file")
  fi
done

if [ ${#unformatted[@]} -gt 0 ]; then
  echo "format-check: ${#unformatted[@]} of ${#files[@]} files are not formatted (clang-format -i FILE):" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi
echo "format-check: ${#files[@]} files formatted"
