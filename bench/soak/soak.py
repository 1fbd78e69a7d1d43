#!/usr/bin/env python3
"""A soak of the daemon under mixed load: introspection, tasks list, configuration validate,
a configuration key get, malformed requests and slow clients, all at once for --minutes.

Each kind of load runs in a thread of its own over its own connections. The daemon's resident
memory and open descriptors are sampled every --sample seconds; after the load stops, the
daemon idles for a few seconds and is sampled again. Memory and descriptors are flat when the
idle figures at the end are within a small margin of those after the first minute of load
(the warm-up: caches, catalogues, schemas, the allocator's pools). Every answer is checked;
an unexpected one fails the run.
"""

import argparse
import json
import os
import socket
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lib"))
import benchlib  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tasks_list"))
import taskstore  # noqa: E402

RSS_MARGIN_KIB = 2048
FD_MARGIN = 2
DOCUMENT = json.dumps({"profile": {"time": {"ntp": {"servers": ["ntp1.example.com"], "enabled": True}},
                                   "syslog": {"remote": {"host": "logs.example.com", "port": 1514}}}})


KINDS = ("introspection", "tasks_list", "validate", "key_get", "malformed", "slow_client")


def fd_count(pid):
    return len(os.listdir("/proc/%d/fd" % pid))


class Load:
    """The load threads and what they counted; the first failure stops everything."""

    def __init__(self, root, port, until):
        self.root, self.port, self.until = root, port, until
        self.counts = {}
        self.failure = None
        self.lock = threading.Lock()

    def running(self):
        return self.failure is None and time.monotonic() < self.until

    def count(self, kind):
        with self.lock:
            self.counts[kind] = self.counts.get(kind, 0) + 1

    def fail(self, why):
        with self.lock:
            self.failure = self.failure or why

    def call(self, client, method, params=None, ticket=True, expect="result"):
        params = dict(params or {})
        if ticket:
            params["__ctx"] = {"securityCtx": {"ticket": self.root.make_tickets(1)[0]}}
        status, _, data, _ = client.post(benchlib.rpc_body(method, params))
        kind, value = benchlib.rpc_outcome(data)
        if status != 200 or (expect and kind != expect):
            raise RuntimeError("%s answered %s: %r" % (method, kind, data[:200]))
        return kind, value

    def thread(self, name, step):
        def body():
            client = benchlib.RpcClient(self.port)
            try:
                while self.running():
                    step(client)
                    self.count(name)
            except Exception as error:  # noqa: BLE001 - any failure ends the soak
                self.fail("%s: %s" % (name, error))
            finally:
                client.close()
        return threading.Thread(target=body, name=name, daemon=True)

    def introspection(self, client):
        self.call(client, "com.orvane.lumo.std.introspection.provider.get", ticket=False)

    def tasks_list(self, client):
        self.call(client, "com.orvane.hub.tasks.list")
        time.sleep(0.05)

    def validate(self, client):
        # One task at a time holds the host: a refusal while another runs is an answer too.
        kind, _ = self.call(client, "com.orvane.tarn.hostpref_daemon.configuration.validate",
                            {"desired_document": DOCUMENT}, expect=None)
        time.sleep(0.1 if kind == "result" else 1.0)

    def key_get(self, client):
        self.call(client, "com.orvane.tarn.configuration.components.groups.keys.get",
                  {"component": "syslog", "group": "remote", "key": "port"})

    def malformed(self, _client):
        with socket.create_connection(("127.0.0.1", self.port), timeout=10) as raw:
            raw.sendall(b"POST / HTTP/1.1\r\nContent-Length: -1\r\n\r\n")
            if not raw.recv(4096).startswith(b"HTTP/1.1 400"):
                raise RuntimeError("a malformed request was not refused with 400")

    def slow_client(self, _client):
        with socket.create_connection(("127.0.0.1", self.port), timeout=10) as raw:
            raw.sendall(b"POST / HTTP/1.1\r\nHost: x\r\n")
            time.sleep(0.5)


def run(args):
    benchlib.ensure_built(("hostprefd",))
    root = benchlib.HostRoot()
    daemon = None
    try:
        daemon = benchlib.Daemon(root)
        load = Load(root, daemon.port, time.monotonic() + args.minutes * 60)
        threads = [load.thread(name, getattr(load, name)) for name in args.kinds]
        for thread in threads:
            thread.start()
        samples = []
        start = time.monotonic()
        while load.running():
            time.sleep(min(args.sample, max(0.1, load.until - time.monotonic())))
            samples.append((time.monotonic() - start, daemon.rss_kib(), fd_count(daemon.pid)))
        for thread in threads:
            thread.join(30)
        if load.failure:
            raise RuntimeError(load.failure)
        time.sleep(5)
        idle = (daemon.rss_kib(), fd_count(daemon.pid))
        warm = next((s for s in samples if s[0] >= 60), samples[-1])
        print(report(args, load.counts, samples, warm, idle))
        # Validate tasks accumulate in the store, and every tasks list answer grows with them.
        print("  task store at the end: %d records" % taskstore.count_tasks(root.path(benchlib.TASK_STORE)))
        daemon.stop_cleanly()
    finally:
        if daemon:
            daemon.stop()
        root.remove()


def report(args, counts, samples, warm, idle):
    lines = ["soak: %.0f minutes of mixed load" % args.minutes,
             "  calls: " + ", ".join("%s %d" % (name, counts.get(name, 0)) for name in sorted(counts))]
    for at, rss, fds in samples[:: max(1, len(samples) // 10)] + samples[-1:]:
        lines.append("  %6.0f s  VmRSS %7.1f MiB  fds %d" % (at, rss / 1024.0, fds))
    flat_rss = idle[0] - warm[1] <= RSS_MARGIN_KIB
    flat_fds = idle[1] - warm[2] <= FD_MARGIN
    lines.append("  after the first minute: %.1f MiB, %d fds; idle at the end: %.1f MiB, %d fds"
                 % (warm[1] / 1024.0, warm[2], idle[0] / 1024.0, idle[1]))
    lines.append("  memory flat (within %d KiB): %s; descriptors flat (within %d): %s"
                 % (RSS_MARGIN_KIB, benchlib.verdict(flat_rss), FD_MARGIN, benchlib.verdict(flat_fds)))
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--minutes", type=float, default=30.0, help="length of the load")
    parser.add_argument("--sample", type=float, default=30.0, help="seconds between samples")
    parser.add_argument("--kinds", type=lambda text: text.split(","), default=list(KINDS),
                        help="comma-separated kinds of load (default: all of %s); without validate the "
                             "task store, and so the tasks list answer, keeps its size" % ",".join(KINDS))
    args = parser.parse_args()
    try:
        run(args)
    except (RuntimeError, OSError) as error:
        sys.exit("soak: cannot finish: %s" % error)


if __name__ == "__main__":
    main()
