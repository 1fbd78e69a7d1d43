#!/usr/bin/env bash
# A 30-minute soak under mixed load (see bench/README.md); not part of `make bench`, which
# runs every bench/*/run.sh: run it on its own. Options are passed on to soak.py.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash bench/install-deps.sh
exec python3 bench/soak/soak.py "$@"
