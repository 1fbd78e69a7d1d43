"""Shared pieces of the hostprefd benchmarks: a throw-away host root, the daemon process,
JSON-RPC calls over keep-alive loopback HTTP, and the small statistics the reports use.

Everything here is single-threaded and owned by the benchmark script that creates it;
processes started here are stopped by the object that started them.
"""

import http.client
import json
import os
import re
import resource
import shutil
import signal
import socket
import statistics
import subprocess
import tempfile
import time
import uuid

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
METADATA_DIR = "/usr/lib/orvane/lifecycle/metadata"
TICKET_DIR = "/var/run/orvane/tickets"
TASK_STORE = "/var/orvane/lifecycle/task-status.json.db"


def build_dir():
    """The build tree whose binaries are measured: $HOSTPREFD_BUILD_DIR or <repo>/build."""
    return os.environ.get("HOSTPREFD_BUILD_DIR") or os.path.join(REPO, "build")


def ensure_built(targets=("hostprefd", "hostpref-taskdb")):
    """Builds the given targets, and the generated metadata files the daemon loads, when
    they are missing (a plain `make bench` has built them already)."""
    directory = build_dir()
    targets = [t for t in targets if not os.access(os.path.join(directory, t), os.X_OK)]
    if os.path.exists(os.path.join(REPO, "idl", "CMakeLists.txt")) and \
            not os.path.isdir(os.path.join(directory, "generated", "metadata")):
        targets.append("lumo_metadata")
    if not targets:
        return
    if not os.path.exists(os.path.join(directory, "CMakeCache.txt")):
        subprocess.run(["cmake", "-S", REPO, "-B", directory, "-DCMAKE_BUILD_TYPE=RelWithDebInfo"],
                       check=True)
    subprocess.run(["cmake", "--build", directory, "-j2", "--target", *targets], check=True)


def free_port():
    """A loopback TCP port nobody listens on right now."""
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def raise_fd_limit(needed):
    """Lifts the soft limit on open files to at least `needed` (up to the hard limit);
    returns the soft limit in force afterwards. Children inherit it."""
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    if soft < needed:
        target = needed if hard == resource.RLIM_INFINITY else min(needed, hard)
        resource.setrlimit(resource.RLIMIT_NOFILE, (target, hard))
        soft = target
    return soft


class HostRoot:
    """A temporary copy of the test host tree with a free port in etc/services and the
    generated metadata files (when the build has them) where the daemon loads them."""

    def __init__(self, fixtures=None, metadata=None):
        fixtures = fixtures or os.path.join(REPO, "tests", "fixtures", "hostroot")
        metadata = metadata or os.path.join(build_dir(), "generated", "metadata")
        self.dir = tempfile.mkdtemp(prefix="hostprefd-bench.")
        shutil.copytree(fixtures, self.dir, dirs_exist_ok=True, symlinks=True)
        self.port = free_port()
        self.write("/etc/services", "hostprefd\t%d/tcp\n" % self.port)
        if os.path.isdir(metadata):
            shutil.copytree(metadata, self.path(METADATA_DIR), dirs_exist_ok=True)

    def path(self, host_path):
        return os.path.join(self.dir, host_path.lstrip("/"))

    def write(self, host_path, content):
        target = self.path(host_path)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "w") as out:
            out.write(content)

    def make_tickets(self, count, service="Lifecycle"):
        """Writes `count` one-time tickets bound to `service`, as the host's ticket store
        keeps them (one private file per ticket holding the service name); returns them."""
        directory = self.path(TICKET_DIR)
        os.makedirs(directory, mode=0o700, exist_ok=True)
        tickets = []
        for _ in range(count):
            ticket = uuid.uuid4().hex
            fd = os.open(os.path.join(directory, ticket), os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
            with os.fdopen(fd, "w") as out:
                out.write(service + "\n")
            tickets.append(ticket)
        return tickets

    def remove(self):
        shutil.rmtree(self.dir, ignore_errors=True)


def services_port(root_dir):
    """The port of the "hostprefd" entry in <root>/etc/services, or None."""
    with open(os.path.join(root_dir, "etc", "services")) as services:
        for line in services:
            words = line.split("#", 1)[0].split()
            if len(words) >= 2 and words[0] == "hostprefd":
                return int(words[1].split("/", 1)[0])
    return None


def vmrss_kib(pid):
    """Resident set size of a process in KiB, from /proc/<pid>/status."""
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise RuntimeError("no VmRSS for process %d" % pid)


def cpu_seconds(pid):
    """User plus system CPU time a process has used so far, in seconds."""
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def wait_for_port(port, process, timeout=15.0):
    """Waits until something accepts on 127.0.0.1:port; fails early if `process` exits."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if process.poll() is not None:
            raise RuntimeError("process %d exited with %s before listening" % (process.pid, process.returncode))
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.5).close()
            return
        except OSError:
            time.sleep(0.05)
    raise RuntimeError("nothing listens on port %d after %.0f s" % (port, timeout))


class Daemon:
    """The daemon under test, started on a host root; it logs as in production (no
    stderr mirror) so logging costs what it costs on a host."""

    def __init__(self, root, extra_env=None):
        env = dict(os.environ, HOSTPREFD_ROOT=root.dir)
        env.pop("HOSTPREFD_LOG_STDERR", None)
        env.update(extra_env or {})
        self.stderr_path = os.path.join(root.dir, "daemon.stderr")
        with open(self.stderr_path, "wb") as err:
            self.process = subprocess.Popen([os.path.join(build_dir(), "hostprefd")], env=env,
                                            stdin=subprocess.DEVNULL, stderr=err, start_new_session=True)
        self.port = root.port
        try:
            wait_for_port(self.port, self.process)
        except Exception:
            self.stop()
            raise

    @property
    def pid(self):
        return self.process.pid

    def rss_kib(self):
        return vmrss_kib(self.process.pid)

    def stop_cleanly(self):
        """Stops the daemon and fails, with the end of its standard error, unless it
        exited with 0 (a sanitizer build reports its findings that way)."""
        status = self.stop()
        if status != 0:
            with open(self.stderr_path, errors="replace") as err:
                tail = err.read()[-2000:]
            raise RuntimeError("the daemon exited with status %s:\n%s" % (status, tail))

    def stop(self):
        """SIGTERM, then SIGKILL after 10 s; returns the exit status."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        return self.process.returncode


def rpc_body(method, params=None, request_id=1):
    """The JSON-RPC 2.0 request text for one call."""
    return json.dumps({"jsonrpc": "2.0", "id": request_id, "method": method,
                       "params": params if params is not None else {}}, separators=(",", ":"))


class RpcClient:
    """One keep-alive HTTP/1.1 connection to a loopback JSON-RPC server."""

    def __init__(self, port, timeout=60.0):
        self.connection = http.client.HTTPConnection("127.0.0.1", port, timeout=timeout)

    def post(self, body, headers=None):
        """Sends one POST and reads the whole answer; returns (status, headers, body bytes,
        seconds from the first byte sent to the last byte read)."""
        all_headers = {"Content-Type": "application/json"}
        all_headers.update(headers or {})
        start = time.perf_counter()
        self.connection.request("POST", "/", body=body.encode(), headers=all_headers)
        response = self.connection.getresponse()
        data = response.read()
        elapsed = time.perf_counter() - start
        return response.status, dict(response.getheaders()), data, elapsed

    def close(self):
        self.connection.close()


def rpc_outcome(data):
    """("result", value) or ("error", error name or message) of a JSON-RPC answer body."""
    answer = json.loads(data)
    if "result" in answer:
        return "result", answer["result"]
    error = answer.get("error", {})
    names = [key.split(":", 1)[1] for key in (error.get("data") or {}) if key.startswith("error:")]
    return "error", names[0] if names else error.get("message", "unknown error")


def open_idle_connections(port, count, body):
    """Opens `count` keep-alive connections, makes one call on each and reads its answer
    completely, and returns the still-open connections (close them with close_all)."""
    clients = []
    try:
        for _ in range(count):
            client = RpcClient(port)
            clients.append(client)
            status = client.post(body)[0]
            if status != 200:
                raise RuntimeError("connection %d answered HTTP %d" % (len(clients), status))
    except Exception:
        close_all(clients)
        raise
    return clients


def close_all(clients):
    for client in clients:
        client.close()


def median_ms(seconds):
    return statistics.median(seconds) * 1000.0


def ratio(numerator, denominator):
    return numerator / denominator if denominator else float("inf")


def verdict(ok):
    return "met" if ok else "MISSED"


class Profiler:
    """`perf record` attached to one process while a load runs; report() summarizes the
    hottest symbols. Does nothing useful (and says so) when perf is unusable."""

    def __init__(self, pid, out_dir):
        self.data = os.path.join(out_dir, "perf.data")
        self.log = os.path.join(out_dir, "perf.log")
        self.process = None
        if shutil.which("perf") is None:
            return
        with open(self.log, "wb") as log:
            self.process = subprocess.Popen(["perf", "record", "--call-graph", "dwarf,16384", "-F", "499", "-p", str(pid),
                                             "-o", self.data],
                                            stdout=log, stderr=subprocess.STDOUT)

    def report(self, limit=20):
        """The daemon-side functions that the most samples passed through (self time
        included), skipping the event loop's and the C++ library's generic frames."""
        if self.process is None:
            return "perf not available"
        self.process.send_signal(signal.SIGINT)
        self.process.wait(30)
        result = subprocess.run(["perf", "report", "-i", self.data, "--children", "--stdio", "--sort", "symbol",
                                 "-g", "none", "--percent-limit", "3"], capture_output=True, text=True)
        return "\n".join(interesting_frames(result.stdout, limit)) or "perf report empty: " + result.stderr.strip()


GENERIC_FRAMES = re.compile(r"\[k\]|boost::asio::|std::_Function|std::thread|start_thread|clone3|_start|"
                            r"__libc_start|\] 0x[0-9a-f]+$|^\s*$")


def interesting_frames(perf_text, limit):
    """Lines "children% self% symbol" of `perf report --children` output, generic frames
    left out, trailing padding removed and long template names cut."""
    lines = []
    for line in perf_text.splitlines():
        line = re.sub(r"[\s-]+$", "", line)
        if line.startswith("#") or GENERIC_FRAMES.search(line):
            continue
        lines.append(line[:160])
    return lines[:limit]
