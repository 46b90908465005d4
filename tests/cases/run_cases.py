#!/usr/bin/python3
"""Runs end-to-end cases written as data: one file a case, a script and what
the run must give. Adding a case means adding a file.

    run_cases.py [--only NAME] FOLDER...      KLAVRUN and KLAVHELPER name the programs

A case file, line by line (a line starting with "#" is a comment):

    script [lf|cr|crlf] [bom]     the script follows, one line each, indented
      start "{helper} prompt {dir}/got"        by two blanks; written with CR LF
      while not exists "name?"                 unless told otherwise
    args --timeout 2s             options before the script (words)
    exit 2                        the exit code
    stdout "Error at line: 3\\r\\n"  standard output, a Python bytes literal body;
    stdout~ REGEX                 or a regular expression it must match whole
    stderr "..." / stderr~ REGEX  likewise standard error (not given: anything)
    file NAME "..."               a file the run left in the case's folder
    seconds N                     the longest the run may take (default 20)

{helper} stands for klavhelper, {dir} for the case's own folder. The run has
no terminal and a session of its own; PS1 is "prompt> "."""
import ast
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

KLAVRUN = os.path.abspath(os.environ.get("KLAVRUN", "build/klavrun"))
HELPER = os.path.abspath(os.environ.get("KLAVHELPER", "build/klavhelper"))
ENDINGS = {"crlf": b"\r\n", "lf": b"\n", "cr": b"\r"}


def parse(path):
    case = {"script": [], "ending": b"\r\n", "bom": False, "args": [], "seconds": 20,
            "files": []}
    in_script = False
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f.read().split("\n"), 1):
            if in_script and line.startswith("  "):
                case["script"].append(line[2:])
                continue
            in_script = False
            if not line.strip() or line.startswith("#"):
                continue
            word, _, rest = line.partition(" ")
            if word == "script":
                in_script = True
                for flag in rest.split():
                    if flag == "bom":
                        case["bom"] = True
                    else:
                        case["ending"] = ENDINGS[flag]
            elif word == "args":
                case["args"] = rest.split()
            elif word in ("exit", "seconds"):
                case[word] = int(rest)
            elif word in ("stdout", "stderr"):
                case[word] = ("exact", bytes_of(rest))
            elif word in ("stdout~", "stderr~"):
                case[word[:-1]] = ("regex", rest.encode())
            elif word == "file":
                name, _, text = rest.partition(" ")
                case["files"].append((name, bytes_of(text)))
            else:
                raise SyntaxError("%s:%d: unknown word %r" % (path, number, word))
    return case


def bytes_of(literal):
    return ast.literal_eval("b" + literal.strip())


def expand(text, folder):
    return text.replace("{helper}", HELPER).replace("{dir}", folder)


def run(path):
    """Runs one case; returns a list of what differed."""
    case = parse(path)
    folder = tempfile.mkdtemp(prefix="klavcase")
    try:
        lines = [expand(line, folder).encode() for line in case["script"]]
        with open(os.path.join(folder, "script.kls"), "wb") as f:
            f.write(b"\xef\xbb\xbf" * case["bom"] + b"".join(l + case["ending"] for l in lines))
        args = [expand(a, folder) for a in case["args"]]
        started = time.monotonic()
        done = subprocess.run([KLAVRUN] + args + ["script.kls"], cwd=folder, capture_output=True,
                              stdin=subprocess.DEVNULL, timeout=case["seconds"],
                              start_new_session=True, env=dict(os.environ, PS1="prompt> "))
        took = time.monotonic() - started
        problems = []
        if "exit" in case and done.returncode != case["exit"]:
            problems.append("exit code %d, not %d" % (done.returncode, case["exit"]))
        for stream in ("stdout", "stderr"):
            if stream in case and not matches(case[stream], getattr(done, stream), folder):
                problems.append("%s was %r" % (stream, getattr(done, stream)[:2000]))
        for name, expected in case["files"]:
            got = open(os.path.join(folder, name), "rb").read() if os.path.exists(
                os.path.join(folder, name)) else None
            if got != expected:
                problems.append("file %s was %r" % (name, got))
        return problems, took
    finally:
        shutil.rmtree(folder, ignore_errors=True)


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
                   if name.endswith(".case") and (only is None or only in name))
    passed = failed = 0
    for path in paths:
        try:
            problems, took = run(path)
        except (subprocess.TimeoutExpired, OSError, SyntaxError, ValueError) as error:
            problems, took = [str(error)], 0
        name = os.path.relpath(path)
        if problems:
            failed += 1
            print("FAIL %s\n  %s" % (name, "\n  ".join(problems)))
        else:
            passed += 1
            print("ok   %s (%.1f s)" % (name, took))
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed or not paths else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
