#!/usr/bin/env bash
# Start-up time of the control panel against an empty Qt Widgets window of the same size: each is
# timed from its launch to its first mapped window on a private Xvfb display, the two alternating.
#
#   bench/startup.sh [RUNS]      (default 20 runs of each)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh

rds_ensure_packages "${RDS_BUILD_PACKAGES[@]}" xvfb libxcb1-dev
rds_build build/bench Release -DRDS_TESTS=OFF

runs=${1:-20}
work=$(mktemp -d)
mkdir -p "$work/ports"  # no COM ports: the panel starts as on a machine without an encoder
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.05
done
display=":$(head -n1 "$work/display")"

DISPLAY=$display QT_QPA_PLATFORM=xcb build/bench/bench/rds_map_timer "$runs" \
  -- build/bench/bench/rds_empty_window \
  -- build/bench/app/rdspanel --config-dir "$work"
