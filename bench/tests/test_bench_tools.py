"""Checks of the benchmark helpers: that the reference server really serves the daemon's
bytes, that the filled task store holds records the tool reads back like its own, that the
tickets are ones the daemon redeems, and that the report parsing counts what wrk counted.

Run with: python3 -m unittest discover -s bench/tests
Parts that need nginx or the built binaries are skipped when those are missing.
"""

import json
import os
import re
import shutil
import subprocess
import tempfile
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
for sub in ("lib", "http_throughput", "tasks_list"):
    sys.path.insert(0, os.path.join(HERE, "..", sub))

import benchlib  # noqa: E402
import tasks_list  # noqa: E402
import taskstore  # noqa: E402
import throughput  # noqa: E402

TOOL = os.path.join(benchlib.build_dir(), "hostpref-taskdb")
DAEMON = os.path.join(benchlib.build_dir(), "hostprefd")


def post_once(port, body):
    client = benchlib.RpcClient(port)
    try:
        return client.post(body)
    finally:
        client.close()


@unittest.skipUnless(shutil.which("nginx"), "nginx is not installed")
class ReferenceServerTest(unittest.TestCase):
    def test_serves_exactly_the_given_answer(self):
        # Text nginx would otherwise rewrite: escapes, both quotes, variables, non-ASCII,
        # and a length that needs several configuration words, cut inside an escape run.
        tricky = '{"a":"x\\ny\\t\\"q\\" \'s\' $host ${uri} \\\\ \u00e9\u4e2d"}'
        cases = {
            "short": tricky,
            "long": "[" + ",".join([json.dumps(tricky)] * 200) + "]",
            "backslashes at the cut": "\\" * (throughput.NGINX_PART_BYTES * 2 + 1),
        }
        for name, text in cases.items():
            with self.subTest(name):
                server = throughput.Nginx(text, "application/json")
                try:
                    status, headers, data, _ = post_once(server.port, '{"jsonrpc":"2.0"}')
                finally:
                    server.stop()
                self.assertEqual(status, 200)
                self.assertEqual(headers.get("Content-Type"), "application/json")
                self.assertEqual(data, text.encode())


def serve(test, answer):
    """A reference server answering every POST with the JSON text `answer`; its port."""
    server = throughput.Nginx(json.dumps(answer), "application/json")
    test.addCleanup(server.stop)
    return server.port


@unittest.skipUnless(shutil.which("nginx"), "nginx is not installed")
class AnswerCheckTest(unittest.TestCase):
    """The checks that keep a wrong answer from being timed as a right one."""

    def calls(self, answer, expected):
        client = benchlib.RpcClient(serve(self, answer))
        self.addCleanup(client.close)
        return tasks_list.timed_calls(client, ["t1", "t2"], expected)

    def test_listing_must_hold_every_record(self):
        listing = {"jsonrpc": "2.0", "id": 1, "result": {"map": {"a": {}, "b": {}}}}
        self.assertEqual(len(self.calls(listing, 2)), 2)
        with self.assertRaisesRegex(RuntimeError, "listed 2 tasks, the store holds 3"):
            self.calls(listing, 3)

    def test_error_answer_is_refused_with_its_name(self):
        refusal = {"jsonrpc": "2.0", "id": 1, "error": {
            "code": -32000, "message": "Invalid lifecycle ticket",
            "data": {"error:com.orvane.lumo.std.errors.unauthenticated": {"messages": []}}}}
        with self.assertRaisesRegex(RuntimeError, "answered the error com.orvane.lumo.std.errors.unauthenticated"):
            self.calls(refusal, 0)
        self.assertEqual(benchlib.rpc_outcome(json.dumps(refusal)),
                         ("error", "com.orvane.lumo.std.errors.unauthenticated"))


@unittest.skipUnless(shutil.which("nginx") and shutil.which("wrk"), "nginx or wrk is not installed")
class WrkRunTest(unittest.TestCase):
    def test_short_run_posts_and_counts(self):
        answer = {"jsonrpc": "2.0", "id": 1, "result": "x" * 300}
        port = serve(self, answer)
        body_file = os.path.join(self.enterContext(tempfile.TemporaryDirectory(prefix="hostprefd-bench-test.")), "body.json")
        with open(body_file, "w") as out:
            out.write(benchlib.rpc_body(throughput.INTROSPECTION))

        class Args:
            threads, connections, duration = 1, 2, 1
        summary = throughput.run_wrk(port, body_file, Args)
        self.assertGreater(summary["requests"], 10)
        self.assertEqual(summary["errors"], 0)
        self.assertLessEqual(summary["p50_us"], summary["p99_us"])
        self.assertGreater(summary["bytes"] / summary["requests"], len(json.dumps(answer)))


class WrkSummaryTest(unittest.TestCase):
    def test_rate_and_errors_come_from_the_summary_line(self):
        output = ("Running 2s test @ http://127.0.0.1:1/\n"
                  'WRK_SUMMARY {"requests":5000,"duration_us":2000000,"bytes":10,"connect_errors":1,'
                  '"read_errors":2,"write_errors":0,"status_errors":3,"timeouts":4,"p50_us":100,'
                  '"p90_us":150,"p99_us":900,"mean_us":120.5,"max_us":2000}\n')
        summary = throughput.parse_wrk(output)
        self.assertAlmostEqual(summary["rps"], 2500.0)
        self.assertEqual(summary["errors"], 10)
        self.assertEqual(summary["p99_us"], 900)

    def test_output_without_summary_is_an_error(self):
        with self.assertRaisesRegex(RuntimeError, "no summary"):
            throughput.parse_wrk("Requests/sec: 100\n")


class ProfileSummaryTest(unittest.TestCase):
    def test_keeps_the_daemons_own_frames_only(self):
        pad = " " * 40 + "-      -"
        perf_text = "\n".join([
            "# Overhead  Self  Symbol", "",
            "    99.80%     0.10%  [.] boost::asio::detail::scheduler::run" + pad,
            "    61.00%     0.00%  [k] entry_SYSCALL_64_after_hwframe" + pad,
            "    46.10%     0.04%  [.] CSLogger::Log" + pad,
            "    20.00%     0.00%  [.] 0x00007f345d8d44a2" + pad,
            "    12.00%     1.00%  [.] std::_Function_handler<void ()>::_M_invoke" + pad,
            "    11.90%     2.00%  [.] Lumo::Transport::Http::ApiAnswerWriter::DoNextStep" + "x" * 300,
        ])
        frames = benchlib.interesting_frames(perf_text, 10)
        self.assertEqual(frames[0], "    46.10%     0.04%  [.] CSLogger::Log")
        self.assertEqual(len(frames), 2)
        self.assertTrue(frames[1].startswith("    11.90%     2.00%  [.] Lumo::Transport::Http::ApiAnswerWriter"))
        self.assertEqual(len(frames[1]), 160)
        self.assertEqual(len(benchlib.interesting_frames(perf_text, 1)), 1)


class ListedCountTest(unittest.TestCase):
    def test_both_map_forms_and_refusal_of_other_values(self):
        self.assertEqual(tasks_list.listed_count({"map": {"a": 1, "b": 2}}), 2)
        self.assertEqual(tasks_list.listed_count({"map": [[1, "x"], [2, "y"], [3, "z"]]}), 3)
        self.assertEqual(tasks_list.listed_count({"a": 1}), 1)
        for value in (None, 7, "map"):
            with self.assertRaises(RuntimeError):
                tasks_list.listed_count(value)


class HostRootTest(unittest.TestCase):
    def setUp(self):
        self.root = benchlib.HostRoot()
        self.addCleanup(self.root.remove)

    def test_port_and_tickets_as_the_host_keeps_them(self):
        self.assertEqual(benchlib.services_port(self.root.dir), self.root.port)
        tickets = self.root.make_tickets(3)
        self.assertEqual(len(set(tickets)), 3)
        directory = self.root.path(benchlib.TICKET_DIR)
        self.assertEqual(os.stat(directory).st_mode & 0o777, 0o700)
        for ticket in tickets:
            self.assertRegex(ticket, r"^[A-Za-z0-9_-]{1,64}$")
            path = os.path.join(directory, ticket)
            self.assertEqual(os.stat(path).st_mode & 0o777, 0o600)
            with open(path) as content:
                self.assertEqual(content.read(), "Lifecycle\n")


@unittest.skipUnless(os.access(TOOL, os.X_OK), "hostpref-taskdb is not built")
class TaskStoreFillTest(unittest.TestCase):
    def setUp(self):
        self.root = benchlib.HostRoot()
        self.addCleanup(self.root.remove)
        self.env = dict(os.environ, HOSTPREFD_ROOT=self.root.dir)
        self.templates = taskstore.write_templates(TOOL, self.root.dir)
        self.db = self.root.path(benchlib.TASK_STORE)

    def show(self, task_id):
        out = subprocess.run([TOOL, "show", task_id], env=self.env, check=True, capture_output=True, text=True)
        return json.loads(out.stdout)

    def test_copies_read_back_like_their_templates(self):
        copies = taskstore.clone_tasks(self.db, self.templates, 2 * len(self.templates) + 1)
        self.assertEqual(taskstore.count_tasks(self.db), 3 * len(self.templates) + 1)
        for index, copy in enumerate(copies):
            original = self.show(self.templates[index % len(self.templates)])
            duplicate = self.show(copy)
            self.assertEqual(duplicate.pop("id"), copy)
            original.pop("id")
            self.assertEqual(duplicate, original)

    def test_templates_cover_every_state_with_details(self):
        records = [self.show(t) for t in self.templates]
        self.assertEqual(sorted(r["status"] or "PENDING" for r in records),
                         ["FAILED", "PENDING", "RUNNING", "SUCCEEDED"])
        failed = next(r for r in records if r["status"] == "FAILED")
        self.assertEqual(failed["errorArgs"], ["https://depot.invalid/index.xml", "404"])
        succeeded = next(r for r in records if r["status"] == "SUCCEEDED")
        self.assertEqual(len(succeeded["notifications"]), 2)
        self.assertIn("com.orvane.tarn.depot.slow", succeeded["notifications"][1])

    def test_a_missing_template_adds_nothing_and_fill_notices(self):
        taskstore.clone_tasks(self.db, ["7d0e8a52-ffff-4000-8000-00000000ffff"], 5)
        self.assertEqual(taskstore.count_tasks(self.db), len(self.templates))
        with self.assertRaisesRegex(RuntimeError, "holds 4 records, not 8"):
            tasks_list.fill(self.root, ["7d0e8a52-ffff-4000-8000-00000000ffff"], 8)


@unittest.skipUnless(os.access(DAEMON, os.X_OK), "hostprefd is not built")
class DaemonTest(unittest.TestCase):
    def setUp(self):
        self.root = benchlib.HostRoot()
        self.addCleanup(self.root.remove)
        self.daemon = benchlib.Daemon(self.root)
        self.addCleanup(self.daemon.stop)

    def test_a_ticket_is_redeemed_once(self):
        anonymous = post_once(self.daemon.port, benchlib.rpc_body(tasks_list.METHOD))[2]
        if benchlib.rpc_outcome(anonymous) != ("error", "com.orvane.lumo.std.errors.unauthenticated"):
            self.skipTest("this build serves calls without the security filters")
        ticket = self.root.make_tickets(1)[0]
        body = benchlib.rpc_body(tasks_list.METHOD, {"__ctx": {"securityCtx": {"ticket": ticket}}})
        status, _, data, _ = post_once(self.daemon.port, body)
        self.assertEqual(status, 200)
        self.assertNotEqual(benchlib.rpc_outcome(data), ("error", "com.orvane.lumo.std.errors.unauthenticated"))
        self.assertFalse(os.path.exists(os.path.join(self.root.path(benchlib.TICKET_DIR), ticket)))
        self.assertEqual(benchlib.rpc_outcome(post_once(self.daemon.port, body)[2]),
                         ("error", "com.orvane.lumo.std.errors.unauthenticated"))

    def test_only_an_orderly_exit_counts_as_clean(self):
        self.daemon.stop_cleanly()  # SIGTERM: exit status 0
        crashed = benchlib.Daemon(self.root)
        self.addCleanup(crashed.stop)
        os.kill(crashed.pid, 9)
        with self.assertRaisesRegex(RuntimeError, "exited with status -9"):
            crashed.stop_cleanly()

    def test_idle_connections_stay_open_and_usable(self):
        body = benchlib.rpc_body(throughput.INTROSPECTION)
        clients = benchlib.open_idle_connections(self.daemon.port, 50, body)
        try:
            established = subprocess.run(["ss", "-Htn", "state", "established", "sport", "= :%d" % self.daemon.port],
                                         capture_output=True, text=True).stdout
            self.assertEqual(len(re.findall(r"\n", established)), 50)
            # Each connection is still usable for a second call.
            self.assertEqual(clients[0].post(body)[0], 200)
        finally:
            benchlib.close_all(clients)


if __name__ == "__main__":
    unittest.main()
