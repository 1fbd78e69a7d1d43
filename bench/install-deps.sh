#!/usr/bin/env bash
# Installs the Debian 12 packages that only the benchmarks need (load generator, the
# reference HTTP server, python3 for the helpers). Kept apart from the build's own list
# so the test machines never pull them in. Only missing packages are installed.
set -euo pipefail
exec bash "$(dirname "$0")/../scripts/install-deps.sh" wrk nginx python3 sqlite3
