#!/usr/bin/env bash
# Builds the control panel and starts it. Installs the Debian packages it needs when missing.
#
#   ./run.sh           a demo: a virtual encoder on a pseudo-terminal is COM 1, and this terminal
#                      shows every line it decodes; settings live in build/run/demo
#   ./run.sh --real    the machine's real serial ports, settings beside the program
# Other options go to the program (./run.sh --help lists them).
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh

real=0
args=()
for arg in "$@"; do
  case "$arg" in
    --real) real=1 ;;
    *) args+=("$arg") ;;
  esac
done

rds_ensure_packages "${RDS_BUILD_PACKAGES[@]}"
rds_build build/run RelWithDebInfo -DRDS_TESTS=OFF -DRDS_BENCH=OFF

panel=build/run/app/rdspanel
encoder=build/run/tools/rds-virtual-encoder

for arg in "${args[@]}"; do
  if [ "$arg" = "--help" ] || [ "$arg" = "-h" ]; then exec "$panel" --help; fi
done

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display: the control panel is a desktop window and needs a graphical session" >&2
  echo "(DISPLAY or WAYLAND_DISPLAY is not set). Start ./run.sh from the desktop, or over" >&2
  echo "ssh -X, or try it without a screen with QT_QPA_PLATFORM=offscreen ./run.sh." >&2
  exit 1
fi

if [ "$real" -eq 1 ]; then
  exec "$panel" "${args[@]}"
fi

demo=build/run/demo
mkdir -p "$demo"
"$encoder" --config-dir "$demo" --com 1 &
encoder_pid=$!
trap 'kill "$encoder_pid" 2>/dev/null || true; wait "$encoder_pid" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  [ -e "$demo/ports/com1" ] && break
  sleep 0.1
done
if [ ! -e "$demo/ports/com1" ]; then
  echo "The virtual encoder did not start." >&2
  exit 1
fi
echo "Demo: COM 1 is the virtual encoder; its decoded lines appear below. Settings: $demo/rds.ini"
# The panel preselects the port stored last, which may be another one.
stored=$(awk -F= 'tolower($0) ~ /^[ \t]*\[/ { section = tolower($0); gsub(/[ \t\r]/, "", section) }
  section == "[selectdevice]" && tolower($1) ~ /^[ \t]*com port[ \t]*$/ {
    value = substr($0, index($0, "=") + 1); gsub(/^[ \t]+|[ \t\r]+$/, "", value); print value; exit
  }' "$demo/rds.ini" 2>/dev/null || true)
if [ -n "$stored" ] && [ "$(tr -d ' ' <<<"$stored" | tr '[:lower:]' '[:upper:]')" != "COM1" ]; then
  echo "The panel preselects $stored, the port stored last: choose COM 1 to reach the virtual encoder."
fi
# The web console on this computer only; RDS_WEB_PORT picks the port (8080 by default).
web="127.0.0.1:${RDS_WEB_PORT:-8080}"
echo "Web console: http://$web/ (status: curl http://$web/api/v1/status)"
"$panel" --config-dir "$demo" --web "$web" "${args[@]}"
