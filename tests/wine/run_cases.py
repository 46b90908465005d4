#!/usr/bin/python3
"""Runs case files of tests/cases/run_cases.py the Windows way: klavrun.exe
under Wine, on an X display (run.sh starts one).

    run_cases.py [--only NAME] FOLDER...    KLAVRUN_WIN_BUILD names the mingw
                                            build, KLAVRUN_WINEPREFIX a prefix

Its words: script, bytes, args, command, folder, exit, stdout, file, no-file,
seconds (a minute at the least: a console window opens slowly), and

    via wine           (the default) cmd runs klavrun.exe from a batch file, with
                       no console window: output to a file, exit code from
                       %ERRORLEVEL%
    via cmd            the same in a console window (wineconsole)
    via wineconsole    klavrun.exe alone in a console window, which keeps its
                       output; the exit code is wineconsole's
    stdout-to console  (via cmd) the output stays in the console window

Scripts start the helpers by name: they lie beside klavrun.exe. {dir} is the
case's folder as Windows names it, a name with a blank."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "cases"))
import run_cases  # noqa: E402

BUILD = os.path.abspath(os.environ.get("KLAVRUN_WIN_BUILD", "build-win"))
PROGRAMS = ("klavrun.exe", "probe_helper.exe")
HERE = {"script", "ending", "bom", "bytes", "args", "command", "folders", "exit", "stdout",
        "stdout-to", "files", "seconds", "program", "via"}
# Lower case: scripts are lower-cased before their paths reach Windows.
ROOT = os.path.join(tempfile.gettempdir(), "klavrun-wine-%d" % os.getpid())
BIN = os.path.join(ROOT, "bin")
ENV = dict(os.environ, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree=;mshtml=",
           WINEPREFIX=os.environ.get("KLAVRUN_WINEPREFIX") or os.path.join(ROOT, "prefix"))


def windows(path):
    return "Z:" + path.replace("/", "\\")


def wine(*command, cwd=None, timeout=30):
    return subprocess.run(command, cwd=cwd, env=ENV, timeout=timeout,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode


def end_wine():
    wine("wineserver", "-k")
    wine("wineserver", "-w")


def read(folder, name):
    path = os.path.join(folder, name)
    if os.path.exists(path):
        with open(path, "rb") as f:
            return f.read()
    return None


def parse(name, text):
    """run_cases.parse, the word "via" read here (a comment to it)."""
    case = run_cases.parse(name, re.sub(r"^(via .*)$", r"#\1", text, flags=re.M))
    case["via"] = (re.findall(r"^via (.*)$", text, re.M) or ["wine"])[-1]
    unknown = sorted(word for word, value in case.items() if value and word not in HERE)
    unknown += [case["program"]] * (case["program"] != "klavrun")
    unknown += [case["via"]] * (case["via"] not in ("wine", "cmd", "wineconsole"))
    if unknown:
        raise SyntaxError("%s: not under Wine: %s" % (name, ", ".join(unknown)))
    return case


def launch(case, folder, words):
    """Runs klavrun.exe with WORDS: (its standard output or None, exit code or None)."""
    timeout = max(case["seconds"], 60)
    klavrun = os.path.join(BIN, "klavrun.exe")
    if case["via"] == "wineconsole":
        return None, wine("wineconsole", klavrun, *words, cwd=folder, timeout=timeout)
    to_file = case.get("stdout-to") != "console"
    with open(os.path.join(folder, "run.bat"), "w", newline="\r\n") as bat:
        bat.write("@echo off\n%s %s%s\necho %%ERRORLEVEL%% > rc.txt\n" % (
            windows(klavrun), " ".join(words), " > out.txt" if to_file else ""))
    wine("wineconsole" if case["via"] == "cmd" else "wine", "cmd", "/c", "run.bat",
         cwd=folder, timeout=timeout)
    code = read(folder, "rc.txt")
    return read(folder, "out.txt") if to_file else None, None if code is None else int(code)


def run(name, text):
    """Runs one case: (a list of what differed, the seconds it took)."""
    case = parse(name, text)
    folder = tempfile.mkdtemp(prefix="case ", dir=ROOT)
    where = windows(folder)
    try:
        lines = [run_cases.expand(line, where).encode() for line in case["script"]]
        with open(os.path.join(folder, "script.kls"), "wb") as f:
            f.write(case.get("bytes") or
                    b"\xef\xbb\xbf" * case["bom"] + b"".join(l + case["ending"] for l in lines))
        for made in case["folders"]:
            os.mkdir(os.path.join(folder, made))
        words = [run_cases.expand(word, where).replace("{script}", "script.kls")
                 for word in case.get("command", case["args"] + ["{script}"])]
        started = time.monotonic()
        out, code = launch(case, folder, words)
        problems = []
        if case.get("exit", code) != code:
            problems.append("exit code %s, not %s" % (code, case["exit"]))
        if "stdout" in case and not (out is not None and run_cases.matches(
                case["stdout"], out, where)):
            problems.append("stdout was %r" % out)
        for made, expected in case["files"]:
            got = read(folder, made)
            if isinstance(expected, bytes):  # or (kind, pattern), once the parser reads file~
                expected = ("exact", expected)
            if not (got is None if expected is None else
                    got is not None and run_cases.matches(expected, got, where)):
                problems.append("file %s was %r" % (made, got))
        return problems, time.monotonic() - started
    finally:
        end_wine()


def main(argv):
    if not os.environ.get("DISPLAY"):
        print("no X display: run it through run.sh, or xvfb-run -a\n0 passed, 1 failed")
        return 1
    os.mkdir(ROOT)
    try:
        os.mkdir(BIN)
        for program in PROGRAMS:
            shutil.copy(os.path.join(BUILD, program), BIN)
        if not os.path.exists(os.path.join(ENV["WINEPREFIX"], "system.reg")):
            wine("wineboot", "-i", timeout=180)
        end_wine()
        run_cases.run = run  # the Linux runner's loop and report, each case run here
        return run_cases.main(argv)
    finally:
        end_wine()
        shutil.rmtree(ROOT, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
