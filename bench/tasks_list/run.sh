#!/usr/bin/env bash
# Time of the tasks.list call with 1,000 and 10,000 task records (see bench/README.md).
# Options are passed on to tasks_list.py (--help lists them).
set -euo pipefail
cd "$(dirname "$0")/../.."
bash bench/install-deps.sh
exec python3 bench/tasks_list/tasks_list.py "$@"
