#!/usr/bin/env bash
# Runs clang-tidy with the project's .clang-tidy over the program's own sources and fails on any
# finding. Uses the compile commands of a configured build folder (default build/test, the one
# ./test.sh builds): scripts/lint.sh [BUILD_DIR] [FILE_REGEX]
#
# The tests are left out: they would double the time, and what the checks look for matters
# in the code that ships. RDS_LINT_JOBS sets how many files are checked at once (default: the
# number of processors).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/test}
only=${2:-}
jobs=${RDS_LINT_JOBS:-$(nproc)}
folders='(runtime|platform|protocol|elements|ui|encoder|dyntext|app|remote|tools|fuzz)'

if [ ! -f "$build/compile_commands.json" ]; then
  echo "lint: $build/compile_commands.json is missing; configure that build folder first" >&2
  exit 1
fi

# Each source once (the fuzz targets share their replay main), from the project's own folders:
# nothing the build generates, no test.
mapfile -t files < <(
  grep -o '"file": *"[^"]*"' "$build/compile_commands.json" | sed 's/^"file": *"//; s/"$//' |
    grep -E "^$PWD/$folders/[^/]+\.cpp$" |
    grep -E "${only:-.}" | sort -u)
if [ "${#files[@]}" -eq 0 ]; then
  echo "lint: no sources to check in $build" >&2
  exit 1
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
start=$SECONDS
# One clang-tidy per file, its findings kept apart so that two running at once never mix lines.
# The compile commands come from g++; clang knows some of its warning options under other names.
status=0
printf '%s\0' "${files[@]}" | xargs -0 -P "$jobs" -I{} sh -c '
  log="$2/$(printf %s "$1" | tr / _).log"
  clang-tidy -p "$0" --quiet --extra-arg=-Wno-unknown-warning-option "--header-filter=$3" "$1" \
    >"$log" 2>&1 ||
    echo "$1" >>"$2/failed"' "$build" {} "$out" "^$PWD/$folders/[^/]+\.h$" || status=$?

for log in "$out"/*.log; do
  # A file without findings leaves at most the count of the warnings it suppressed.
  grep -qvE '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' "$log" && cat "$log"
done
if [ -f "$out/failed" ] || [ "$status" -ne 0 ]; then
  echo "lint: findings in $(sort -u "$out/failed" 2>/dev/null | wc -l) of ${#files[@]} files ($((SECONDS - start)) s)" >&2
  exit 1
fi
echo "lint: ${#files[@]} files clean ($((SECONDS - start)) s)"
