#!/usr/bin/env bash
# Runs `make demo`'s script unattended, as a new user would meet it: with port 8307 held by
# another process when it can be, it checks that the demo says so and serves on a port of
# its own; then runs every `sh` example of README.md and docs/api.md in a
# shell set up by build/demo.env (authenticated calls through the demo's PAM user
# included), checks that a wrong password is refused, and stops the demo with SIGTERM,
# which must end it within 5 s and remove the demo root.
set -euo pipefail
cd "$(dirname "$0")/.."

work=$(mktemp -d /tmp/hostprefd-demo-smoke.XXXXXX)
log=$work/demo.log
demo=""
holder=""
cleanup() {
    [ -z "$demo" ] || kill -TERM "$demo" 2>/dev/null || true
    [ -z "$holder" ] || kill "$holder" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "demo smoke: $*" >&2
    sed 's/^/  | /' "$log" >&2
    exit 1
}

# Another process on 8307, as when a daemon already runs there.
python3 -c 'import socket, time; s = socket.create_server(("127.0.0.1", 8307)); print("held", flush=True); time.sleep(600)' \
    >"$work/holder.out" 2>/dev/null &
holder=$!
for _ in $(seq 50); do grep -q held "$work/holder.out" 2>/dev/null && break; kill -0 $holder 2>/dev/null || break; sleep 0.1; done
kill -0 $holder 2>/dev/null || holder=""  # 8307 was taken already: the demo must move all the same

setsid bash scripts/demo.sh >"$log" 2>&1 &
demo=$!
port=""
for _ in $(seq 100); do
    port=$(sed -n 's/^port (from .*): \([0-9]*\)$/\1/p' "$log")
    [ -n "$port" ] && grep -q 'listening on TCP port' "$log" && break
    kill -0 $demo 2>/dev/null || fail "the demo ended before it served"
    sleep 0.1
done
[ -n "$port" ] || fail "no port in the demo's output"
[ "$port" != 8307 ] || fail "the demo started on the taken port 8307"
grep -q "port 8307 is taken by another process; the demo uses port $port" "$log" || fail "the demo did not say that 8307 is taken"
grep -q '^demo user: demo  password: hostpref-demo$' "$log" || fail "the demo did not print its user"
root=$(sed -n 's/^demo host root: //p' "$log")
grep -qF "HOSTPREFD_ROOT=$root" build/demo.env || fail "build/demo.env does not point at the demo"

# The examples: the `sh` blocks of each file in one shell, in order, as a reader types them.
for doc in README.md docs/api.md; do
    { echo ". build/demo.env"; awk '/^```/ { block = !block && $0 == "```sh"; next } block' "$doc"; } >"$work/examples.sh"
    [ "$(grep -c . "$work/examples.sh")" -gt 3 ] || fail "no examples found in $doc"
    bash -euo pipefail "$work/examples.sh" >"$work/examples.out" 2>&1 ||
        { sed 's/^/  > /' "$work/examples.out" >&2; fail "an example of $doc failed"; }
done
# What the examples show: authenticated calls through the demo's PAM user succeed, a wrong password does not.
(. build/demo.env && hostprefctl tasks list >/dev/null) || fail "an authenticated call failed"
refused=$(. build/demo.env && HOSTPREFCTL_PASSWORD=wrong hostprefctl tasks list 2>&1) && fail "a wrong password was accepted"
[[ "$refused" == *"com.orvane.tarn.authn.userpass.invalid"* ]] || fail "a wrong password got: $refused"

kill -TERM $demo
for _ in $(seq 50); do
    kill -0 $demo 2>/dev/null || break
    sleep 0.1
done
kill -0 $demo 2>/dev/null && fail "the demo still runs 5 s after SIGTERM"
wait $demo || true
demo=""
[ -d "$root" ] && fail "the demo root $root was left behind"
[ -e build/demo.env ] && fail "build/demo.env was left behind"
echo "demo smoke: served on port $port (8307 taken), README and API examples passed, stopped cleanly"
