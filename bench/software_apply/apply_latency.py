#!/usr/bin/env python3
"""Time from a software apply call to its task id, over HTTP against the daemon.

The daemon runs on a temporary copy of the demo host root, whose stand-in image manager does
the work. Each timed call applies the host's current software spec (so the tool's task ends
quickly) with a fresh one-time lifecycle ticket; the next call waits until the previous task
has ended, since only one long operation may hold the host. The launch is detached, so the
time covers the checks, the spec document, the task record and the start of the tool.
"""

import argparse
import json
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lib"))
import benchlib  # noqa: E402

APPLY = "com.orvane.tarn.hostpref_daemon.software.apply"
TASK_GET = "com.orvane.hub.tasks.get"
TARGET_MS = 50.0
SPEC = {"base_image": {"version": "8.0.1"}, "components": {"net-driver": "1.0"}}


def call(client, ticket, method, params):
    params = dict(params, __ctx={"securityCtx": {"ticket": ticket}})
    status, _, data, elapsed = client.post(benchlib.rpc_body(method, params),
                                           {"Accept": "application/vnd.orvane.lumo.cleanjson"})
    if status != 200:
        raise RuntimeError("HTTP %d: %r" % (status, data[:300]))
    kind, value = benchlib.rpc_outcome(data)
    if kind != "result":
        raise RuntimeError("%s answered the error %s" % (method, value))
    return value, elapsed


def wait_for_end(client, root, task_id, timeout=30.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        info, _ = call(client, root.make_tickets(1)[0], TASK_GET, {"task": task_id})
        if info["status"] == "SUCCEEDED":
            return
        if info["status"] == "FAILED":
            raise RuntimeError("task %s failed: %s" % (task_id, json.dumps(info.get("error"))))
        time.sleep(0.01)
    raise RuntimeError("task %s did not end within %.0f s" % (task_id, timeout))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--reps", type=int, default=20, help="timed apply calls (default 20)")
    args = parser.parse_args()
    benchlib.ensure_built()
    root = benchlib.HostRoot()
    root.write("/etc/orvane/hosttools.json", '{"step_seconds": 0}')
    daemon = benchlib.Daemon(root)
    client = benchlib.RpcClient(daemon.port)
    try:
        times = []
        for rep in range(args.reps + 1):
            task_id, elapsed = call(client, root.make_tickets(1)[0], APPLY,
                                    {"spec": SPEC, "depots": ["file:///srv/depots/main"]})
            if rep > 0:  # the first call warms the catalogues and the store
                times.append(elapsed)
            wait_for_end(client, root, task_id)
        median = statistics.median(times) * 1000.0
        print("software apply -> task id   median %6.1f ms  max %6.1f ms  (%d calls)"
              % (median, max(times) * 1000.0, len(times)))
        print("target                             <= %.0f ms: %s" % (TARGET_MS, "met" if median <= TARGET_MS else "MISSED"))
    finally:
        client.close()
        daemon.stop_cleanly()
        root.remove()


if __name__ == "__main__":
    main()
