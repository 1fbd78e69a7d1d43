#!/usr/bin/env python3
"""Time from a configuration task call to its end, as a client sees it through the tasks
service: validate of a 200-key desired document, and a compliance check of a 2,000-key
document against a store of 2,000 keys.

The host root gets a generated component schema with 2,000 integer keys (20 groups of 100,
each with a range and a default) beside the fixture's components, and a store holding all
of them. Each task is started, then polled with tasks.get every 5 ms over the same
keep-alive connection until it has succeeded; its time runs from the call to the end time
the tasks service reports, so the polls' own cost does not count. The reference is the
validate of a one-key document, the fixed cost of any task; each case is reported as a
ratio to it.
"""

import argparse
import datetime
import json
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lib"))
import benchlib  # noqa: E402

SERVICE = "com.orvane.tarn.hostpref_daemon.configuration."
GROUPS, KEYS_PER_GROUP = 20, 100
TARGET_MS = 100.0
DIRECT = "application/vnd.orvane.lumo.cleanjson"


def bench_schema():
    groups = {}
    for g in range(GROUPS):
        keys = {"k%03d" % k: {"type": "integer", "minimum": 0, "maximum": 100000, "default": 0,
                              "x-host-api": "enabled", "x-impact": "none"} for k in range(KEYS_PER_GROUP)}
        groups["g%02d" % g] = {"type": "object", "properties": keys}
    return {"x-component": "bench", "type": "object", "properties": groups}


def tree(count, value):
    """The first `count` keys of the bench component set to value(index)."""
    groups = {}
    for index in range(count):
        groups.setdefault("g%02d" % (index // KEYS_PER_GROUP), {})["k%03d" % (index % KEYS_PER_GROUP)] = value(index)
    return {"bench": groups}


def call(client, root, method, params):
    ticket = root.make_tickets(1)[0]
    params = dict(params, __ctx={"securityCtx": {"ticket": ticket}})
    status, _, data, _ = client.post(benchlib.rpc_body(method, params), {"Accept": DIRECT})
    kind, value = benchlib.rpc_outcome(data)
    if status != 200 or kind != "result":
        raise RuntimeError("%s answered %s: %r" % (method, kind, data[:300]))
    return value


def task_ms(client, root, operation, document):
    """Milliseconds from the call to the end the task records; the task must succeed."""
    start = time.time()
    task = call(client, root, SERVICE + operation, {"desired_document": json.dumps(document)})
    while True:
        time.sleep(0.005)
        info = call(client, root, "com.orvane.hub.tasks.get", {"task": task})
        if info["status"] == "SUCCEEDED":
            end = datetime.datetime.strptime(info["end_time"], "%Y-%m-%dT%H:%M:%S.%fZ")
            return (end.replace(tzinfo=datetime.timezone.utc).timestamp() - start) * 1000
        if info["status"] == "FAILED":
            raise RuntimeError("%s failed: %s" % (operation, json.dumps(info["error"])[:400]))


def run(args):
    benchlib.ensure_built(("hostprefd",))
    root = benchlib.HostRoot()
    daemon = None
    try:
        root.write("/usr/lib/orvane/configmanager/schemas/bench.json", json.dumps(bench_schema()))
        stored = GROUPS * KEYS_PER_GROUP
        root.write("/etc/orvane/configstore/store.json",
                   json.dumps({"generation": 1, "config": tree(stored, lambda i: i)}))
        daemon = benchlib.Daemon(root)
        client = benchlib.RpcClient(daemon.port)
        cases = [
            ("validate, 1 key (reference)", "validate", {"profile": tree(1, lambda i: i)}),
            ("validate, 200 keys", "validate", {"profile": tree(200, lambda i: i)}),
            ("check_compliance, %d keys vs a store of %d" % (stored, stored), "check_compliance",
             {"profile": tree(stored, lambda i: i + (i % 2))}),
        ]
        results = []
        for label, operation, document in cases:
            task_ms(client, root, operation, document)  # warm: schemas and catalogues load once
            results.append((label, [task_ms(client, root, operation, document) for _ in range(args.reps)]))
        client.close()
        print(report(args, results))
        daemon.stop_cleanly()
    finally:
        if daemon:
            daemon.stop()
        root.remove()


def report(args, results):
    lines = ["config_tasks: call to the end time tasks.get reports, median of %d" % args.reps]
    for label, times in results:
        lines.append("  %-48s %8.1f ms (min %.1f, max %.1f)" % (label, statistics.median(times), min(times),
                                                                max(times)))
    reference = statistics.median(results[0][1])
    for label, times in results[1:]:
        ms = statistics.median(times)
        lines.append("  %s: %.1f ms, %.1fx the reference (target <= %.0f ms: %s)" % (
            label, ms, benchlib.ratio(ms, reference), TARGET_MS, benchlib.verdict(ms <= TARGET_MS)))
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--reps", type=int, default=15, help="timed tasks per case")
    args = parser.parse_args()
    try:
        run(args)
    except (RuntimeError, OSError) as error:
        sys.exit("config_tasks: cannot measure: %s" % error)


if __name__ == "__main__":
    main()
