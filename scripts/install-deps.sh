#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing hostprefd need.
# Only missing packages are installed; a machine that has them all is left untouched.
# With package names as arguments, installs those instead (bench/install-deps.sh does).
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libboost-dev libboost-system-dev libboost-filesystem-dev libboost-iostreams-dev
  zlib1g-dev rapidjson-dev libsqlite3-dev sqlite3 libssl-dev libpam0g-dev
  libgtest-dev libgmock-dev
  clang-14 libclang-rt-14-dev
  libpam-wrapper curl python3 python3-jsonrpclib-pelix
  libcli11-dev libsystemd-dev systemd man-db
)
[ $# -eq 0 ] || packages=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
