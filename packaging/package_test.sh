#!/usr/bin/env bash
# Builds the Debian package from a build folder, unpacks it into a scratch root and checks what
# a station's machine would get: the files, the dependencies, the desktop entry and metainfo (with
# Debian's validators where installed), the man pages, the copyright and changelog, the package as
# a whole (lintian, where installed), and the installed program keeping rds.ini in the user's
# configuration folder.
#
# What is packaged is an optimised build hardened with Debian's flags (see the top CMakeLists.txt);
# a sanitized or Debug build is not, so the test makes its own Release build when asked to.
#
#   packaging/package_test.sh BUILD_DIR           package an existing Release build
#   packaging/package_test.sh --build BUILD_DIR   configure and build it from this source first
set -euo pipefail
if [ "${1:-}" = "--build" ]; then
  source "$(dirname "$0")/../scripts/setup.sh"
  (cd "$(dirname "$0")/.." &&
    rds_build "$2" Release -DRDS_TESTS=OFF -DRDS_BENCH=OFF -DRDS_SANITIZE=OFF >/dev/null) ||
    { echo "FAIL: the Release build failed" >&2; exit 1; }
  shift
fi
build=$(cd "$1" && pwd)
grep -q '^CMAKE_BUILD_TYPE:STRING=Release$' "$build/CMakeCache.txt" &&
  ! grep -q '^RDS_SANITIZE:BOOL=ON$' "$build/CMakeCache.txt" ||
  { echo "FAIL: $build is not an unsanitized Release build" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

(cd "$build" && cpack -G DEB -B "$scratch/pkg" >/dev/null)
debs=("$scratch"/pkg/rdspanel_*.deb)
[ -f "${debs[0]}" ] || fail "cpack made no package"
deb=${debs[0]}
root=$scratch/root
dpkg-deb -x "$deb" "$root"

for f in usr/bin/rdspanel usr/bin/rds-virtual-encoder usr/bin/rds-uecp-send \
  usr/share/applications/rdspanel.desktop usr/lib/systemd/user/rdspanel@.service \
  usr/share/man/man1/rdspanel.1.gz usr/share/man/man1/rds-virtual-encoder.1.gz \
  usr/share/man/man1/rds-uecp-send.1.gz usr/share/icons/hicolor/scalable/apps/rdspanel.svg; do
  [ -f "$root/$f" ] || fail "missing /$f"
done
[ -x "$root/usr/bin/rdspanel" ] && [ -x "$root/usr/bin/rds-virtual-encoder" ] ||
  fail "the programs are not executable"
metainfo=("$root"/usr/share/metainfo/*.metainfo.xml)
[ -f "${metainfo[0]}" ] || fail "missing metainfo"
grep -q '<screenshot' "${metainfo[0]}" || fail "the metainfo names no screenshot"
grep -q '<launchable type="desktop-id">rdspanel.desktop</launchable>' "${metainfo[0]}" ||
  fail "the metainfo does not launch the desktop entry"

# Each hicolor size holds a PNG of that size (width and height are bytes 16..23 of the file).
for size in 16 24 32 48 64 128 256; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/rdspanel.png
  [ -f "$png" ] || fail "missing ${size}x$size icon"
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4, $7*256+$8}')
  [ "$dims" = "$size $size" ] || fail "the ${size}x$size icon is $dims"
done

grep -q "^ExecStart=/usr/bin/rdspanel --headless --config-dir " \
  "$root/usr/lib/systemd/user/rdspanel@.service" || fail "the unit does not start /usr/bin/rdspanel"
# A settings folder that cannot be used ends the program with 2: no restarts in a loop.
grep -q "^RestartPreventExitStatus=2$" "$root/usr/lib/systemd/user/rdspanel@.service" ||
  fail "the unit restarts a program that cannot start"
# The program tells when it is ready and pings the watchdog; a hung one is restarted.
for line in Type=notify NotifyAccess=main "WatchdogSec=[1-9][0-9]*" Restart=on-failure; do
  grep -qx "$line" "$root/usr/lib/systemd/user/rdspanel@.service" || fail "the unit lacks $line"
done
if command -v systemd-analyze >/dev/null; then
  # A template is checked through an instance; the program is not installed on this machine.
  cp "$root/usr/lib/systemd/user/rdspanel@.service" "$scratch/rdspanel@check.service"
  problems=$(systemd-analyze verify --man=no "$scratch/rdspanel@check.service" 2>&1 |
    grep -v "Command /usr/bin/rdspanel is not executable" || true)
  [ -z "$problems" ] || fail "the unit: $problems"
fi

# Every Qt and systemd library the program needs comes from a package the .deb depends on, and
# so do fonts.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in $(readelf -d "$root/usr/bin/rdspanel" |
  sed -n 's/.*Shared library: \[\(lib\(Qt6\|systemd\)[^]]*\)\].*/\1/p'); do
  owner=$(dpkg -S "/usr/lib/*/$lib" 2>/dev/null | head -1 | cut -d: -f1)
  [ -n "$owner" ] || fail "no Debian package holds $lib"
  [[ ", $depends," == *", $owner "* || ", $depends," == *", $owner,"* ]] ||
    fail "$lib comes from $owner, which the package does not depend on ($depends)"
done
for font in fonts-dejavu-core fonts-dseg; do
  [[ "$depends" == *"$font"* ]] || fail "no dependency on $font"
done

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/rdspanel.desktop"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net --pedantic "${metainfo[0]}" >/dev/null ||
    appstreamcli validate --no-net "${metainfo[0]}"
fi
for page in rdspanel rds-virtual-encoder rds-uecp-send; do
  gzip -t "$root/usr/share/man/man1/$page.1.gz"
  if command -v groff >/dev/null; then
    warnings=$(zcat "$root/usr/share/man/man1/$page.1.gz" | groff -man -ww -z -Tutf8 2>&1)
    [ -z "$warnings" ] || fail "man page $page: $warnings"
  fi
done

# Debian's copyright and changelog; the changelog's newest entry is this version.
doc=$root/usr/share/doc/rdspanel
[ -f "$doc/copyright" ] || fail "missing /usr/share/doc/rdspanel/copyright"
head -1 "$doc/copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' ||
  fail "the copyright file is not machine-readable"
[ -f "$doc/changelog.gz" ] || fail "missing /usr/share/doc/rdspanel/changelog.gz"
first=$(zcat "$doc/changelog.gz" | head -1) || fail "changelog.gz does not decompress"
version=$(dpkg-deb -f "$deb" Version)
[[ "$first" == "rdspanel ($version) "* ]] ||
  fail "the changelog starts with '$first', not with rdspanel ($version)"
# The programs are hardened: read-only relocations bound at start, position-independent.
for program in rdspanel rds-virtual-encoder; do
  headers=$(readelf -W -l -d "$root/usr/bin/$program")
  grep -q GNU_RELRO <<<"$headers" || fail "$program has no read-only relocations"
  grep -Eq '\(FLAGS_1\).*NOW|\(BIND_NOW\)' <<<"$headers" || fail "$program is not bound at start"
  grep -q 'Elf file type is DYN' <<<"$headers" || fail "$program is not position-independent"
done
if command -v lintian >/dev/null; then
  # Any error or warning fails the test, and so does any hardening tag, whatever its level. As
  # root lintian only adds a complaint about that.
  code=0
  findings=$(lintian --display-info --fail-on error,warning "$deb" 2>&1) || code=$?
  findings=$(grep -v "running with root privileges" <<<"$findings" || true)
  [ -z "$findings" ] || echo "$findings" >&2
  [ "$code" -eq 0 ] || fail "lintian found errors or warnings in the package"
  ! grep -q "hardening-" <<<"$findings" || fail "lintian found the programs not hardened"
fi

# The installed program, started by a user, keeps rds.ini in that user's configuration folder.
home=$scratch/home
mkdir -p "$home/runtime"
chmod 700 "$home/runtime"
HOME=$home XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/runtime QT_QPA_PLATFORM=offscreen \
  "$root/usr/bin/rdspanel" --headless 2>"$scratch/log" &
pid=$!
for _ in $(seq 100); do
  grep -q "settings folder" "$scratch/log" && break
  sleep 0.1
done
if ! grep -q "settings folder $home/config/rdspanel/\?\$" "$scratch/log"; then
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null || true
  cat "$scratch/log" >&2
  fail "the settings folder is not the user's"
fi
kill -TERM "$pid"
code=0
wait "$pid" || code=$?
[ "$code" -eq 0 ] || { cat "$scratch/log" >&2; fail "SIGTERM ended the program with $code"; }
[ -f "$home/config/rdspanel/rds.ini" ] || fail "no rds.ini in the user's folder"
[ -z "$(find "$root/usr" -name 'rds.ini')" ] || fail "rds.ini was written among the programs"
echo "package ok: $(basename "$deb"), $(dpkg-deb -c "$deb" | grep -vc '/$') files"
