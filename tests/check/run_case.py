"""Runs klavcheck as one case file says and compares what it prints.

A case file, NAME.check, holds one item a line:
  # ...        a note
  args A B     the arguments (default: NAME.klav)
  exit N       the exit code
  out TEXT     the next line of standard output
  err TEXT     the next line of standard error
Output lines are compared in order and exactly; klavcheck runs in this folder.
Usage: KLAVCHECK=path python3 run_case.py NAME.check
"""
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def read_case(path):
    case = {"args": None, "exit": None, "out": [], "err": []}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f.read().splitlines(), 1):
            tag, _, text = line.partition(" ")
            if tag in ("out", "err"):
                case[tag].append(text)
            elif tag == "args":
                case["args"] = text.split()
            elif tag == "exit":
                case["exit"] = int(text)
            elif line and tag != "#":
                sys.exit("%s:%d: unknown item %r" % (path, number, tag))
    if case["exit"] is None:
        sys.exit("%s: no exit line" % path)
    if case["args"] is None:
        case["args"] = [os.path.basename(path)[: -len(".check")] + ".klav"]
    return case


def main():
    case = read_case(sys.argv[1])
    run = subprocess.run([os.environ["KLAVCHECK"]] + case["args"], cwd=HERE,
                         capture_output=True, timeout=60)
    got = {"exit": run.returncode,
           "out": run.stdout.decode("utf-8", "backslashreplace").splitlines(),
           "err": run.stderr.decode("utf-8", "backslashreplace").splitlines()}
    failed = False
    for key in ("exit", "out", "err"):
        if got[key] != case[key]:
            failed = True
            print("%s: expected %s:" % (sys.argv[1], key))
            print("\n".join(map(str, case[key])) if key != "exit" else case[key])
            print("got:")
            print("\n".join(map(str, got[key])) if key != "exit" else got[key])
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
