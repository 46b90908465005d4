#!/usr/bin/python3
"""Checks the editor and shell support in editors/ against the programs:
Vim's syntax groups at places of a script, its file-type detection, the
TextMate grammar's first rule for each line, and bash completion's options
against each program's --help. Every command klavcheck's table knows
(src/runner/explain.cc) must be a command to both grammars.

Usage: check_editors.py   (KLAVRUN, KLAVTRACE, KLAVCHECK: the programs)
"""
import json
import os
import re
import subprocess
import sys
import tempfile

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
EDITORS = os.path.join(ROOT, "editors")

# A script line, a column (from 1) and the Vim group there.
VIM_ROWS = [
    ("rem wait for the prompt", 5, "klavrunComment"), ("; note", 1, "klavrunComment"),
    ("rem", 1, "klavrunError"), ("  Start \"Python3 -q\"", 3, "klavrunCommand"),
    ("start \"python3 -q\"", 7, "klavrunArgument"), ("dealy 20", 1, "klavrunError"),
    ("while  exists \"x\"", 1, "klavrunError"), ("while not exists \">>>\"", 18, "klavrunArgument"),
    ("delay 20", 7, "klavrunNumber"), ("delay $1f", 7, "klavrunNumber"),
    ("delay twenty", 7, "klavrunBadNumber"), ("#define wait_timeout 0x10", 22, "klavrunNumber"),
    ("send \"+a{enter 2}~\"", 7, "klavrunModifier"), ("send \"+a{enter 2}~\"", 11, "klavrunKeyName"),
    ("send \"+a{enter 2}~\"", 18, "klavrunEnter"), ("send \"{{}x\"", 7, "klavrunKeyName"),
    ("sendenv \"Db_Password\"", 10, "klavrunVariable"), ("send \"a\"", 8, "klavrunKeys"),
]
INVALID = ["dealy 20", "while  exists \"x\"", "rem", "sendenv", "delay"]


def command_lines():
    """A line of each command klavcheck's table names."""
    with open(os.path.join(ROOT, "src", "runner", "explain.cc")) as f:
        table = re.search(r"kCommandWords = \{(.*?)\};", f.read(), re.S).group(1)
    forms = [re.findall(r'"([^"]+)"', entry) for entry in re.findall(r"\{([^{}]+)\}", table)]
    return [" ".join(words) + (" 5" if words[0] in ("delay", "settle", "#define") else " \"x\"")
            for words in forms]


def vim_groups(lines, places, name):
    """The syntax group at each (line, column) of a file of `lines`; its file type."""
    with tempfile.TemporaryDirectory() as folder:
        script, out, query = (os.path.join(folder, n) for n in (name, "out", "q.vim"))
        with open(script, "w") as f:
            f.write("\n".join(lines) + "\n")
        with open(query, "w") as f:
            f.write("let out = [&filetype]\nfor [l, c] in %s\n" % json.dumps(places) +
                    "call add(out, synIDattr(synID(l, c, 1), 'name'))\nendfor\n"
                    "call writefile(out, '%s')\nqa!\n" % out)
        subprocess.run(["vim", "-es", "-N", "-u", "NONE", "-i", "NONE", "--cmd",
                        "set rtp^=" + os.path.join(EDITORS, "vim"), "-c", "filetype on",
                        "-c", "syntax on", "-c", "edit " + script, "-c", "source " + query],
                       check=False, timeout=30, stdin=subprocess.DEVNULL)
        with open(out) as f:
            got = f.read().splitlines()
    return got[0], got[1:]


def check_vim(problems):
    commands = command_lines()
    lines = [row[0] for row in VIM_ROWS] + commands + INVALID
    places = [[i + 1, row[1]] for i, row in enumerate(VIM_ROWS)]
    places += [[len(VIM_ROWS) + i + 1, 1] for i in range(len(commands) + len(INVALID))]
    for name in ("s.klav", "s.kls"):
        filetype, groups = vim_groups(lines, places, name)
        if filetype != "klavrun":
            problems.append("vim: %s has the file type %r" % (name, filetype))
    wanted = [row[2] for row in VIM_ROWS]
    for i, (line, column, group) in enumerate(VIM_ROWS):
        if groups[i] != group:
            problems.append("vim: %r at column %d is %r, not %s" % (line, column, groups[i], group))
    for line, group in zip(commands + INVALID, groups[len(wanted):]):
        if (group == "klavrunError") != (line in INVALID):
            problems.append("vim: %r starts as %r" % (line, group))


def check_textmate(problems):
    with open(os.path.join(EDITORS, "klavrun.tmLanguage.json")) as f:
        grammar = json.load(f)
    rules = grammar["patterns"]
    for line in command_lines() + INVALID:
        rule = next(r for r in rules if re.match(r["match"], line))
        invalid = rule.get("name", "").startswith("invalid")
        if invalid != (line in INVALID):
            problems.append("textmate: %r is taken by %r" % (line, rule.get("name", rule["match"])))
    for rule in grammar["repository"]["keys"]["patterns"]:
        re.compile(rule["match"])


def program_path(variable):
    return os.path.abspath(os.environ[variable])


def complete(*words):
    """What bash completion offers for the last of `words`."""
    script = ('source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); '
              '_klavrun_complete; printf "%s\\n" "${COMPREPLY[@]}"')
    done = subprocess.run(["bash", "-c", script, "bash",
                           os.path.join(EDITORS, "bash-completion", "klavrun")] + list(words),
                          capture_output=True, text=True, timeout=30, cwd=EDITORS)
    return sorted(line for line in done.stdout.splitlines() if line)


def check_bash(problems):
    for variable in ("KLAVRUN", "KLAVTRACE", "KLAVCHECK"):
        program = os.path.abspath(os.environ[variable])
        shown = subprocess.run([program, "--help"], capture_output=True, text=True).stdout
        options = sorted(set(re.findall(r"(?<![\w-])--[a-z][a-z-]*", shown)))
        if complete(program, "--") != options:
            problems.append("bash: %s -- offers %s, not %s" % (variable, complete(program, "--"),
                                                              options))
    rows = [((program_path("KLAVRUN"), "--timeout", ""), ["10s", "1m", "30s", "500ms", "5m"]),
            ((program_path("KLAVRUN"), "--junit", "klavrun.tm"), ["klavrun.tmLanguage.json"]),
            ((program_path("KLAVRUN"), "s.klav", "--"), []),
            ((program_path("KLAVCHECK"), "s.klav", "vi"), ["vim"])]
    for words, wanted in rows:
        if complete(*words) != sorted(wanted):
            problems.append("bash: %s offers %s" % (" ".join(words[1:]), complete(*words)))


def main():
    problems = []
    for check in (check_vim, check_textmate, check_bash):
        check(problems)
    for problem in problems:
        print(problem)
    print("%d passed, %d failed" % (3 - len({p.split(":")[0] for p in problems}),
                                    len({p.split(":")[0] for p in problems})))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
