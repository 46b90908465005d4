#!/usr/bin/python3
"""Runs the same console workloads with klavrun, expect, tmux and the limit
(klavlimit: a tight loop over a pseudo-terminal, as fast as the kernel
allows) and prints a table of figures, each tool's figure also as a ratio to
the limit; then the reaction latencies of ping-pong, the user CPU per round
and the machine's load. Figures to watch, not tests. The tools take turns
within each repeat, so a busy machine slows them alike: compare ratios.

  console_bench.py KLAVRUN KLAVHELPER KLAVLIMIT [--quick]
"""
import os
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

KLAVRUN, HELPER, LIMIT = (os.path.abspath(p) for p in sys.argv[1:4])
QUICK = "--quick" in sys.argv
ROUNDS = 100 if QUICK else 2000
FLOOD_MB = 10 if QUICK else 50
TYPED = 20000 if QUICK else 1000000
REPEATS = 1 if QUICK else 7  # medians over these runs count
IDLE_S = 3
WORK = tempfile.mkdtemp(prefix="klavbench")


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def children_user_cpu():
    return resource.getrusage(resource.RUSAGE_CHILDREN).ru_utime


# Per tool: the latencies of every ping-pong round (microseconds, pooled
# over the repeats) and the user CPU per round of each repeat.
LATENCIES = {"klavrun": [], "expect": [], "limit": []}
USER_PER_ROUND = {"klavrun": [], "expect": [], "limit": []}
LATENCY_FILE = os.path.join(WORK, "latencies")


def take_latencies(tool, user_cpu):
    with open(LATENCY_FILE) as f:
        LATENCIES[tool] += [int(line) for line in f if line.strip()]
    os.remove(LATENCY_FILE)
    USER_PER_ROUND[tool].append(user_cpu / ROUNDS)


def self_cpu():
    usage = resource.getrusage(resource.RUSAGE_SELF)
    return usage.ru_utime + usage.ru_stime


def run_timed(command, timeout, **streams):
    """Seconds from start to exit of a command that must succeed. The exit is
    waited for, not polled: subprocess polls when given a time-out, in sleeps
    that grow to 50 ms, which would round every figure up to its next step.
    A timer ends a run that hangs, with everything it started."""
    start = time.monotonic()
    process = subprocess.Popen(command, stdin=subprocess.DEVNULL, start_new_session=True,
                               **streams)
    timer = threading.Timer(timeout, os.killpg, (process.pid, signal.SIGKILL))
    timer.start()
    try:
        code = process.wait()
    finally:
        timer.cancel()
    elapsed = time.monotonic() - start
    if code != 0:
        raise subprocess.CalledProcessError(code, command)
    return elapsed


def run_klavrun(lines, timeout=300):
    script = os.path.join(WORK, "bench.txt")
    with open(script, "wb") as f:
        f.write("".join(line + "\r\n" for line in lines).encode())
    cpu, user = children_cpu(), children_user_cpu()
    out_path = os.path.join(WORK, "klavrun.out")
    with open(out_path, "wb") as out:
        elapsed = run_timed([KLAVRUN, script], timeout, stdout=out, stderr=subprocess.STDOUT)
    cpu = children_cpu() - cpu
    run_klavrun.user = children_user_cpu() - user
    with open(out_path, "rb") as f:
        f.seek(max(0, os.path.getsize(out_path) - 300))
        if b"Error at line" in f.read():
            sys.exit("klavrun failed on the benchmark script")
    return elapsed, cpu


def run_expect(body, timeout=300):
    script = os.path.join(WORK, "bench.exp")
    with open(script, "w") as f:
        f.write("log_user 0\nset timeout %d\n%s\n" % (timeout, body))
    cpu, user = children_cpu(), children_user_cpu()
    elapsed = run_timed(["expect", "-f", script], timeout + 10, stdout=subprocess.DEVNULL)
    run_expect.user = children_user_cpu() - user
    return elapsed, children_cpu() - cpu


def run_limit(*args, timeout=300):
    user = children_user_cpu()
    elapsed = run_timed([LIMIT] + [str(a) for a in args], timeout, stdout=subprocess.DEVNULL)
    run_limit.user = children_user_cpu() - user
    return elapsed


class Tmux:
    """A tmux server driven from here: the program in an 80 x 25 pane,
    the screen polled with capture-pane every poll_s seconds."""

    def __init__(self, command, poll_s=0.01):
        self.socket = "klavbench%d" % os.getpid()
        self.poll_s = poll_s
        self.cpu = children_cpu() + self_cpu()
        self.start = time.monotonic()
        # The pane stays after the program, so its last screen can be read.
        self.call("new-session", "-d", "-x", "80", "-y", "25",
                  "%s; exec sleep 100000" % command)
        self.server = int(self.call("display-message", "-p", "#{pid}"))

    def call(self, *args):
        return subprocess.run(["tmux", "-L", self.socket, "-f", "/dev/null"] +
                              list(args), capture_output=True, check=True
                              ).stdout.decode(errors="replace").strip()

    def wait_for(self, text):
        while text not in self.call("capture-pane", "-p"):
            time.sleep(self.poll_s)

    def type(self, text):
        self.call("send-keys", "-l", text)

    def finish(self):
        with open("/proc/%d/stat" % self.server) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        server_cpu = (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
        elapsed = time.monotonic() - self.start
        cpu = children_cpu() + self_cpu() - self.cpu + server_cpu
        subprocess.run(["tmux", "-L", self.socket, "kill-server"],
                       capture_output=True)
        return elapsed, cpu


def ping_pong():
    helper = "%s pingpong %d %s" % (HELPER, ROUNDS, LATENCY_FILE)
    klav = ['#define line_delay 0', 'start "%s"' % helper]
    for i in range(1, ROUNDS + 1):
        klav += ['while not exists "ready %04d"' % i, 'rem waiting', 'send "x~"']
    klav += ['while not exists "finished"', 'rem waiting']
    k, _ = run_klavrun(klav)
    take_latencies("klavrun", run_klavrun.user)
    e, _ = run_expect(
        'spawn %s\nfor {set i 1} {$i <= %d} {incr i} {\n'
        '  expect [format "ready %%04d" $i]\n  send "x\\r"\n}\n'
        'expect finished' % (helper, ROUNDS))
    take_latencies("expect", run_expect.user)
    limit = run_limit("pingpong", HELPER, ROUNDS, LATENCY_FILE)
    take_latencies("limit", run_limit.user)
    t = Tmux("%s pingpong %d" % (HELPER, ROUNDS))
    for i in range(1, ROUNDS + 1):
        t.wait_for("ready %04d" % i)
        t.type("x")
        t.call("send-keys", "Enter")
    t.wait_for("finished")
    tt, _ = t.finish()
    return ("ping-pong (rounds/s)", ROUNDS / k, ROUNDS / e, ROUNDS / tt,
            ROUNDS / limit, True)


def idle_wait():
    program = "sh -c 'sleep %d; echo appeared'" % IDLE_S
    _, k = run_klavrun(['start "sh -c "sleep %d; echo appeared""' % IDLE_S,
                        'while not exists "appeared"', 'rem waiting'])
    _, e = run_expect('spawn sh -c "sleep %d; echo appeared"\nexpect appeared'
                      % IDLE_S)
    t = Tmux(program)
    t.wait_for("appeared")
    _, tc = t.finish()
    # Waiting costs the limit nothing: it sleeps in poll.
    return ("idle wait (CPU s in %d s)" % IDLE_S, k, e, tc, None, False)


def flood():
    k, _ = run_klavrun(['start "%s flood %d"' % (HELPER, FLOOD_MB),
                        'while not exists "flood end"', 'rem waiting'])
    e, _ = run_expect('log_user 1\nspawn %s flood %d\nexpect "flood end"'
                      % (HELPER, FLOOD_MB))
    t = Tmux("%s flood %d" % (HELPER, FLOOD_MB))
    t.wait_for("flood end")
    tt, _ = t.finish()
    limit = run_limit("flood", HELPER, FLOOD_MB)
    return ("flood (MB/s)", FLOOD_MB / k, FLOOD_MB / e, FLOOD_MB / tt,
            FLOOD_MB / limit, True)


def typing():
    line = "the quick brown fox jumps over the lazy dog and types on " \
           "and on until the line is full 0123456789"
    count = TYPED // (len(line) + 1)
    keys = [line] * (count - 1) + ["last line typed"]
    typed = sum(len(k) + 1 for k in keys)
    k, _ = run_klavrun(['#define line_delay 0', 'start "cat"',
                        'send "%s~"' % "~".join(keys),
                        'while not exists "last line typed"', 'rem waiting'])
    e, _ = run_expect('spawn cat\nsend -- "%s\\r"\nexpect "last line typed"'
                      % "\\r".join(keys))
    t = Tmux("cat")
    text = "\n".join(keys) + "\n"
    for i in range(0, len(text), 8000):
        t.call("send-keys", "-l", text[i:i + 8000].replace("\n", "\r"))
    t.wait_for("last line typed")
    tt, _ = t.finish()
    limit = run_limit("typing", line, count)
    return ("typing into cat (keys/s)", typed / k, typed / e, typed / tt,
            typed / limit, True)


def median(values):
    ordered = sorted(values)
    return ordered[len(ordered) // 2]


def repeated(workload):
    """The median of each tool's figures over the repeats, and the median of
    the ratios taken within each repeat: a machine busy with other work
    slows a repeat's tools alike, so those ratios vary far less."""
    runs = [workload() for _ in range(REPEATS)]
    name, higher_is_better = runs[0][0], runs[0][5]
    figures = tuple(None if runs[0][i] is None else median(run[i] for run in runs)
                    for i in (1, 2, 3, 4))
    ratios = {}
    for key, (a, b) in {"k/limit": (1, 4), "e/limit": (2, 4), "k/expect": (1, 2),
                        "k/tmux": (1, 3)}.items():
        if runs[0][a] is not None and runs[0][b] is not None:
            ratios[key] = median(run[a] / run[b] if run[b] else float("inf")
                                 for run in runs)
    return (name,) + figures + (ratios,)


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))]


def load():
    return "%.2f %.2f %.2f" % os.getloadavg()


def main():
    for tool in ("expect", "tmux"):
        if not shutil.which(tool):
            sys.exit("%s is not installed" % tool)
    load_before = load()
    rows = [repeated(w) for w in (ping_pong, idle_wait, flood, typing)]
    print("%-26s %11s %11s %11s %11s %8s %8s %9s %7s" %
          ("workload", "klavrun", "expect", "tmux", "limit", "k/limit",
           "e/limit", "k/expect", "k/tmux"))
    for name, k, e, t, limit, ratios in rows:
        print("%-26s %11.3f %11.3f %11.3f %11s %8s %8s %9s %7s" %
              ((name, k, e, t, "-" if limit is None else "%.3f" % limit) +
               tuple("%.2f" % ratios[key] if key in ratios else "-"
                     for key in ("k/limit", "e/limit", "k/expect", "k/tmux"))))
    if QUICK:
        print("(--quick: one repeat of shorter workloads, NOT FOR COMPARISON;\n above 1 "
              "means faster, except idle wait, where they compare CPU used)")
    else:
        print("(figures: medians of %d interleaved repeats; ratios: medians of the ratios "
              "within each repeat;\n above 1 means faster, except idle wait, where they "
              "compare CPU used)" % REPEATS)
    print()
    print("ping-pong, text written -> reply received (us), %d rounds pooled:"
          % len(LATENCIES["klavrun"]))
    print("%-10s %9s %9s %9s %16s" %
          ("tool", "median", "p99", "p99.9", "user CPU/round"))
    for tool in ("klavrun", "expect", "limit"):
        values = LATENCIES[tool]
        print("%-10s %9d %9d %9d %16.1f" %
              (tool, percentile(values, 0.5), percentile(values, 0.99),
               percentile(values, 0.999), 1e6 * median(USER_PER_ROUND[tool])))
    print("(user CPU: the tool and the program it drives, median repeat)")
    print("load average (1, 5, 15 min): %s before, %s after" %
          (load_before, load()))
    shutil.rmtree(WORK, ignore_errors=True)


if __name__ == "__main__":
    main()
