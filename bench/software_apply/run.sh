#!/usr/bin/env bash
# RunCommand of /bin/true against posix_spawn + waitpid (a ratio), and the time from a software
# apply call to its task id (see bench/README.md). Options go to apply_latency.py (--help).
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${HOSTPREFD_BUILD_DIR:-build}"
cmake --build "$build" -j2 --target bench_run_command hostprefd hostpref-taskdb lumo_metadata >/dev/null
"$build/bench/bench_run_command" 400
exec python3 bench/software_apply/apply_latency.py "$@"
