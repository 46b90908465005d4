"""Checks the manual pages: man finds nothing to warn about, the script page
names every key the key-string reader knows, and each program's page names
every option its --help lists.

Usage: check_pages.py PAGE...  (KEY_NAMES, and KLAVRUN, KLAVTRACE, KLAVCHECK,
KLAVREC for the programs that are built, in the environment)
"""
import os
import re
import subprocess
import sys

ENV = dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80")


def man(*args):
    return subprocess.run(["man", *args], env=ENV, capture_output=True, text=True)


def warnings(page):
    """What man says on standard error while formatting the page, as lintian runs it."""
    result = man("--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z", page)
    if result.returncode != 0 and not result.stderr:
        return f"man exited {result.returncode}"
    return result.stderr.strip()


def key_names():
    with open(os.environ["KEY_NAMES"]) as source:
        return re.findall(r'\{"([A-Z0-9]+)", 0x', source.read())


def help_options(program):
    """The options a program's --help names; none when it has no --help yet."""
    result = subprocess.run([program, "--help"], capture_output=True, text=True,
                            stdin=subprocess.DEVNULL, timeout=20)
    if result.returncode != 0:
        return set()
    return set(re.findall(r"(?<![\w-])--[a-z][a-z-]*", result.stdout))


def main(pages):
    problems = []
    text = {}
    for page in pages:
        said = warnings(page)
        if said:
            problems.append(f"{page}: {said}")
        text[os.path.basename(page)] = man("-l", page).stdout

    names = key_names()
    if len(names) != 41:
        problems.append(f"key_names.cc: {len(names)} names read, 41 expected")
    words = set(re.findall(r"[A-Z0-9]+", text.get("klavrun-script.5", "")))
    problems += [f"klavrun-script.5 does not name the key {n}" for n in names if n not in words]

    for variable, page in (("KLAVRUN", "klavrun.1"), ("KLAVTRACE", "klavtrace.1"),
                           ("KLAVCHECK", "klavcheck.1"), ("KLAVREC", "klavrec.1")):
        if variable not in os.environ:
            continue
        for option in sorted(help_options(os.environ[variable])):
            if option not in text.get(page, ""):
                problems.append(f"{page} does not document {option}")

    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
