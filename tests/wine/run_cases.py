#!/usr/bin/python3
"""Runs case files the Windows way: klavrun.exe under Wine on an X display
(run.sh starts one), each case read, prepared and checked by
tests/cases/run_cases.py.     run_cases.py [--only NAME] FOLDER...
KLAVRUN_WIN_BUILD names the mingw build, KLAVRUN_WINEPREFIX a prefix.

Words: script, bytes, args, command, folder, exit, stdout, file, env, seconds (a
minute at the least: a console window opens slowly), and
  via wine           (the default) cmd runs klavrun.exe from a batch file with no
                     console window: output and errors to files, exit code %ERRORLEVEL%
  via cmd            the same in a console window (wineconsole)
  via wineconsole    klavrun.exe alone in a console window, which keeps its
                     output; the exit code is wineconsole's
  stdout-to console  (via cmd) the output stays in the console window
Scripts start the helpers by name: they lie beside klavrun.exe. {dir} is the
case's folder as Windows names it, a name with a blank; {system} in a file's
expected text is Windows' own folder as the build under test sees it
(KLAVRUN_WIN_ARCH 64: system32; else syswow64, a 32-bit program's view)."""
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "cases"))
import run_cases  # noqa: E402

BUILD = os.path.abspath(os.environ.get("KLAVRUN_WIN_BUILD", "build-win"))
HERE = {"script", "ending", "bom", "bytes", "args", "command", "folders", "exit", "stdout",
        "stderr", "stdout-to", "files", "seconds", "program", "via", "env"}
# Lower case: scripts are lower-cased before their paths reach Windows.
ROOT = os.path.join(tempfile.gettempdir(), "klavrun-wine-%d" % os.getpid())
KLAVRUN = os.path.join(ROOT, "bin", "klavrun.exe")
ENV = dict(os.environ, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree=;mshtml=",
           WINEPREFIX=os.environ.get("KLAVRUN_WINEPREFIX") or os.path.join(ROOT, "prefix"))
LINUX = {"parse": run_cases.parse, "run": run_cases.run}
SYSTEM = b"C:\\windows\\" + (b"system32" if os.environ.get("KLAVRUN_WIN_ARCH") == "64"
                               else b"syswow64")
run_cases.VALUES["via"] = str


def windows(path):
    return "Z:" + path.replace("/", "\\")


def wine(*command, cwd=None, timeout=30, env=None):
    return subprocess.run(command, cwd=cwd, env=dict(ENV, **(env or {})), timeout=timeout,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode


def end_wine():
    wine("wineserver", "-k")
    wine("wineserver", "-w")


def parse(name, text):
    """The Linux runner's parse, refusing the words Wine cannot run."""
    case = LINUX["parse"](name, text)
    case.setdefault("via", "wine")
    unknown = sorted(word for word, value in case.items() if value and word not in HERE)
    unknown += [case["program"]] * (case["program"] != "klavrun")
    unknown += [case["via"]] * (case["via"] not in ("wine", "cmd", "wineconsole"))
    if unknown:
        raise SyntaxError("%s: not under Wine: %s" % (name, ", ".join(unknown)))
    case["files"] = [(file, (kind, value.replace(b"{system}", SYSTEM) if kind == "exact"
                             else value)) for file, (kind, value) in case["files"]]
    return case


def launch(case, command, folder, unique, problems):
    """Runs klavrun.exe with the command's words: its standard output and
    error (None when they stay in a console window), and its exit code."""
    timeout, words = max(case["seconds"], 60), command[1:]
    env = {name: value.decode() for name, value in case["env"]}
    if case["via"] == "wineconsole":
        code = wine("wineconsole", KLAVRUN, *words, cwd=folder, timeout=timeout, env=env)
        return subprocess.CompletedProcess(command, code, None, None)
    to_file = case.get("stdout-to") != "console"
    with open(os.path.join(folder, "run.bat"), "w", newline="\r\n") as bat:
        bat.write("@echo off\n%s %s%s\necho %%ERRORLEVEL%% > rc.txt\n" % (
            windows(KLAVRUN), " ".join(words), " > out.txt 2> err.txt" if to_file else ""))
    wine("wineconsole" if case["via"] == "cmd" else "wine", "cmd", "/c", "run.bat",
         cwd=folder, timeout=timeout, env=env)
    code = run_cases.read(os.path.join(folder, "rc.txt"))
    out, err = (run_cases.read(os.path.join(folder, name)) if to_file else None
                for name in ("out.txt", "err.txt"))
    return subprocess.CompletedProcess(command, code and int(code), out, err)


def run(name, text):
    try:
        return LINUX["run"](name, text)
    finally:
        end_wine()


def main(argv):
    if not os.environ.get("DISPLAY"):
        print("no X display: run it through run.sh, or xvfb-run -a\n0 passed, 1 failed")
        return 1
    os.mkdir(ROOT)
    try:
        os.mkdir(os.path.dirname(KLAVRUN))
        for program in ("klavrun.exe", "probe_helper.exe"):
            shutil.copy(os.path.join(BUILD, program), os.path.dirname(KLAVRUN))
        if not os.path.exists(os.path.join(ENV["WINEPREFIX"], "system.reg")):
            wine("wineboot", "-i", timeout=180)
        end_wine()
        # The Linux runner's loop, report and checks; each case started here.
        tempfile.tempdir = ROOT
        run_cases.PREFIX, run_cases.NAMED, run_cases.START = "case ", windows, launch
        run_cases.parse, run_cases.run = parse, run
        return run_cases.main(argv)
    finally:
        end_wine()
        shutil.rmtree(ROOT, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
