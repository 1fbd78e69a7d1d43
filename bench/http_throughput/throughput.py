#!/usr/bin/env python3
"""Request throughput and memory of hostprefd against a one-worker nginx on the same machine.

Both servers are driven by the same wrk run (keep-alive loopback, same POST body); nginx
returns a fixed copy of the daemon's own answer, so both move the same bytes. The daemon's
call goes through its whole filter chain. Memory is the daemon's VmRSS when idle, after a
burst of malformed requests and slow clients has come and gone, and with many idle
keep-alive connections open.
"""

import argparse
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lib"))
import benchlib  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
INTROSPECTION = "com.orvane.lumo.std.introspection.provider.get"
TARGET_RATIO = 0.6
TARGET_IDLE_KIB = 10 * 1024
TARGET_CONNECTIONS_KIB = 40 * 1024
TARGET_BURST_GROWTH_KIB = 2 * 1024
MALFORMED_REQUESTS = 2000
SLOW_CLIENTS = 500
# A head the daemon refuses with its fixed 400 (no colon in a field line).
MALFORMED_HEAD = b"GET / HTTP/1.1\r\nBad Header\r\n\r\n"
# The start of a head that a slow client never finishes.
SLOW_HEAD = b"POST / HTTP/1.1\r\nContent-Type: application/json\r\nContent-Le"
# How long the daemon is left idle before its memory is read again: it trims its heap when
# the last connection closes, at most once a second.
SETTLE_SECONDS = 1.5
# nginx reads its configuration through a 4 KiB buffer, so one quoted word must stay
# below that; longer answers are cut into several variables.
NGINX_PART_BYTES = 3000


def nginx_escape(text):
    """`text` for the inside of a single-quoted nginx word that evaluates to exactly
    `text`. A dollar sign cannot be escaped in nginx, so it becomes $bench_dollar."""
    return text.replace("\\", "\\\\").replace("'", "\\'").replace("$", "${bench_dollar}")


def nginx_parts(text, size=NGINX_PART_BYTES):
    """`text` as quoted nginx words of at most `size` bytes each once escaped; the cuts
    fall between characters, so no escape sequence or UTF-8 sequence is split."""
    parts, current, used = [], [], 0
    for char in text:
        piece = nginx_escape(char)
        length = len(piece.encode())
        if current and used + length > size:
            parts.append("".join(current))
            current, used = [], 0
        current.append(piece)
        used += length
    if current or not parts:
        parts.append("".join(current))
    return ["'" + part + "'" for part in parts]


def nginx_config(prefix, port, body, content_type):
    """A private nginx configuration: one worker, no logging per request, keep-alive
    without a request limit, answering every request with `body`."""
    parts = nginx_parts(body)
    if len(parts) == 1:
        answer = "return 200 %s;" % parts[0]
    else:
        sets = "".join("            set $bench_part%d %s;\n" % (i, part) for i, part in enumerate(parts))
        joined = "".join("${bench_part%d}" % i for i in range(len(parts)))
        answer = sets + '            return 200 "%s";' % joined
    return """worker_processes 1;
daemon off;
pid {prefix}/nginx.pid;
error_log {prefix}/error.log warn;
events {{ worker_connections 4096; }}
http {{
    access_log off;
    keepalive_requests 100000000;
    keepalive_timeout 300s;
    client_body_temp_path {prefix}/client_body;
    proxy_temp_path {prefix}/proxy;
    fastcgi_temp_path {prefix}/fastcgi;
    uwsgi_temp_path {prefix}/uwsgi;
    scgi_temp_path {prefix}/scgi;
    geo $bench_dollar {{ default "$"; }}
    server {{
        listen 127.0.0.1:{port};
        location / {{
            default_type {content_type};
{answer}
        }}
    }}
}}
""".format(prefix=prefix, port=port, content_type=content_type, answer=answer)


class Nginx:
    """A private nginx (own prefix, configuration and port) serving one fixed answer."""

    def __init__(self, body, content_type):
        self.prefix = tempfile.mkdtemp(prefix="hostprefd-bench-nginx.")
        os.chmod(self.prefix, 0o755)  # the worker may run as another user
        self.port = benchlib.free_port()
        config = os.path.join(self.prefix, "nginx.conf")
        with open(config, "w") as out:
            out.write(nginx_config(self.prefix, self.port, body, content_type))
        with open(os.path.join(self.prefix, "error.log"), "ab") as log:
            self.process = subprocess.Popen(
                ["nginx", "-p", self.prefix, "-c", config, "-e", os.path.join(self.prefix, "error.log")],
                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=log)
        try:
            benchlib.wait_for_port(self.port, self.process)
        except Exception as error:
            log = self.error_log()
            self.stop()
            raise RuntimeError("nginx did not start: %s: %s" % (error, log.strip())) from error

    def error_log(self):
        try:
            with open(os.path.join(self.prefix, "error.log")) as log:
                return log.read()
        except OSError:
            return ""

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()  # fast shutdown of master and worker
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        shutil.rmtree(self.prefix, ignore_errors=True)


def parse_wrk(output):
    """The WRK_SUMMARY record that post.lua prints, with requests/s added."""
    for line in output.splitlines():
        if line.startswith("WRK_SUMMARY "):
            summary = json.loads(line[len("WRK_SUMMARY "):])
            seconds = summary["duration_us"] / 1e6
            summary["rps"] = summary["requests"] / seconds if seconds > 0 else 0.0
            summary["errors"] = sum(summary[key] for key in
                                    ("connect_errors", "read_errors", "write_errors", "status_errors", "timeouts"))
            return summary
    raise RuntimeError("wrk printed no summary:\n" + output)


def run_wrk(port, body_file, args, pid=None):
    """One wrk run against 127.0.0.1:port; returns the parsed summary, with the CPU
    share of process `pid` during the run when given."""
    command = ["wrk", "-t%d" % args.threads, "-c%d" % args.connections, "-d%ds" % args.duration,
               "--timeout", "10s", "-s", os.path.join(HERE, "post.lua"), "http://127.0.0.1:%d/" % port]
    env = dict(os.environ, BENCH_BODY_FILE=body_file)
    cpu_before = benchlib.cpu_seconds(pid) if pid else 0.0
    result = subprocess.run(command, env=env, capture_output=True, text=True, check=True)
    summary = parse_wrk(result.stdout)
    if pid:
        summary["cpu_share"] = (benchlib.cpu_seconds(pid) - cpu_before) / (summary["duration_us"] / 1e6)
    return summary


def first_answer(port, body):
    """The daemon's answer to the benchmark call: (body bytes, content type)."""
    client = benchlib.RpcClient(port)
    try:
        status, headers, data, _ = client.post(body)
    finally:
        client.close()
    if status != 200:
        raise RuntimeError("the daemon answered HTTP %d: %r" % (status, data[:200]))
    kind, value = benchlib.rpc_outcome(data)
    if kind != "result":
        print("note: the call answers the error %s (measured as is, through the same filters)" % value)
    return data, headers.get("Content-Type", "application/json").split(";")[0]


def check_nginx_answer(port, body, expected):
    client = benchlib.RpcClient(port)
    try:
        status, _, data, _ = client.post(body)
    finally:
        client.close()
    if status != 200 or data != expected:
        raise RuntimeError("nginx answers HTTP %d with %d bytes, not the daemon's %d bytes"
                           % (status, len(data), len(expected)))


def open_clients(port, count):
    clients = []
    try:
        for _ in range(count):
            clients.append(socket.create_connection(("127.0.0.1", port), timeout=30))
    except OSError:
        benchlib.close_all(clients)
        raise
    return clients


def read_to_end(client):
    data = b""
    while True:
        chunk = client.recv(65536)
        if not chunk:
            return data
        data += chunk


def measure_burst_memory(daemon, malformed=MALFORMED_REQUESTS, slow=SLOW_CLIENTS, batch=100):
    """VmRSS (KiB) of the idle daemon after `malformed` refused requests (sent `batch` at a
    time, each on its own connection) and `slow` clients that sent part of a head, waited and
    went away."""
    benchlib.raise_fd_limit(max(slow, batch) + 64)
    for start in range(0, malformed, batch):
        clients = open_clients(daemon.port, min(batch, malformed - start))
        try:
            for client in clients:
                client.sendall(MALFORMED_HEAD)
            for client in clients:
                if not read_to_end(client).startswith(b"HTTP/1.1 400 "):
                    raise RuntimeError("a malformed request was not refused with 400")
        finally:
            benchlib.close_all(clients)
    clients = open_clients(daemon.port, slow)
    try:
        for client in clients:
            client.sendall(SLOW_HEAD)
        time.sleep(0.5)
    finally:
        benchlib.close_all(clients)
    time.sleep(SETTLE_SECONDS)
    return daemon.rss_kib()


def measure_memory(daemon, body, count):
    """VmRSS (KiB) with `count` idle keep-alive connections that each made one call."""
    limit = benchlib.raise_fd_limit(count + 64)
    if limit < count + 16:
        raise RuntimeError("open-file limit %d is too low for %d connections" % (limit, count))
    clients = benchlib.open_idle_connections(daemon.port, count, body)
    try:
        time.sleep(0.2)
        with_connections = daemon.rss_kib()
    finally:
        benchlib.close_all(clients)
    return with_connections


def report(args, daemon_run, nginx_run, memory, answer_bytes):
    idle, burst, loaded, after = memory
    share = benchlib.ratio(daemon_run["rps"], nginx_run["rps"])
    lines = [
        "http_throughput: %s, %d s, %d threads, %d keep-alive connections, answer %d bytes"
        % (INTROSPECTION, args.duration, args.threads, args.connections, answer_bytes),
        "  %-10s %12s %10s %10s %8s" % ("server", "requests/s", "p50 ms", "p99 ms", "errors"),
    ]
    for name, run in (("hostprefd", daemon_run), ("nginx", nginx_run)):
        lines.append("  %-10s %12.0f %10.3f %10.3f %8d" % (name, run["rps"], run["p50_us"] / 1000.0,
                                                           run["p99_us"] / 1000.0, run["errors"]))
    lines += [
        "  hostprefd CPU during its run: %.0f%% of one core" % (100 * daemon_run.get("cpu_share", 0)),
        "  ratio hostprefd/nginx: %.2f (target >= %.1f: %s)" % (share, TARGET_RATIO,
                                                                 benchlib.verdict(share >= TARGET_RATIO)),
        "  VmRSS idle: %.1f MiB (target <= 10 MiB: %s)" % (idle / 1024.0, benchlib.verdict(idle <= TARGET_IDLE_KIB)),
        "  VmRSS idle again after %d malformed requests and %d slow clients: %.1f MiB, %+.1f MiB from idle"
        " (target within 2 MiB: %s)" % (MALFORMED_REQUESTS, SLOW_CLIENTS, burst / 1024.0, (burst - idle) / 1024.0,
                                       benchlib.verdict(burst - idle <= TARGET_BURST_GROWTH_KIB)),
        "  VmRSS with %d idle keep-alive connections: %.1f MiB (target <= 40 MiB: %s)"
        % (args.idle_connections, loaded / 1024.0, benchlib.verdict(loaded <= TARGET_CONNECTIONS_KIB)),
        "  VmRSS after the load: %.1f MiB" % (after / 1024.0),
    ]
    return "\n".join(lines), {"daemon": daemon_run, "nginx": nginx_run, "ratio": share,
                              "rss_idle_kib": idle, "rss_after_burst_kib": burst, "rss_connections_kib": loaded,
                              "rss_after_kib": after}


def run(args):
    benchlib.ensure_built(("hostprefd",))
    body = benchlib.rpc_body(INTROSPECTION)
    root = benchlib.HostRoot()
    daemon = nginx = None
    try:
        daemon = benchlib.Daemon(root)
        answer, content_type = first_answer(daemon.port, body)
        body_file = root.path("/bench-body.json")
        with open(body_file, "w") as out:
            out.write(body)
        idle = daemon.rss_kib()
        burst = measure_burst_memory(daemon)
        loaded = measure_memory(daemon, body, args.idle_connections)
        nginx = Nginx(answer.decode(), content_type)
        check_nginx_answer(nginx.port, body, answer)
        profiler = benchlib.Profiler(daemon.pid, root.dir) if args.profile else None
        daemon_run = run_wrk(daemon.port, body_file, args, daemon.pid)
        profile = profiler.report() if profiler else None
        nginx_run = run_wrk(nginx.port, body_file, args)
        after = daemon.rss_kib()
        text, record = report(args, daemon_run, nginx_run, (idle, burst, loaded, after), len(answer))
        print(text)
        if profile:
            print("  where hostprefd spends its time (share of samples in and below each function):\n" + profile)
        if args.json:
            with open(args.json, "w") as out:
                json.dump(record, out, indent=2)
        daemon.stop_cleanly()
    finally:
        if nginx:
            nginx.stop()
        if daemon:
            daemon.stop()
        root.remove()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--duration", type=int, default=10, help="seconds of load per server")
    # One wrk thread: with two, wrk takes the core the single-threaded daemon would use.
    parser.add_argument("--threads", type=int, default=1, help="wrk threads")
    parser.add_argument("--connections", type=int, default=16, help="keep-alive connections of wrk")
    parser.add_argument("--idle-connections", type=int, default=1000, help="connections of the memory test")
    parser.add_argument("--profile", action="store_true", help="record the daemon with perf during its run")
    parser.add_argument("--json", help="also write the numbers to this file")
    try:
        run(parser.parse_args())
    except (RuntimeError, OSError, subprocess.CalledProcessError) as error:
        sys.exit("http_throughput: cannot measure: %s" % error)


if __name__ == "__main__":
    main()
