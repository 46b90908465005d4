#!/usr/bin/python3
"""Runs one script many times side by side, 1, 2, 4 and 8 runs at once, each
run with its own --junit report in one shared folder, and prints the scripts
per second and each run's time against a run alone. Every run must pass and
leave its report; figures to watch, not tests.

  parallel_bench.py KLAVRUN [--quick]
"""
import os
import re
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

KLAVRUN = os.path.abspath(sys.argv[1])
QUICK = "--quick" in sys.argv
RUNS_PER_LANE = 3 if QUICK else 12
LANES = (1, 2, 4, 8)
ROUNDS = 10  # questions the script answers
WORK = tempfile.mkdtemp(prefix="klavparallel")


def script():
    """A dialogue of ROUNDS questions, then 2,000 lines of output to wait through."""
    dialogue = ("for i in $(seq %d); do printf 'question %%s? ' $i; read a; echo got-$a; done; "
                "seq 2000; echo all-done; sleep 5" % ROUNDS)
    lines = ["#define wait_timeout 20000", "#define line_delay 0",
             'start "sh -c "%s""' % dialogue]
    for i in range(1, ROUNDS + 1):
        lines += ['while not exists "question %d?"' % i, "rem poll", 'send "r%d~"' % i]
    lines += ['while not exists "all-done"', "rem poll"]
    path = os.path.join(WORK, "dialogue.klav")
    with open(path, "w") as f:
        f.write("\r\n".join(lines) + "\r\n")
    return path


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def lane(path, name, times, failures):
    for i in range(RUNS_PER_LANE):
        report = os.path.join(WORK, "reports", "%s-%d.xml" % (name, i))
        started = time.monotonic()
        done = subprocess.run([KLAVRUN, "--junit", report, path], cwd=WORK,
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE)
        times.append(time.monotonic() - started)
        with open(report) as f:
            if done.returncode != 0 or not re.search(r'failures="0"', f.read()):
                failures.append("%s: exit %d %s" % (report, done.returncode, done.stderr[-300:]))


def batch(path, lanes):
    """Runs `lanes` lanes at once; returns the wall time, each run's time, CPU per run."""
    shutil.rmtree(os.path.join(WORK, "reports"), ignore_errors=True)
    os.mkdir(os.path.join(WORK, "reports"))
    times, failures, cpu = [], [], children_cpu()
    threads = [threading.Thread(target=lane, args=(path, "lane%d" % n, times, failures))
               for n in range(lanes)]
    started = time.monotonic()
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    wall = time.monotonic() - started
    left = sorted(name for name in os.listdir(os.path.join(WORK, "reports")) if "part" in name)
    if failures or left or len(times) != lanes * RUNS_PER_LANE:
        sys.exit("runs failed: %s %s" % (failures[:3], left[:3]))
    return wall, times, (children_cpu() - cpu) / len(times)


def main():
    path = script()
    print("%d runs per lane of a %d-question dialogue with 2,000 lines of output; %d cores, "
          "load %.2f" % (RUNS_PER_LANE, ROUNDS, os.cpu_count(), os.getloadavg()[0]))
    print("| runs at once | scripts/s | per-run time, median (ms) | against one run alone "
          "| CPU per run (ms) |")
    print("|---|---|---|---|---|")
    alone = None
    for lanes in LANES:
        wall, times, cpu = batch(path, lanes)
        median = statistics.median(times)
        alone = alone or median
        print("| %d | %.1f | %.0f | %.2f | %.0f |" % (
            lanes, len(times) / wall, median * 1000, median / alone, cpu * 1000))
    print("load after: %.2f" % os.getloadavg()[0])
    shutil.rmtree(WORK, ignore_errors=True)


if __name__ == "__main__":
    main()
