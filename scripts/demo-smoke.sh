#!/usr/bin/env bash
# Runs `make demo`'s script unattended: starts the demo in its own session, waits until the
# daemon answers an introspection call on the demo port, stops the demo with SIGTERM (what
# its Ctrl-C handler sends on) and checks that it ends within 5 s and removes the demo root.
# Keeps the README's first set-up command working.
set -euo pipefail
cd "$(dirname "$0")/.."

log=$(mktemp /tmp/hostprefd-demo-smoke.XXXXXX)
setsid bash scripts/demo.sh >"$log" 2>&1 &
demo=$!
trap 'kill -TERM $demo 2>/dev/null || true; rm -f "$log"' EXIT

fail() {
  echo "demo smoke: $*" >&2
  sed 's/^/  | /' "$log" >&2
  exit 1
}

port=""
for _ in $(seq 100); do
  port=$(sed -n 's/^port (from .*): \([0-9]*\)$/\1/p' "$log")
  [ -n "$port" ] && grep -q 'listening on TCP port' "$log" && break
  kill -0 $demo 2>/dev/null || fail "the demo ended before it served"
  sleep 0.1
done
[ -n "$port" ] || fail "no port in the demo's output"
root=$(sed -n 's/^demo host root: //p' "$log")

answer=$(python3 - "$port" <<'PY'
import json, sys, urllib.request
body = json.dumps({"jsonrpc": "2.0", "id": 1,
                   "method": "com.orvane.lumo.std.introspection.service.list"}).encode()
request = urllib.request.Request("http://127.0.0.1:%s/" % sys.argv[1], data=body,
                                 headers={"Content-Type": "application/json",
                                          "Accept": "application/vnd.orvane.lumo.cleanjson"})
print(json.load(urllib.request.urlopen(request, timeout=5))["result"])
PY
) || fail "the introspection call failed"
case "$answer" in
  *com.orvane.hub.tasks*) ;;
  *) fail "the service list lacks the tasks service: $answer" ;;
esac

kill -TERM $demo
for _ in $(seq 50); do
  kill -0 $demo 2>/dev/null || break
  sleep 0.1
done
kill -0 $demo 2>/dev/null && fail "the demo still runs 5 s after SIGTERM"
wait $demo || true
[ -d "$root" ] && fail "the demo root $root was left behind"
echo "demo smoke: served on port $port, stopped cleanly"
