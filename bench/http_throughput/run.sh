#!/usr/bin/env bash
# Throughput and memory of hostprefd beside a one-worker nginx (see bench/README.md).
# Options are passed on to throughput.py (--help lists them).
set -euo pipefail
cd "$(dirname "$0")/../.."
bash bench/install-deps.sh
exec python3 bench/http_throughput/throughput.py "$@"
