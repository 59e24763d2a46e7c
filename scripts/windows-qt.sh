# Qt for Windows, built from Debian's own qt6-base source with MinGW-w64; sourced by
# scripts/windows-build.sh. The version is the host Qt's, so the host tools (moc, rcc, uic) match.
# Shared libraries (the DLLs ship beside the program and can be replaced), with the MinGW runtime
# linked statically into each of them, and only the modules the program uses.
#
# rds_windows_qt OUT: builds into OUT/qt-<version> unless it is there; prints the prefix last.
# A build goes into a temporary folder that is renamed only once installed, so a half-built Qt is
# never reused.

rds_windows_qt_version() {
  dpkg-query -W -f='${Version}' qt6-base-dev | sed 's/+.*//; s/-.*//; s/^[0-9]*://'
}

# A private apt configuration with deb-src entries for the suites of the machine's own Debian
# entries: the system's configuration is read, never changed.
rds_windows_qt_sources() {
  local state=$1
  local list=$state/sources.list
  mkdir -p "$state/lists/partial" "$state/cache/archives/partial"
  : >"$list"
  local f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    sed -n 's/^[[:space:]]*deb[[:space:]]\+/deb-src /p' "$f" | grep -i debian >>"$list" || true
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    # deb822 stanzas: one deb-src line per suite of every stanza that points at Debian.
    awk '
      function flush() {
        if (uris ~ /debian/ && types ~ /deb/) {
          n = split(suites, s, " ")
          for (i = 1; i <= n; i++) {
            opt = signed != "" ? "[signed-by=" signed "] " : ""
            print "deb-src " opt uris " " s[i] " " comps
          }
        }
        types = uris = suites = comps = signed = ""
      }
      /^[[:space:]]*$/ { flush(); next }
      /^#/ { next }
      /^Types:/ { sub(/^Types:[[:space:]]*/, ""); types = $0 }
      /^URIs:/ { sub(/^URIs:[[:space:]]*/, ""); uris = $0 }
      /^Suites:/ { sub(/^Suites:[[:space:]]*/, ""); suites = $0 }
      /^Components:/ { sub(/^Components:[[:space:]]*/, ""); comps = $0 }
      /^Signed-By:/ { sub(/^Signed-By:[[:space:]]*/, ""); signed = $0 }
      END { flush() }
    ' "$f" >>"$list"
  done
  sort -u -o "$list" "$list"
  [ -s "$list" ] || { echo "no Debian entry in the apt configuration to derive deb-src from" >&2; return 1; }
}

rds_windows_qt() {
  local out=$1 version prefix
  version=$(rds_windows_qt_version)
  prefix=$out/qt-$version
  if [ -f "$prefix/lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake" ]; then
    echo "$prefix"
    return 0
  fi
  local work=$out/qt-work state=$out/qt-work/apt
  mkdir -p "$work"
  echo "== Qt $version for Windows: source" >&2
  if [ ! -d "$work/src" ]; then
    rds_windows_qt_sources "$state" || return 1
    local apt_opts=(-o "Dir::Etc::sourcelist=$state/sources.list" -o "Dir::Etc::sourceparts=-"
                    -o "Dir::State=$state" -o "Dir::State::status=/var/lib/dpkg/status"
                    -o "Dir::Cache=$state/cache" -o "APT::Get::List-Cleanup=0")
    apt-get "${apt_opts[@]}" update -qq >&2 || { echo "apt update of the source entries failed" >&2; return 1; }
    rm -rf "$work/fetch" && mkdir -p "$work/fetch"
    (cd "$work/fetch" && apt-get "${apt_opts[@]}" source --only-source -qq "qt6-base=$(
      dpkg-query -W -f='${Version}' qt6-base-dev)" >&2) ||
      { echo "apt-get source qt6-base failed" >&2; return 1; }
    local tree
    tree=$(find "$work/fetch" -maxdepth 1 -mindepth 1 -type d -name 'qt6-base*' | head -1)
    [ -n "$tree" ] || { echo "the qt6-base source did not unpack" >&2; return 1; }
    mv "$tree" "$work/src"
  fi

  echo "== Qt $version for Windows: configure" >&2
  local build=$work/build staging=$work/install
  rm -rf "$staging"
  if [ ! -f "$build/build.ninja" ]; then
    rm -rf "$build"
    cmake -S "$work/src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
      -DCMAKE_INSTALL_PREFIX="$staging" \
      -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
      -DBUILD_SHARED_LIBS=ON \
      -DCMAKE_SHARED_LINKER_FLAGS=-static -DCMAKE_MODULE_LINKER_FLAGS=-static \
      -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
      -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF -DFEATURE_testlib=OFF \
      -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
      -DFEATURE_tabletevent=OFF -DFEATURE_openssl=OFF -DFEATURE_sql_sqlite=OFF \
      -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF \
      -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
      -DFEATURE_system_doubleconversion=OFF -DFEATURE_zstd=OFF -DFEATURE_icu=OFF \
      -DFEATURE_glib=OFF -DFEATURE_fontconfig=OFF >"$work/configure.log" 2>&1 ||
      { echo "Qt configure failed: see $work/configure.log" >&2; rm -rf "$build"; return 1; }
  fi
  echo "== Qt $version for Windows: build (long the first time)" >&2
  local start=$SECONDS
  cmake --build "$build" -j "$(nproc)" >"$work/build.log" 2>&1 ||
    { echo "Qt build failed: see $work/build.log" >&2; return 1; }
  cmake --install "$build" >"$work/install.log" 2>&1 ||
    { echo "Qt install failed: see $work/install.log" >&2; return 1; }
  echo "Qt for Windows built in $((SECONDS - start)) s" >&2
  echo "$((SECONDS - start))" >"$staging/build-seconds"
  rm -rf "$prefix"
  mv "$staging" "$prefix"
  echo "$prefix"
}

# rds_windows_httplib OUT: the folder holding cpp-httplib's single header from Debian's own source
# of the installed version (Debian's package splits it into a header and a Linux library, the
# Windows build uses the header alone); prints the folder.
rds_windows_httplib() {
  local out=$1 version folder
  version=$(dpkg-query -W -f='${Version}' libcpp-httplib-dev)
  folder=$out/httplib-$version
  if [ ! -f "$folder/httplib.h" ]; then
    local state=$out/httplib-work/apt
    rm -rf "$out/httplib-work" && mkdir -p "$out/httplib-work/fetch"
    rds_windows_qt_sources "$state" || return 1
    local apt_opts=(-o "Dir::Etc::sourcelist=$state/sources.list" -o "Dir::Etc::sourceparts=-"
                    -o "Dir::State=$state" -o "Dir::State::status=/var/lib/dpkg/status"
                    -o "Dir::Cache=$state/cache" -o "APT::Get::List-Cleanup=0")
    apt-get "${apt_opts[@]}" update -qq >&2 || return 1
    (cd "$out/httplib-work/fetch" &&
      apt-get "${apt_opts[@]}" source --only-source -qq "cpp-httplib=$version" >&2) || return 1
    local header
    header=$(find "$out/httplib-work/fetch" -maxdepth 2 -name httplib.h | head -1)
    [ -n "$header" ] || { echo "no httplib.h in the cpp-httplib source" >&2; return 1; }
    mkdir -p "$folder" && cp "$header" "$folder/httplib.h"
    rm -rf "$out/httplib-work"
  fi
  echo "$folder"
}
