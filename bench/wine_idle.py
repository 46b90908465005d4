#!/usr/bin/python3
"""klavrun.exe's idle wait under Wine: the CPU-seconds per second that
klavrun.exe, the console host and wineserver use together while a
`while not exists` with a `rem` body waits 10 s, beside an idle console
program for scale, and how soon a text that shows ends such a wait.

    xvfb-run -a bench/wine_idle.py [BUILD]     BUILD: the mingw build (build-win)

CPU is read from /proc/PID/stat of the Wine processes whose environment
holds this run's WINEPREFIX (a fresh one, removed at the end); each figure
is the median of three runs, as other work on the machine moves them."""

import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
BUILD = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "build-win")
WAIT_S = 10
SETTLE_S = 4
TICK = os.sysconf("SC_CLK_TCK")


def cpu_by_process(prefix):
    """{name: CPU seconds} of the live Wine processes of the prefix."""
    wanted, found = ("WINEPREFIX=" + prefix).encode(), {}
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/environ" % pid, "rb") as environ:
                if wanted not in environ.read().split(b"\0"):
                    continue
            with open("/proc/%s/cmdline" % pid, "rb") as cmdline:
                words = cmdline.read().split(b"\0")
            with open("/proc/%s/stat" % pid) as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        name = os.path.basename(words[0].decode(errors="replace").replace("\\", "/")).lower()
        name = "%s[%s]" % (name, pid)
        found[name] = (int(fields[11]) + int(fields[12])) / TICK  # utime + stime
    return found


def measure(env, work, command, counted):
    """CPU-s/s of the processes whose names start with one of `counted`, over
    WAIT_S seconds from SETTLE_S after `command` started (the prefix's
    services are busy for a while after they start)."""
    run = subprocess.Popen(command, cwd=work, env=env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
    time.sleep(SETTLE_S)
    before = cpu_by_process(env["WINEPREFIX"])
    time.sleep(WAIT_S)
    after = cpu_by_process(env["WINEPREFIX"])
    run.wait(timeout=60)
    end_wine(env)
    used = {name: after[name] - before.get(name, 0.0) for name in after}
    shown = {name: cpu / WAIT_S for name, cpu in used.items() if name.startswith(counted)}
    return sum(shown.values()), shown


def end_wine(env):
    for flag in ("-k", "-w"):
        subprocess.run(["wineserver", flag], env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)


def script(work, lines):
    with open(os.path.join(work, "s.kls"), "wb") as out:
        out.write(b"".join(line.encode() + b"\r\n" for line in lines))


def reaction(env, work):
    rounds = []
    for n in range(1, 6):
        rounds += ['while not exists "r%d shown"' % n, "rem idle", 'title "r%d seen"' % n]
    script(work, ['start "probe_helper.exe reaction r.txt r"'] + rounds)
    subprocess.run(["wineconsole", os.path.join(work, "klavrun.exe"), "s.kls"], cwd=work, env=env, timeout=120,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    end_wine(env)
    with open(os.path.join(work, "r.txt")) as got:
        return [int(ms) for ms in got.read().split()]


def main():
    if not os.environ.get("DISPLAY"):
        sys.exit("needs an X display: xvfb-run -a %s" % sys.argv[0])
    work = tempfile.mkdtemp(prefix="klavrun-idle-")
    env = dict(os.environ, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree=;mshtml=",
               WINEPREFIX=os.path.join(work, "prefix"))
    try:
        for program in ("klavrun.exe", "probe_helper.exe"):
            shutil.copy(os.path.join(BUILD, program), work)
        subprocess.run(["wineboot", "-i"], env=env, timeout=300, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True)
        end_wine(env)
        counted = ("klavrun.exe", "conhost.exe", "wineserver", "probe_helper.exe")
        later = str((WAIT_S + SETTLE_S + 2) * 1000)
        script(work, ['start "probe_helper.exe after %s m"' % later,
                      'while not exists "m done"', "rem idle"])
        print("CPU-seconds per second over %d s (klavrun.exe + conhost.exe + wineserver),"
              " the median of three runs:" % WAIT_S)
        for label, command, names in (
                ("an idle console program (a sleeping helper)",
                 [os.path.join(work, "probe_helper.exe"), "after", later, "m"], counted),
                ("klavrun.exe in `while not exists` + `rem`",
                 [os.path.join(work, "klavrun.exe"), "s.kls"], counted[:3])):
            runs = sorted((measure(env, work, ["wineconsole"] + command, names)
                           for _ in range(3)), key=lambda run: run[0])
            total, shown = runs[1]
            print("  %-45s %.4f  (%s; runs %s)" % (
                label, total, ", ".join("%s %.4f" % item for item in sorted(shown.items())),
                " ".join("%.4f" % run[0] for run in runs)))
        times = reaction(env, work)
        print("reaction to a text, ms (5 rounds): %s; mean %.1f, max %d" % (
            " ".join(map(str, times)), sum(times) / len(times), max(times)))
    finally:
        end_wine(env)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
