#!/usr/bin/env python3
"""Time of com.orvane.hub.tasks.list over HTTP with 1,000 and with 10,000 task records.

The store of a temporary host root is filled (see taskstore.py), the daemon is started on
it, and the call is made repeatedly over one keep-alive connection, each time with a fresh
one-time lifecycle ticket (the tasks service needs an authenticated caller). Every answer
must list exactly the records in the store; the median time of each size and their ratio
are reported.
"""

import argparse
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lib"))
import benchlib  # noqa: E402
import taskstore  # noqa: E402

METHOD = "com.orvane.hub.tasks.list"
TARGET_LARGE_MS = 100.0
TARGET_RATIO = 12.0


def listed_count(result):
    """Number of tasks in a tasks.list result, in either JSON form of a map."""
    if isinstance(result, dict) and list(result) == ["map"]:
        result = result["map"]
    if isinstance(result, (dict, list)):
        return len(result)
    raise RuntimeError("tasks.list answered something that is not a map: %r" % (result,))


def timed_calls(client, tickets, expected):
    """One call per ticket; returns the seconds each took. Every answer must be a result
    listing `expected` tasks."""
    times = []
    for ticket in tickets:
        body = benchlib.rpc_body(METHOD, {"__ctx": {"securityCtx": {"ticket": ticket}}})
        status, _, data, elapsed = client.post(body)
        if status != 200:
            raise RuntimeError("HTTP %d: %r" % (status, data[:300]))
        kind, value = benchlib.rpc_outcome(data)
        if kind != "result":
            raise RuntimeError("%s answered the error %s: %s" % (METHOD, value, data[:400].decode(errors="replace")))
        if listed_count(value) != expected:
            raise RuntimeError("%s listed %d tasks, the store holds %d" % (METHOD, listed_count(value), expected))
        times.append(elapsed)
    return times


def measure(root, daemon, size, args, profile=False):
    """Median seconds (and the answer's size) of `args.reps` calls with `size` records in
    the store, after one untimed call."""
    tickets = root.make_tickets(args.reps + 1)
    client = benchlib.RpcClient(daemon.port)
    try:
        timed_calls(client, tickets[:1], size)
        profiler = benchlib.Profiler(daemon.pid, root.dir) if profile else None
        times = timed_calls(client, tickets[1:], size)
        hot = profiler.report() if profiler else None
        answer_bytes = len(client.post(benchlib.rpc_body(
            METHOD, {"__ctx": {"securityCtx": {"ticket": root.make_tickets(1)[0]}}}))[2])
    finally:
        client.close()
    return times, answer_bytes, hot


def fill(root, templates, size):
    """Adds copies of the templates until the store holds `size` records; returns the
    seconds the copy took."""
    db = root.path(benchlib.TASK_STORE)
    have = taskstore.count_tasks(db)
    start = time.perf_counter()
    taskstore.clone_tasks(db, templates, size - have, first=have)
    if taskstore.count_tasks(db) != size:
        raise RuntimeError("the store holds %d records, not %d" % (taskstore.count_tasks(db), size))
    return time.perf_counter() - start


def store_read_seconds(db, tool, root_dir, rounds=3):
    """Median seconds of reading every table once with SQLite, and of the tool listing
    every record as JSON (process start included): what any listing costs at least."""
    straight, shown = [], []
    env = dict(os.environ, HOSTPREFD_ROOT=root_dir)
    for _ in range(rounds):
        start = time.perf_counter()
        taskstore.read_everything(db)
        straight.append(time.perf_counter() - start)
        start = time.perf_counter()
        subprocess.run([tool, "show"], env=env, check=True, stdout=subprocess.DEVNULL)
        shown.append(time.perf_counter() - start)
    return statistics.median(straight), statistics.median(shown)


def run(args):
    benchlib.ensure_built(("hostprefd", "hostpref-taskdb"))
    tool = os.path.join(benchlib.build_dir(), "hostpref-taskdb")
    root = benchlib.HostRoot()
    daemon = None
    rows = []
    failure = None
    try:
        templates = taskstore.write_templates(tool, root.dir)
        daemon = benchlib.Daemon(root)
        db = root.path(benchlib.TASK_STORE)
        for index, size in enumerate(args.sizes):
            filled = fill(root, templates, size)
            floor = store_read_seconds(db, tool, root.dir)
            print("  store with %d records: filled in %.2f s; read straight %.1f ms, 'hostpref-taskdb show' %.1f ms"
                  % (size, filled, floor[0] * 1000, floor[1] * 1000), flush=True)
            if failure:
                continue  # the store figures of every size are still worth having
            profile = args.profile and index == len(args.sizes) - 1
            try:
                times, answer_bytes, hot = measure(root, daemon, size, args, profile)
            except RuntimeError as error:
                failure = error
                continue
            rows.append((size, times, answer_bytes, floor, hot))
        if failure:
            raise failure
        print(report(args, rows))
        daemon.stop_cleanly()
    finally:
        if daemon:
            daemon.stop()
        root.remove()


def report(args, rows):
    lines = ["tasks_list: %s, %d timed calls per size, one keep-alive connection, ticket per call"
             % (METHOD, args.reps),
             "  %8s %10s %10s %10s %12s %16s" % ("records", "median ms", "min ms", "max ms", "answer KiB",
                                                  "store read ms")]
    for size, times, answer_bytes, floor, _ in rows:
        lines.append("  %8d %10.1f %10.1f %10.1f %12.0f %16.1f" % (
            size, benchlib.median_ms(times), min(times) * 1000, max(times) * 1000, answer_bytes / 1024.0,
            floor[0] * 1000))
    small, large = rows[0], rows[-1]
    large_ms = benchlib.median_ms(large[1])
    lines.append("  %d records in %.1f ms (target <= %.0f ms: %s)" % (
        large[0], large_ms, TARGET_LARGE_MS, benchlib.verdict(large_ms <= TARGET_LARGE_MS)))
    if len(rows) > 1:
        share = benchlib.ratio(large_ms, benchlib.median_ms(small[1]))
        lines.append("  ratio %d/%d records: %.1f (target <= %.0f: %s)" % (
            large[0], small[0], share, TARGET_RATIO, benchlib.verdict(share <= TARGET_RATIO)))
    if large[4]:
        lines.append("  where hostprefd spends its time at %d records (share of samples in and below each function):\n%s" % (large[0], large[4]))
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sizes", type=lambda text: [int(v) for v in text.split(",")], default=[1000, 10000],
                        help="store sizes, ascending, comma-separated (default 1000,10000)")
    parser.add_argument("--reps", type=int, default=15, help="timed calls per size")
    parser.add_argument("--profile", action="store_true", help="record the daemon with perf at the largest size")
    args = parser.parse_args()
    if args.sizes != sorted(args.sizes) or args.sizes[0] < 4:
        parser.error("--sizes must ascend and start at 4 or more (the templates)")
    try:
        run(args)
    except (RuntimeError, OSError, subprocess.CalledProcessError) as error:
        sys.exit("tasks_list: cannot measure: %s" % error)


if __name__ == "__main__":
    main()
