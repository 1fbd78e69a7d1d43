#!/usr/bin/env bash
# Builds the Debian package from a built tree, installs it with dpkg into a throw-away
# root, and checks that the unit, the programs and the files the daemon reads are where
# they belong: systemd-analyze verifies the unit against the root, the installed daemon
# serves the installed client from that root, and a purge takes the services entry back.
#   package-install-test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)

work=$(mktemp -d /tmp/hostprefd-package.XXXXXX)
daemon=""
cleanup() {
    [ -z "$daemon" ] || kill "$daemon" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "package test: $*" >&2
    exit 1
}

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(echo "$work"/out/*.deb)
[ -f "$deb" ] || fail "cpack made no .deb"

root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/etc"
touch "$root/var/lib/dpkg/status"
printf 'ssh\t\t22/tcp\n' >"$root/etc/services"
# The maintainer scripts run outside the root with DPKG_ROOT set; the root holds no libraries.
dpkg_root=(dpkg --root="$root" --force-script-chrootless --force-depends --force-not-root --log=/dev/null)
"${dpkg_root[@]}" -i "$deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "dpkg -i failed"; }

for program in /usr/sbin/hostprefd /usr/bin/hostprefctl /usr/bin/hostpref-taskdb \
    /usr/lib/orvane/configmanager/plugins/syslog-validate; do
    [ -x "$root$program" ] || fail "$program is missing"
done
for file in /etc/pam.d/hostprefd /usr/share/man/man1/hostprefctl.1 \
    /usr/share/bash-completion/completions/hostprefctl /usr/share/doc/hostprefd/operator.md \
    /usr/lib/orvane/configmanager/locale/en/tasks.msgcat /usr/lib/orvane/configmanager/schemas/syslog.json; do
    [ -s "$root$file" ] || fail "$file is missing"
done
for name in hostprefd_lumo_cli lumo_common_cli hostprefd_lumo_metamodel lumo_common_metamodel \
    hostprefd_lumo_authentication hostprefd_lumo_authorization; do
    cmp -s "$build/generated/metadata/$name.json" "$root/usr/lib/orvane/lifecycle/metadata/$name.json" ||
        fail "metadata file $name.json is missing or differs from the build's"
done
dpkg --root="$root" -s hostprefd | grep -q '^ /etc/pam.d/hostprefd ' || fail "the PAM file is no conffile"
# The unit's program and settings, checked by systemd against the root.
unit=hostprefd.service
[ -f "$root/lib/systemd/system/$unit" ] || fail "$unit is missing"
systemd-analyze verify --man=no --recursive-errors=no --root="$root" "$unit" || fail "$unit does not verify"
grep -q '^Type=notify$' "$root/lib/systemd/system/$unit" || fail "$unit does not wait for readiness"
grep -qP '^hostprefd\t8307/tcp' "$root/etc/services" || fail "postinst added no services entry"
grep -q '^ssh' "$root/etc/services" || fail "postinst lost the other services entries"

# The installed daemon and client, on the root they were installed into, on a free port.
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
sed -i "s#^hostprefd\t8307/tcp#hostprefd\t$port/tcp#" "$root/etc/services"
export HOSTPREFD_ROOT=$root
"$root/usr/sbin/hostprefd" 2>"$work/daemon.log" &
daemon=$!
services=""
for _ in $(seq 100); do
    services=$("$root/usr/bin/hostprefctl" lumo std introspection service list 2>/dev/null) && break
    sleep 0.1
done
echo "$services" | grep -qx 'com.orvane.hub.tasks' || fail "the installed daemon serves no tasks service: $services"
# A root operator's call: the client makes a ticket in the root's ticket directory.
"$root/usr/bin/hostpref-taskdb" create 00000000-0000-4000-8000-000000000001 --operation package.check
tasks=$("$root/usr/bin/hostprefctl" tasks list) || fail "tasks list failed"
echo "$tasks" | grep -q '00000000-0000-4000-8000-000000000001  package.check  PENDING' || fail "tasks list: $tasks"
kill "$daemon"
wait "$daemon" || fail "the installed daemon did not stop cleanly on SIGTERM"
daemon=""

# Completion and manual page, as installed.
completions=$(bash -c 'source "$1"; COMP_WORDS=("$2" hub tasks ""); COMP_CWORD=3; _hostprefctl; echo "${COMPREPLY[*]}"' \
    bash "$root/usr/share/bash-completion/completions/hostprefctl" "$root/usr/bin/hostprefctl")
for word in get list cancel; do
    [[ " $completions " == *" $word "* ]] || fail "completion of 'hub tasks' lacks $word: $completions"
done
if command -v man >/dev/null; then
    man --warnings -l "$root/usr/share/man/man1/hostprefctl.1" 2>"$work/man.err" | grep -q 'hub tasks get' ||
        fail "the manual page lacks the command hub tasks get"
    [ ! -s "$work/man.err" ] || fail "the manual page has troff warnings: $(cat "$work/man.err")"
fi

"${dpkg_root[@]}" --purge hostprefd >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "purge failed"; }
[ ! -e "$root/usr/sbin/hostprefd" ] || fail "purge left the daemon"
grep -q '^hostprefd' "$root/etc/services" && fail "purge left the services entry"
echo "package test: $(basename "$deb") installs, serves from its root and purges cleanly"
