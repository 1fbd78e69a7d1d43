#!/usr/bin/env bash
# Time from a configuration task call to the task's end (see bench/README.md).
# Options are passed on to config_tasks.py (--help lists them).
set -euo pipefail
cd "$(dirname "$0")/../.."
bash bench/install-deps.sh
exec python3 bench/config_tasks/config_tasks.py "$@"
