#!/usr/bin/env bash
# Runs build/hostprefd in the foreground on a throw-away copy of the demo host root,
# logging to the terminal. Ctrl-C (or SIGTERM) stops it with SIGTERM; the copy is removed
# afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."

root=$(mktemp -d /tmp/hostprefd-demo.XXXXXX)
trap 'rm -rf "$root"' EXIT
cp -a tests/fixtures/hostroot/. "$root/"
port=$(awk '$1 == "hostprefd" { split($2, a, "/"); print a[1] }' "$root/etc/services")

echo "demo host root: $root"
echo "port (from $root/etc/services): $port"
echo "stop with Ctrl-C"
# In its own session the daemon does not see the terminal's Ctrl-C; this script turns
# that into the SIGTERM the daemon stops on, so the demo shows the orderly shutdown.
HOSTPREFD_ROOT="$root" HOSTPREFD_LOG_STDERR=1 setsid ./build/hostprefd &
pid=$!
trap 'kill -TERM $pid 2>/dev/null || true' INT TERM
wait $pid || true
wait $pid 2>/dev/null || true
