#!/usr/bin/python3
"""What the scroll-back costs a wait: 100,000 lines of output, and a wait
for the line in the middle (found among the rows that scrolled off) or for
the last line (found on the screen, as every wait could before), with this
build and with a build from before the scroll-back (BASELINE, optional); and
ping-pong, a wait per round. Prints the median wall time and CPU time of
each, and the ratios to the baseline. Figures to watch, not tests.

  scrollback_bench.py KLAVRUN KLAVHELPER [BASELINE] [--quick]
"""
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time

ARGS = [a for a in sys.argv[1:] if a != "--quick"]
KLAVRUN, HELPER = (os.path.abspath(p) for p in ARGS[:2])
BASELINE = os.path.abspath(ARGS[2]) if len(ARGS) > 2 else None
QUICK = "--quick" in sys.argv
REPEATS = 3 if QUICK else 31
ROUNDS = 200 if QUICK else 2000
WORK = tempfile.mkdtemp(prefix="klavscroll")
# seq's lines, and lines of 70 bytes as in the console benchmark's flood;
# written to files first, so that cat, which costs next to nothing, writes
# them and the processor time measured is klavrun's.
OUTPUTS = {"seq 1 100000": (["seq", "1", "100000"], "50000", "100000"),
           "100,000 lines of 70 bytes": (
               ["seq", "-f", "line %08g the quick brown fox jumps over the lazy dog 0123456789",
                "1", "100000"], "line 00050000", "line 00100000")}


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def run(klavrun, lines, timeout="30s"):
    """Wall and CPU seconds of one run, and whether it passed."""
    script = os.path.join(WORK, "bench.kls")
    with open(script, "w") as f:
        f.write("".join(line + "\r\n" for line in lines))
    cpu, start = children_cpu(), time.monotonic()
    done = subprocess.run([klavrun, "--timeout", timeout, script], stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          start_new_session=True)
    return time.monotonic() - start, children_cpu() - cpu, done.returncode == 0


def wait_for(output, text):
    return ['start "cat %s"' % output, 'while not exists "%s"' % text, "delay 10"]


def ping_pong():
    lines = ["#define line_delay 0", 'start "%s pingpong %d"' % (HELPER, ROUNDS)]
    for i in range(1, ROUNDS + 1):
        lines += ['while not exists "ready %04d"' % i, "rem waiting", 'send "x~"']
    return lines + ['while not exists "finished"', "rem waiting"]


def median(values):
    return sorted(values)[len(values) // 2]


def measure(lines, builds):
    """Median wall and CPU seconds per build, the builds taking turns."""
    runs = {name: [] for name in builds}
    passed = {name: True for name in builds}
    for _ in range(REPEATS):
        for name, klavrun in builds.items():
            wall, cpu, ok = run(klavrun, lines)
            runs[name].append((wall, cpu))
            passed[name] &= ok
    return {name: (median([w for w, _ in r]), median([c for _, c in r]), passed[name])
            for name, r in runs.items()}


def show(label, figures, per=None):
    line = "%-44s" % label
    for name, (wall, cpu, ok) in figures.items():
        if not ok:
            line += "  %s: not found" % name
        elif per:
            line += "  %s: %9.0f rounds/s, %5.1f us CPU a round" % (
                name, per / wall, 1e6 * cpu / per)
        else:
            line += "  %s: %6.3f s, CPU %6.3f s" % (name, wall, cpu)
    if len(figures) == 2 and all(ok for _, _, ok in figures.values()):
        (w1, c1, _), (w2, c2, _) = figures.values()
        line += "  ratio %.3f (CPU %.3f)" % (w1 / w2, c1 / c2 if c2 else float("nan"))
    print(line, flush=True)


def main():
    builds = {"this build": KLAVRUN}
    if BASELINE:
        builds["baseline"] = BASELINE
    print("median of %d runs each, wall time from start to exit, CPU time of klavrun and cat; load %.2f" %
          (REPEATS, os.getloadavg()[0]))
    for name, (command, middle, last) in OUTPUTS.items():
        print(name + ":")
        output = os.path.join(WORK, "%d.txt" % len(command))
        with open(output, "wb") as f:
            subprocess.run(command, stdout=f, check=True)
        show("  wait for the last line (on the screen)", measure(wait_for(output, last), builds))
        # Before the scroll-back the middle line is never found: not timed there.
        figures = measure(wait_for(output, middle), {"this build": KLAVRUN})
        show("  wait for the middle line (scrolled off)", figures)
    show("ping-pong, %d rounds (a wait each)" % ROUNDS, measure(ping_pong(), builds), ROUNDS)
    print("load %.2f after" % os.getloadavg()[0])
    shutil.rmtree(WORK, ignore_errors=True)


if __name__ == "__main__":
    main()
