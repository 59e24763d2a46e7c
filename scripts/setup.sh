# Shared by ./run.sh and ./test.sh: installs the Debian packages the build needs when they are
# missing, and configures and builds one build folder.

# Packages every build needs (libsystemd-dev: the service's ready, status and watchdog messages).
RDS_BUILD_PACKAGES=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
                    qt6-base-dev libsystemd-dev fonts-dejavu-core fonts-dseg
                    libcpp-httplib-dev)

rds_missing_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  echo "${missing[@]}"
}

# rds_ensure_packages PKG...: installs what is missing (as root), else names the command to run.
rds_ensure_packages() {
  local missing
  missing=$(rds_missing_packages "$@")
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: $missing"
    apt-get update -qq || return 1
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing \
      >/dev/null || return 1
  else
    echo "These Debian packages are missing. Install them with:"
    echo "  sudo apt-get install -y $missing"
    return 1
  fi
}

# rds_build DIR BUILD_TYPE [cmake options...]: configures once, then builds.
rds_build() {
  local dir=$1 type=$2
  shift 2
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@" || return 1
  fi
  cmake --build "$dir" -j "$(nproc)"
}
