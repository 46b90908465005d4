#!/usr/bin/python3
"""Runs end-to-end cases written as data: one file a case, a script and what
the run must give. Adding a case means adding a file.

    run_cases.py [--only NAME] FOLDER...      KLAVRUN, KLAVTRACE and KLAVHELPER
                                              name the programs

A case file, line by line (a line starting with "#" is a comment); a file may
hold several cases, each headed by a line "=== NAME":

    script [lf|cr|crlf] [bom]     the script follows, one line each, indented
      start "{helper} prompt {dir}/got"        by two blanks; written with CR LF
      while not exists "name?"                 unless told otherwise
    bytes "..."                   or the script's bytes, a Python bytes literal body
    args --timeout 2s             options before the script (words)
    command WORD...               or the whole command line after the program
                                  ({script} names the script file)
    program klavtrace             the program to run (default klavrun)
    given NAME "..."              a file put in the case's folder first
    folder NAME                   a folder made there first
    lines                         standard output holds these lines in this
      ExitProcess(0x2)            order (others may come between), indented
    exit 2                        the exit code
    stdout "Error at line: 3\\r\\n"  standard output, a Python bytes literal body;
    stdout~ REGEX                 or a regular expression it must match whole
    stderr "..." / stderr~ REGEX  likewise standard error (not given: anything)
    file NAME "..."               a file the run left in the case's folder
    no-file NAME                  a file the run must not have made
    stdout-to PATH                standard output goes to PATH (/dev/full, say)
    signal N NAME                 sends signal NAME (TERM, INT, ...) after N seconds
    seconds N                     the longest the run may take (default 20)
    at-least N                    the shortest it may take, in seconds
    cpu-at-most N                 CPU seconds it may use, klavrun and the
                                  programs it started together

{helper} stands for klavhelper, {dir} for the case's own folder. The run has
no terminal and a session of its own; PS1 is "prompt> "."""
import ast
import os
import re
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import time

KLAVRUN = os.path.abspath(os.environ.get("KLAVRUN", "build/klavrun"))
HELPER = os.path.abspath(os.environ.get("KLAVHELPER", "build/klavhelper"))
KLAVTRACE = os.path.abspath(os.environ.get("KLAVTRACE", "build/klavtrace"))
ENDINGS = {"crlf": b"\r\n", "lf": b"\n", "cr": b"\r"}


def sections(path):
    """A file holds one case, or several each headed by a line "=== NAME"."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    if not re.search(r"^=== ", text, re.M):
        return [(os.path.relpath(path), text)]
    parts = re.split(r"^=== (.*)\n", text, flags=re.M)
    return [("%s: %s" % (os.path.relpath(path), parts[i]), parts[i + 1])
            for i in range(1, len(parts), 2)]


def parse(path, text):
    case = {"script": [], "ending": b"\r\n", "bom": False, "args": [], "seconds": 20,
            "files": [], "given": [], "folders": [], "lines": [], "program": "klavrun"}
    block_name = None
    for number, line in enumerate(text.split("\n"), 1):
        if block_name and line.startswith("  "):
            case[block_name].append(line[2:])
            continue
        block_name = None
        if not line.strip() or line.startswith("#"):
            continue
        word, _, rest = line.partition(" ")
        if word in ("script", "lines"):
            block_name = word
            for flag in rest.split():
                if flag == "bom":
                    case["bom"] = True
                else:
                    case["ending"] = ENDINGS[flag]
        elif word in ("args", "command"):
            case[word] = rest.split()
        elif word in ("program", "stdout-to"):
            case[word] = rest
        elif word == "signal":
            after, name = rest.split()
            case["signal"] = (float(after), getattr(signal, "SIG" + name))
        elif word == "folder":
            case["folders"].append(rest)
        elif word == "bytes":
            case["bytes"] = bytes_of(rest)
        elif word == "given":
            name, _, data = rest.partition(" ")
            case["given"].append((name, bytes_of(data)))
        elif word == "exit":
            case[word] = int(rest)
        elif word in ("seconds", "at-least", "cpu-at-most"):
            case[word] = float(rest)
        elif word in ("stdout", "stderr"):
            case[word] = ("exact", bytes_of(rest))
        elif word in ("stdout~", "stderr~"):
            case[word[:-1]] = ("regex", rest.encode())
        elif word == "no-file":
            case["files"].append((rest, None))
        elif word == "file":
            name, _, data = rest.partition(" ")
            case["files"].append((name, bytes_of(data)))
        else:
            raise SyntaxError("%s:%d: unknown word %r" % (path, number, word))
    return case


def bytes_of(literal):
    return ast.literal_eval("b" + literal.strip())


def expand(text, folder):
    return text.replace("{helper}", HELPER).replace("{dir}", folder)


def run(path, text):
    """Runs one case; returns a list of what differed."""
    case = parse(path, text)
    folder = tempfile.mkdtemp(prefix="klavcase")
    try:
        lines = [expand(line, folder).encode() for line in case["script"]]
        with open(os.path.join(folder, "script.kls"), "wb") as f:
            f.write(case.get("bytes") or
                    b"\xef\xbb\xbf" * case["bom"] + b"".join(l + case["ending"] for l in lines))
        for name in case["folders"]:
            os.mkdir(os.path.join(folder, name))
        for name, data in case["given"]:
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
        words = case.get("command", case["args"] + ["{script}"])
        args = ["" if a == '""' else expand(a, folder).replace("{script}", "script.kls")
                for a in words]
        program = KLAVTRACE if case["program"] == "klavtrace" else KLAVRUN
        started = time.monotonic()
        cpu_before = cpu_of_children()
        out = open(case["stdout-to"], "wb") if "stdout-to" in case else subprocess.PIPE
        done = launch([program] + args, folder, out, case)
        took = time.monotonic() - started
        if out is not subprocess.PIPE:
            out.close()
            done.stdout = b""
        cpu = cpu_of_children() - cpu_before
        problems = []
        if cpu > case.get("cpu-at-most", float("inf")):
            problems.append("used %.3f CPU seconds, more than %s" % (cpu, case["cpu-at-most"]))
        if took < case.get("at-least", 0):
            problems.append("took %.2f s, less than %s" % (took, case["at-least"]))
        if "exit" in case and done.returncode != case["exit"]:
            problems.append("exit code %d, not %d" % (done.returncode, case["exit"]))
        for stream in ("stdout", "stderr"):
            if stream in case and not matches(case[stream], getattr(done, stream), folder):
                problems.append("%s was %r" % (stream, getattr(done, stream)[:2000]))
        if not in_order(case["lines"], done.stdout.decode("latin-1").splitlines()):
            problems.append("standard output lacks, in order: %r\n%s" % (
                case["lines"], done.stdout.decode("latin-1")[-3000:]))
        for name, expected in case["files"]:
            got = open(os.path.join(folder, name), "rb").read() if os.path.exists(
                os.path.join(folder, name)) else None
            if got != expected:
                problems.append("file %s was %r" % (name, got))
        return problems, took
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def launch(command, folder, out, case):
    """Runs the case's program to its end, with its signal if it has one."""
    run = subprocess.Popen(command, cwd=folder, stdout=out, stderr=subprocess.PIPE,
                           stdin=subprocess.DEVNULL, start_new_session=True,
                           env=dict(os.environ, PS1="prompt> "))
    if "signal" in case:
        after, number = case["signal"]
        try:
            run.wait(after)
        except subprocess.TimeoutExpired:
            run.send_signal(number)
    try:
        stdout, stderr = run.communicate(timeout=case["seconds"])
    except subprocess.TimeoutExpired:
        run.kill()
        run.communicate()
        raise
    return subprocess.CompletedProcess(command, run.returncode, stdout or b"", stderr)


def in_order(wanted, lines):
    found = iter(lines)
    return all(any(line == want for line in found) for want in wanted)


def cpu_of_children():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def matches(expected, got, folder):
    kind, pattern = expected
    pattern = expand(pattern.decode("latin-1"), folder).encode("latin-1")
    if kind == "exact":
        return got == pattern
    return re.fullmatch(pattern, got, re.S) is not None


def main(argv):
    only = None
    if argv[:1] == ["--only"]:
        only, argv = argv[1], argv[2:]
    paths = sorted(os.path.join(folder, name) for folder in argv for name in os.listdir(folder)
                   if name.endswith(".case"))
    cases = [c for path in paths for c in sections(path) if only is None or only in c[0]]
    passed = failed = 0
    for name, text in cases:
        try:
            problems, took = run(name, text)
        except (subprocess.TimeoutExpired, OSError, SyntaxError, ValueError) as error:
            problems, took = [str(error)], 0
        if problems:
            failed += 1
            print("FAIL %s\n  %s" % (name, "\n  ".join(problems)))
        else:
            passed += 1
            print("ok   %s (%.1f s)" % (name, took))
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed or not cases else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
