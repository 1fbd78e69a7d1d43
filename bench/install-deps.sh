#!/usr/bin/env bash
# Installs the Debian 12 packages that only the benchmarks need (load generator, the
# reference HTTP server, python3 for the helpers). Kept apart from scripts/install-deps.sh
# so the test machines never pull them in. Only missing packages are installed.
set -euo pipefail

packages=(wrk nginx python3 sqlite3)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "installing (benchmarks only): ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
