#!/usr/bin/env bash
# RunCommand against posix_spawn + waitpid, and the time from a software apply call to its
# task id (see bench/README.md). Options are passed on to software_apply.py.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash bench/install-deps.sh
build=${HOSTPREFD_BUILD_DIR:-build}
cmake --build "$build" -j2 --target bench_run_command hostprefd >/dev/null
"$build/bench/bench_run_command" 400
exec python3 bench/software_apply/software_apply.py "$@"
