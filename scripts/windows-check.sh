#!/usr/bin/env bash
# The Windows check: cross-builds everything below the window layer (the core library, the
# decoder library and their tests) with MinGW-w64 and runs the tests under Wine, with Wine's COM1
# behind a pseudo-terminal whose other end a small Linux helper holds. Installs the Debian
# packages it needs when they are missing. Everything lands in build/windows/.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
source scripts/windows-qt.sh

rds_ensure_packages cmake ninja-build g++ g++-mingw-w64-x86-64-posix googletest wine64 \
  libcpp-httplib-dev dpkg-dev

out=$PWD/build/windows
toolchain=$PWD/cmake/mingw-w64.cmake
mkdir -p "$out"

# GoogleTest for the target, from Debian's sources.
if [ ! -f "$out/gtest/lib/cmake/GTest/GTestConfig.cmake" ]; then
  echo "== GoogleTest for Windows"
  cmake -S /usr/src/googletest -B "$out/gtest-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$out/gtest" >/dev/null
  cmake --build "$out/gtest-build" -j "$(nproc)" >/dev/null
  cmake --install "$out/gtest-build" >/dev/null
fi

programs=(test_runtime test_platform test_elements test_dyntext test_tools test_remote test_windows)
echo "== Cross build"
# The web console's server builds from cpp-httplib's single header.
httplib=$(rds_windows_httplib "$out")
if [ ! -f "$out/main/build.ninja" ]; then
  cmake -S . -B "$out/main" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRDS_BENCH=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_PREFIX_PATH="$out/gtest" >/dev/null
fi
cmake -S . -B "$out/main" -DRDS_HTTPLIB_INCLUDE="$httplib" >/dev/null
cmake --build "$out/main" -j "$(nproc)" --target rdscore rdstext rdstools rdsremote rdsweb rds-uecp-send "${programs[@]}"

# The Linux end of COM1, built for this machine.
peer=$out/com-peer
if [ ! -x "$peer" ] || [ tests/windows/peer/com_peer.cpp -nt "$peer" ] ||
   [ platform/serial_pty.cpp -nt "$peer" ]; then
  g++ -std=c++20 -O1 -Wall -Wextra -Wpedantic -Werror -I. tests/windows/peer/com_peer.cpp \
    platform/serial_pty.cpp -o "$peer"
fi

# A private Wine, without a display and without the .NET and browser installers.
export WINEPREFIX=$out/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
peer_folder=$out/com1
mkdir -p "$peer_folder"
rm -f "$peer_folder"/request* "$peer_folder"/answer*
if [ ! -d "$WINEPREFIX/dosdevices" ]; then
  echo "== Wine prefix"
  "$wine" wineboot -i >/dev/null 2>&1
fi
# Wine's mount manager links COM1 to /dev/ttyS0 whenever it starts, unless the registry names
# another device: it is pointed at a link the helper re-points to each new pseudo-terminal.
"$wine" reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$peer_folder/com1" /f >/dev/null 2>&1
"$wineserver" -k >/dev/null 2>&1 || true
"$wineserver" -w
# One server for all the test programs; it reports its objects on the way out, to a log.
"$wineserver" -p60 >"$out/wineserver.log" 2>&1
ln -sfn "$peer_folder/com1" "$WINEPREFIX/dosdevices/com1"

"$peer" "$peer_folder" "$peer_folder/com1" &
peer_pid=$!
finish() {
  kill "$peer_pid" 2>/dev/null || true
  "$wineserver" -k >/dev/null 2>&1 || true
}
trap finish EXIT

echo "== Tests under Wine"
passed=0
failed=0
for program in "${programs[@]}"; do
  log=$out/$program.log
  status=0
  RDS_COM_PEER=$peer_folder timeout 900 "$wine" "$out/main/tests/$program.exe" --gtest_brief=1 \
    >"$log" 2>&1 || status=$?
  n=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\{0,1\}\..*/\1/p' "$log" | tail -1)
  f=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\{0,1\}, listed below.*/\1/p' "$log" | tail -1)
  passed=$((passed + ${n:-0}))
  if [ "$status" -ne 0 ]; then
    failed=$((failed + ${f:-1}))
    echo "$program: FAILED (exit $status)"
    cat "$log"
  else
    echo "$program: ${n:-0} passed"
  fi
done
echo "== Windows check: $passed tests passed under Wine, $failed failed"
[ "$failed" -eq 0 ]
