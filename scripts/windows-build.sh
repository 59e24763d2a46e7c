#!/usr/bin/env bash
# The whole program for Windows, built on Debian: Qt for Windows from Debian's own source (once),
# rdspanel.exe cross-built with MinGW-w64 and laid out with the Qt DLLs, plugins and fonts it
# loads, a portable zip and an installer, then an operator's test of both under Wine on a private
# X display. Also run by RDS_WINDOWS_GUI=1 ./test.sh. Everything lands in build/windows/.
#
#   scripts/windows-build.sh             build, package and test
#   scripts/windows-build.sh --no-test   build and package only
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
source scripts/windows-qt.sh

run_tests=1
[ "${1:-}" = "--no-test" ] && run_tests=0

step_name=""
step() {
  step_name=$1
  echo "== $1"
}
trap 'status=$?; [ $status -ne 0 ] && echo "windows-build: step \"$step_name\" failed (exit $status)" >&2' EXIT

step "Debian packages"
rds_ensure_packages cmake ninja-build g++ g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
  qt6-base-dev qt6-base-dev-tools libcpp-httplib-dev dpkg-dev nsis zip unzip curl wine64 xvfb xdotool imagemagick \
  fonts-dejavu-core fonts-dseg python3

out=$PWD/build/windows
version=$(sed -n 's/^project(rdspanel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
mkdir -p "$out"

step "Qt for Windows"
qt_start=$SECONDS
qt=$(rds_windows_qt "$out" | tail -1)
[ -f "$qt/lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake" ] || { echo "no Qt for Windows" >&2; exit 1; }
if [ -f "$qt/build-seconds" ]; then
  echo "Qt for Windows: $qt (its first build took $(cat "$qt/build-seconds") s)"
fi
[ $((SECONDS - qt_start)) -gt 60 ] && echo "Qt for Windows built in $((SECONDS - qt_start)) s"

step "cpp-httplib for Windows"
httplib=$(rds_windows_httplib "$out")

step "Cross build of rdspanel.exe"
build=$out/app
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRDS_HTTPLIB_INCLUDE="$httplib" \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" -DCMAKE_PREFIX_PATH="$qt" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DRDS_TESTS=OFF -DRDS_BENCH=OFF >"$out/app-configure.log" 2>&1 ||
    { cat "$out/app-configure.log" >&2; exit 1; }
fi
cmake --build "$build" -j "$(nproc)" --target rdspanel
# ASLR with high-entropy 64-bit addresses and DEP, as the link asks for them.
characteristics=$(x86_64-w64-mingw32-objdump -p "$build/app/rdspanel.exe" |
  sed -n '/^DllCharacteristics/,/^[A-Z]/p')
for flag in HIGH_ENTROPY_VA DYNAMIC_BASE NX_COMPAT; do
  grep -q "$flag" <<<"$characteristics" ||
    { echo "rdspanel.exe is not marked $flag:" >&2; echo "$characteristics" >&2; exit 1; }
done

step "Program folder"
dist=$out/dist
folder=$dist/rdspanel-$version
rm -rf "$folder"
mkdir -p "$folder/platforms" "$folder/styles" "$folder/fonts" "$folder/licences"
x86_64-w64-mingw32-strip -o "$folder/rdspanel.exe" "$build/app/rdspanel.exe"
cp "$qt/plugins/platforms/qwindows.dll" "$folder/platforms/"
# --headless runs on the offscreen platform: a service has no desktop to draw on.
cp "$qt/plugins/platforms/qoffscreen.dll" "$folder/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$folder/styles/"
# The Qt DLLs the program and its plugins import, and nothing else. The MinGW runtime is linked
# into every binary; a DLL that imports it would not start on a bare Windows.
imports() { x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\tDLL Name: //p'; }
pending=("$folder/rdspanel.exe" "$folder"/platforms/*.dll "$folder/styles/qwindowsvistastyle.dll")
while [ ${#pending[@]} -gt 0 ]; do
  binary=${pending[0]}
  pending=("${pending[@]:1}")
  for dll in $(imports "$binary"); do
    case "$dll" in
      Qt6*.dll)
        if [ ! -f "$folder/$dll" ]; then
          x86_64-w64-mingw32-strip -o "$folder/$dll" "$qt/bin/$dll"
          pending+=("$folder/$dll")
        fi ;;
      libstdc++*|libgcc*|libwinpthread*)
        echo "$binary needs the MinGW runtime DLL $dll" >&2
        exit 1 ;;
    esac
  done
done
for plugin in "$folder"/platforms/*.dll "$folder"/styles/*.dll; do
  x86_64-w64-mingw32-strip "$plugin"
done
# Neither DejaVu nor the LCD face is on a Windows machine; the program registers these at start.
for font in /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf \
            /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf \
            /usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf \
            /usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf \
            /usr/share/fonts/truetype/dseg/DSEG14Classic-Regular.ttf \
            /usr/share/fonts/truetype/dseg/DSEG14Classic-Bold.ttf; do
  cp "$font" "$folder/fonts/"
done
cp packaging/windows/README-windows.txt "$folder/README.txt"
# Licence notices: Qt (LGPL 3; its DLLs can be replaced), the third-party code built into Qt, the
# fonts, cpp-httplib and the MinGW runtime.
qt_src=$out/qt-work/src
mkdir -p "$folder/licences/qt" "$folder/licences/qt-third-party" "$folder/licences/fonts" \
  "$folder/licences/mingw-w64"
for f in "$qt_src"/LICENSES/* "$qt_src"/LICENSE.*; do
  [ -f "$f" ] && cp "$f" "$folder/licences/qt/"
done
for dir in "$qt_src"/src/3rdparty/*/; do
  name=$(basename "$dir")
  # Only what was compiled into the DLLs shipped here.
  grep -q "3rdparty/$name/" "$out/qt-work/build.log" 2>/dev/null || continue
  mkdir -p "$folder/licences/qt-third-party/$name"
  find "$dir" -maxdepth 2 -type f \( -iname 'LICENSE*' -o -iname 'COPYING*' -o -iname 'LICENCE*' \
    -o -name 'qt_attribution.json' -o -iname 'NOTICE*' \) -exec cp {} "$folder/licences/qt-third-party/$name/" \;
done
cp /usr/share/doc/fonts-dejavu-core/copyright "$folder/licences/fonts/DejaVu.txt"
cp /usr/share/doc/fonts-dseg/copyright "$folder/licences/fonts/DSEG.txt"
# cpp-httplib (MIT) is compiled into rdspanel.exe for the web console.
cp /usr/share/doc/libcpp-httplib-dev/copyright "$folder/licences/cpp-httplib.txt"
for pkg in mingw-w64-common gcc-mingw-w64-base; do
  [ -f "/usr/share/doc/$pkg/copyright" ] && cp "/usr/share/doc/$pkg/copyright" "$folder/licences/mingw-w64/$pkg.txt"
done
du -sh "$folder" | sed 's/^/program folder: /'

step "Portable zip"
zip_file=$dist/rdspanel-$version-windows-x64.zip
rm -f "$zip_file"
(cd "$dist" && zip -qr -9 "$(basename "$zip_file")" "rdspanel-$version")
ls -l "$zip_file"

step "Installer"
setup=$dist/rdspanel-$version-setup.exe
makensis -V2 -DVERSION="$version" -DSOURCE="$folder" -DOUTFILE="$setup" \
  -DICON="$PWD/packaging/windows/rdspanel.ico" packaging/windows/installer.nsi
ls -l "$setup"

if [ "$run_tests" -eq 1 ]; then
  step "Operator test under Wine"
  scripts/windows-operator-test.sh "$folder" "$setup"
fi
step_name=""
echo "== Windows build done: $folder, $zip_file, $setup"
