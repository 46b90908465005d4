#!/usr/bin/python3
"""The README's examples marked "<!-- example: runs -->" run to their end on
the Linux console, and klavcheck finds nothing in them. KLAVRUN and
KLAVCHECK name the programs (no KLAVCHECK: not checked); the README is found
from here."""
import os
import re
import subprocess
import sys
import tempfile

KLAVRUN = os.path.abspath(os.environ.get("KLAVRUN", "build/klavrun"))
KLAVCHECK = os.environ.get("KLAVCHECK")
CLEAN = b"klavcheck: 0 errors, 0 warnings in 1 scripts\n"
README = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "README.md")


def examples(text):
    """The indented block after each marker, its indentation removed."""
    found = []
    for match in re.finditer(r"<!-- example: runs -->\n\n((?:[ ]{4,}\S.*\n|\n)+)", text):
        lines = [line for line in match.group(1).rstrip("\n").split("\n")]
        indent = min(len(l) - len(l.lstrip()) for l in lines if l.strip())
        found.append([l[indent:] for l in lines])
    return found


def main():
    with open(README, encoding="utf-8") as f:
        blocks = examples(f.read())
    passed = failed = 0
    for lines in blocks:
        with tempfile.TemporaryDirectory() as folder:
            with open(os.path.join(folder, "example.kls"), "w") as f:
                f.write("\n".join(lines) + "\n")
            done = subprocess.run([KLAVRUN, "--timeout", "20s", "example.kls"], cwd=folder,
                                  capture_output=True, stdin=subprocess.DEVNULL, timeout=60)
            if KLAVCHECK and done.returncode == 0:
                done = subprocess.run([KLAVCHECK, "example.kls"], cwd=folder,
                                      capture_output=True, timeout=60)
                done.returncode = 0 if done.stdout == CLEAN else 1
        if done.returncode == 0:
            passed += 1
        else:
            failed += 1
            print("FAIL (exit %d):\n  %s\n%s" % (done.returncode, "\n  ".join(lines),
                                                done.stdout.decode(errors="replace")))
    print("%d passed, %d failed" % (passed, failed + (not blocks)))
    return 1 if failed or not blocks else 0


if __name__ == "__main__":
    sys.exit(main())
