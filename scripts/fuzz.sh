#!/usr/bin/env bash
# Runs every fuzz target under libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer for
# [seconds] each (default 60), on a scratch copy of its seed corpus, and prints the executions
# per target. Usage: scripts/fuzz.sh [seconds] [target...]
# A finding stops nothing: the remaining targets still run; the input is kept in the target's
# run folder and the script fails at the end. To keep an interesting input as a seed, copy it to
# fuzz/corpus/<target>/ (the normal test run replays every seed).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh

seconds=${1:-60}
shift || true
if ! [[ $seconds =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
  echo "usage: scripts/fuzz.sh [seconds] [target...]" >&2
  exit 2
fi

rds_ensure_packages "${RDS_BUILD_PACKAGES[@]}" clang
# libFuzzer and the sanitizer runtimes must match the clang that builds.
clang_major=$(clang++ -dumpversion | cut -d. -f1)
rds_ensure_packages "libclang-rt-${clang_major}-dev" "libfuzzer-${clang_major}-dev"

build=build/fuzz
if [ ! -f "$build/build.ninja" ]; then
  CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS="-O1 -fsanitize=fuzzer-no-link" -DRDS_SANITIZE=ON -DRDS_FUZZ=ON \
    -DRDS_TESTS=OFF -DRDS_BENCH=OFF
fi

all_targets=(ini_file codepage now_playing template_expansion encoder_decoder dynamic_lines)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all_targets[@]}")
build_targets=()
for t in "${targets[@]}"; do build_targets+=("fuzz_$t"); done
cmake --build "$build" -j2 --target "${build_targets[@]}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0
export QT_QPA_PLATFORM=offscreen

declare -A executions results
failed=0
for t in "${targets[@]}"; do
  run=$build/runs/$t
  rm -rf "$run/corpus"
  # libFuzzer ends without running destructors: scratch files stay in the run folder.
  export TMPDIR=$PWD/$run/tmp
  mkdir -p "$run/corpus" "$run/findings" "$TMPDIR"
  cp fuzz/corpus/"$t"/* "$run/corpus/"
  dict=()
  [ -f "fuzz/$t.dict" ] && dict=(-dict="fuzz/$t.dict")
  echo "== $t: ${seconds} s"
  status=0
  "$build/fuzz/fuzz_$t" "$run/corpus" "${dict[@]}" -max_total_time="$seconds" -max_len=4096 \
    -rss_limit_mb=4096 -timeout=10 -print_final_stats=1 -artifact_prefix="$run/findings/" \
    >"$run/log" 2>&1 || status=$?
  executions[$t]=$(sed -n 's/^stat::number_of_executed_units: *//p' "$run/log" | tail -1)
  if [ "$status" -eq 0 ]; then
    results[$t]=ok
  else
    results[$t]="FOUND (exit $status): $(ls "$run/findings" | head -1), log $run/log"
    grep -m1 -E "PROPERTY FAILED|ERROR: |runtime error" "$run/log" || true
    failed=1
  fi
done

echo
printf '%-20s %14s  %s\n' target executions result
for t in "${targets[@]}"; do
  printf '%-20s %14s  %s\n' "$t" "${executions[$t]:-?}" "${results[$t]}"
done
exit "$failed"
