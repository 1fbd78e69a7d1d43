#!/usr/bin/env python3
"""Time from a software apply call to the task id it answers, through the whole chain and
the detached launch of the image manager tool; the reference is an introspection call over
the same connection, the cost of any call. Each apply's task is followed to its end before
the next (one long operation holds the host at a time).
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
REFERENCE = "com.orvane.lumo.std.introspection.provider.get"
SPEC = {"spec": {"base_image": {"version": "8.0.2"}, "components": {"net-driver": "1.1"}},
        "depots": ["file:///srv/depots/main"]}
TARGET_MS = 50.0


def timed(client, method, params):
    status, _, data, elapsed = client.post(benchlib.rpc_body(method, params))
    kind, value = benchlib.rpc_outcome(data)
    if status != 200 or kind != "result":
        raise RuntimeError("%s answered %s: %r" % (method, kind, data[:300]))
    return value, elapsed * 1000


def wait_ended(client, root, task):
    while True:
        info, _ = timed(client, "com.orvane.hub.tasks.get", {"task": task, "__ctx": {"securityCtx": {
            "ticket": root.make_tickets(1)[0]}}})
        text = json.dumps(info)
        if '"SUCCEEDED"' in text or '"FAILED"' in text:
            return
        time.sleep(0.02)


def run(args):
    benchlib.ensure_built(("hostprefd",))
    root = benchlib.HostRoot()
    root.write("/etc/orvane/hosttools.json", json.dumps({"step_seconds": 0.0}))
    daemon = None
    try:
        daemon = benchlib.Daemon(root)
        client = benchlib.RpcClient(daemon.port)
        applies, references = [], []
        for _ in range(args.reps):
            references.append(timed(client, REFERENCE, {})[1])
            params = dict(SPEC, __ctx={"securityCtx": {"ticket": root.make_tickets(1)[0]}})
            task, ms = timed(client, APPLY, params)
            applies.append(ms)
            wait_ended(client, root, task)
        client.close()
        apply_ms, reference_ms = statistics.median(applies), statistics.median(references)
        print("software_apply: %s to its task id, median of %d" % (APPLY, args.reps))
        print("  reference (%s) %8.2f ms" % (REFERENCE, reference_ms))
        print("  apply call to task id      %8.2f ms (min %.2f, max %.2f), %.1fx the reference"
              " (target <= %.0f ms: %s)" % (apply_ms, min(applies), max(applies),
                                           benchlib.ratio(apply_ms, reference_ms), TARGET_MS,
                                           benchlib.verdict(apply_ms <= TARGET_MS)))
        daemon.stop_cleanly()
    finally:
        if daemon:
            daemon.stop()
        root.remove()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--reps", type=int, default=15, help="timed applies")
    args = parser.parse_args()
    try:
        run(args)
    except (RuntimeError, OSError) as error:
        sys.exit("software_apply: cannot measure: %s" % error)


if __name__ == "__main__":
    main()
