#!/usr/bin/env bash
# Builds everything with AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer and runs
# every test. Installs the Debian packages it needs when they are missing.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh

# The package test validates the desktop entry, the metainfo and the package itself with
# Debian's own tools; clang-tidy is the lint; ser2net is the device server the network COM ports
# are tried against; promtool (prometheus) checks the web console's metrics; Chromium with its
# driver and Selenium operate the web console as a browser does.
rds_ensure_packages "${RDS_BUILD_PACKAGES[@]}" desktop-file-utils appstream lintian clang-tidy \
  ser2net prometheus chromium chromium-driver python3-selenium

rds_build build/test Debug -DRDS_SANITIZE=ON
# The lint reads the build's compile commands; RDS_LINT=0 skips it. Its findings fail the run
# once the tests have run too.
lint=0
if [ "${RDS_LINT:-1}" = 1 ]; then
  scripts/lint.sh build/test || lint=$?
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0
export QT_QPA_PLATFORM=offscreen
if [ "${RDS_WINDOWS:-0}" = 1 ]; then
  scripts/windows-check.sh
fi
# The whole program for Windows, its packages and the operator test under Wine: long the first
# time, when Qt for Windows is built.
if [ "${RDS_WINDOWS_GUI:-0}" = 1 ]; then
  scripts/windows-build.sh
fi
cd build/test
ctest --output-on-failure -j "$(nproc)" "$@"
exit "$lint"
