-- wrk script: every request POSTs the JSON-RPC body read from the file named by the
-- environment variable BENCH_BODY_FILE; at the end one line "WRK_SUMMARY {...}" gives
-- the counts and latencies (microseconds) for the driver to parse.
local file = assert(io.open(os.getenv("BENCH_BODY_FILE"), "rb"))
wrk.method = "POST"
wrk.body = file:read("*a")
file:close()
wrk.headers["Content-Type"] = "application/json"

function done(summary, latency, requests)
  local e = summary.errors
  io.write(string.format(
    'WRK_SUMMARY {"requests":%d,"duration_us":%d,"bytes":%d,' ..
    '"connect_errors":%d,"read_errors":%d,"write_errors":%d,"status_errors":%d,"timeouts":%d,' ..
    '"p50_us":%d,"p90_us":%d,"p99_us":%d,"mean_us":%.1f,"max_us":%d}\n',
    summary.requests, summary.duration, summary.bytes,
    e.connect, e.read, e.write, e.status, e.timeout,
    latency:percentile(50), latency:percentile(90), latency:percentile(99), latency.mean, latency.max))
end
