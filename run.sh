#!/usr/bin/env bash
# Builds the control panel and starts it. Installs the Debian packages it needs when missing.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh

rds_ensure_packages "${RDS_BUILD_PACKAGES[@]}"
rds_build build/run RelWithDebInfo -DRDS_TESTS=OFF -DRDS_BENCH=OFF

if [ ! -x build/run/app/rdspanel ]; then
  echo "Built the libraries and tools; the control panel program is not part of this build yet."
  exit 0
fi
exec build/run/app/rdspanel "$@"
