#!/usr/bin/python3
"""Runs end-to-end cases written as data: a script and what the run must give.

    run_cases.py [--only NAME] FOLDER|README...   KLAVRUN, KLAVTRACE, KLAVCHECK, KLAVHELPER,
                                                  XWINDOWS: the programs

A .case file holds a case, or several each under "=== NAME" (what comes first holds for each).
A line is a word and its value ("#": a comment); a block's lines follow indented two blanks.
"..." is a Python bytes literal's body; a word ending in "~" takes a regular expression that
must match the whole instead. In a README, each indented block after "<!-- example: runs -->"
is a case: it runs, and klavcheck finds nothing in it.

script [lf|cr|crlf] [bom]  the script (CR LF ends); " => COLUMN: KIND: TEXT" on a line: lines
bytes "..."                or the script's bytes
args WORD...               options before the script, or
command WORD...            the whole command line ({script}: the script)
program NAME               klavrun (the default), klavtrace or klavcheck
given NAME "..."           a file made in the case's folder first
env NAME "..."             an environment variable the run gets
folder NAME / fifo NAME    a folder, a named pipe made there first
link NAME TARGET           a symbolic link made there first
windows "TITLE"...         X windows made first (the last on top)
focus "TITLE"              the one focused after ("unchanged", the default)
exit N                     the exit code (0 unless told)
stdout "..." / stdout~ RE  standard output; stderr likewise (after exit 0: none unless told)
lines                      lines standard output holds in this order
file NAME "..." / file~ NAME RE   a file the run left in the case's folder
stdout-to PATH             where standard output goes ("closed": nowhere; "broken": a pipe
                           that nobody reads)
signal N NAME [run]        signal NAME after N seconds to klavrun, or (run) its script's process
during N SHELL             started after N seconds; must succeed
after SHELL                run after the run until it succeeds
seconds N / at-least N     the longest run (20 unless told) / the shortest
open-files N               the run's limit of open files (ulimit -n)
cpu-at-most N              CPU seconds of klavrun and its programs
recording NAME [part] [JSON]  an asciicast the run wrote: whole, in time order, its output the
                           run's (part: a start of it); JSON its header, with a timestamp of now
cast-input "..."           its "i" events together
cast-markers               its markers, each once, in order (a block)
terminal [shell] [WxH]     runs in a tmux pane (100 x 30, or W x H showing only the run), standard
                           error to stderr.txt, with steps: wait TEXT, wait-file NAME, keys
                           WORD..., type WORD... (as a person: a pause, then a key each 0.1 s;
                           tmux's key names, else each character), tmux WORD..., sleep N, sh
                           SHELL (must succeed; $KLAVTMUX: tmux on the pane's server), screen
                           (the pane's text, for replay). The pane's and the terminal's modes
                           must come back. shell: the steps start klavrun and write stty.*, rc.
replay SCRIPT [NAME...]    SCRIPT, which the run wrote, is klavcheck-clean and runs with
                           klavrun in a fresh folder (the given files copied): exit 0, the
                           screen step's text shown at its end, the files NAME made the same

{helper}, {klavrun}: the programs; {dir}: the case's folder; {unique}: a number no other case
uses; {keys N}: N typable bytes; {xNN}: the byte NN (in given names too). Outside a terminal
the run has a session of its own, an inherited open pipe, and standard input a file it must
leave unread; PS1 is "prompt> "."""
import ast
import itertools
import json
import os
import pathlib
import re
import resource
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import textwrap
import time

PROGRAMS = {name: os.path.abspath(os.environ.get(name.upper(), "build/" + name))
            for name in ("klavrun", "klavtrace", "klavcheck", "klavhelper", "xwindows",
                         "klavrec")}
ENDINGS = {"crlf": b"\r\n", "lf": b"\n", "cr": b"\r"}
TYPABLE = "abcdefghijklmnopqrstuvwxyz0123456789 .,;/-=[]'\\`"
COUNTER = itertools.count()
BLOCKS = ("script", "lines", "cast-markers", "terminal")
# tmux's names of the keys a person presses; other words are typed as text.
KEY_NAME = re.compile(r"([CMS]-.+|Enter|Escape|Tab|BTab|BSpace|Up|Down|Left|Right|Home|End|DC|IC"
                      r"|PPage|NPage|F\d+)")
MODES = "#{alternate_on} #{cursor_flag} #{keypad_cursor_flag} #{keypad_flag} #{pane_title}"
# What the Wine runner changes: the folders' prefix, {dir} as the program names
# the folder, and how a case starts.
PREFIX, NAMED, START = "klavcase", str, None


def sections(path):
    """A file holds one case, or several each headed by a line "=== NAME"."""
    text, name = pathlib.Path(path).read_text(encoding="utf-8"), os.path.relpath(path)
    if path.endswith(".md"):
        return readme_examples(name, text)
    # What comes before the first case holds for every case.
    parts = re.split(r"^=== (.*)\n", text, flags=re.M)
    return [("%s: %s" % (name, parts[i]), parts[0] + parts[i + 1])
            for i in range(1, len(parts), 2)] or [(name, text)]


def readme_examples(name, text):
    blocks = re.findall(r"<!-- example: runs -->\n\n((?:[ ]{4,}\S.*\n|\n)+)", text)
    clean = "klavcheck: 0 errors, 0 warnings in 1 scripts"
    return [("%s: example %d" % (name, number),
             'args --timeout 20s\nafter test "$(%s script.kls)" = "%s"\nscript lf\n%s' % (
                 PROGRAMS["klavcheck"], clean, textwrap.indent(textwrap.dedent(block).rstrip(),
                                                               "  ", lambda line: True)))
            for number, block in enumerate(blocks, 1)]


def bytes_of(literal):
    return ast.literal_eval("b" + literal.strip())


def named(read):
    return lambda rest: (rest.partition(" ")[0], read(rest.partition(" ")[2]))


def recording(rest):
    name, _, header = rest.partition(" ")
    part = header.startswith("part")
    header = header[4 * part:].strip()
    return name, part, json.loads(header) if header else None


def timed(rest):
    after, _, what = rest.partition(" ")
    name, _, target = what.partition(" ")
    return float(after), getattr(signal, "SIG" + name), target == "run"


EXACT, REGEX = (lambda rest: ("exact", bytes_of(rest))), (lambda rest: ("regex", rest.encode()))
# Each word's value, kept under the word without its "~".
VALUES = {"args": str.split, "command": str.split, "replay": str.split, "program": str,
          "stdout-to": str, "exit": int, "open-files": int, "seconds": float, "at-least": float,
          "cpu-at-most": float,
          "bytes": bytes_of, "cast-input": bytes_of, "windows": shlex.split,
          "focus": shlex.split, "recording": recording, "stdout": EXACT, "stdout~": REGEX,
          "stderr": EXACT, "stderr~": REGEX}
# Words that may come again: the list each adds to, and its value.
LISTS = {"folder": ("folders", str), "fifo": ("fifos", str), "after": ("after", str),
         "link": ("links", named(str)),
         "given": ("given", named(bytes_of)), "env": ("env", named(bytes_of)),
         "file": ("files", named(EXACT)),
         "file~": ("files", named(REGEX)), "signal": ("timed", timed),
         "during": ("timed", lambda rest: (float(rest.partition(" ")[0]),
                                           rest.partition(" ")[2], False))}


def parse(path, text):
    case = {"ending": b"\r\n", "bom": False, "args": [], "seconds": 20, "program": "klavrun"}
    case.update((name, []) for name, _ in LISTS.values())
    case.update((block, []) for block in BLOCKS)
    block_name = None
    for number, line in enumerate(text.split("\n"), 1):
        if block_name and line.startswith("  "):
            line = line[2:]
            if block_name == "script":  # a line may say what klavcheck finds in it
                line, *found = line.split(" => ")
                case["lines"] += ["script.kls:%d:%s" % (len(case["script"]) + 1, f)
                                  for f in found]
            case[block_name].append(line)
            continue
        block_name = None
        if not line.strip() or line.startswith("#"):
            continue
        word, _, rest = line.partition(" ")
        if word in BLOCKS:
            block_name = word
            case.update((flag, True) if flag in ("bom", "shell") else ("size", flag)
                        if "x" in flag else ("ending", ENDINGS[flag]) for flag in rest.split())
        elif word in VALUES:
            case[word.rstrip("~")] = VALUES[word](rest)
        elif word in LISTS:
            case[LISTS[word][0]].append(LISTS[word][1](rest))
        else:
            raise SyntaxError("%s:%d: unknown word %r" % (path, number, word))
    return case


def expand(text, folder, unique=""):
    for name, value in (("helper", PROGRAMS["klavhelper"]), ("klavrun", PROGRAMS["klavrun"]),
                        ("dir", NAMED(folder)), ("unique", unique)):
        text = text.replace("{%s}" % name, value)
    text = re.sub(r"\{x([0-9a-f]{2})\}", lambda m: chr(int(m.group(1), 16)), text)
    return re.sub(r"\{keys (\d+)\}",
                  lambda m: (TYPABLE * (int(m.group(1)) // len(TYPABLE) + 1))[:int(m.group(1))],
                  text)


def prepare(case, folder, unique):
    """Writes the script and what the case puts in its folder."""
    lines = [expand(line, folder, unique).encode() for line in case["script"]]
    with open(os.path.join(folder, "script.kls"), "wb") as f:
        f.write(case.get("bytes") or
                b"\xef\xbb\xbf" * case["bom"] + b"".join(l + case["ending"] for l in lines))
    for name in case["folders"]:
        os.mkdir(os.path.join(folder, name))
    for name in case["fifos"]:
        os.mkfifo(os.path.join(folder, name))
    for name, target in case["links"]:
        os.symlink(expand(target, folder), os.path.join(folder, name))
    for name, data in case["given"] + [("stdin", b"a line for nobody\n")]:
        with open(os.path.join(folder, expand(name, folder)), "wb") as f:
            f.write(data)


def run(path, text):
    """Runs one case; returns a list of what differed, and the seconds it took."""
    case = parse(path, text)
    folder = tempfile.mkdtemp(prefix=PREFIX)
    unique = "%d%03d" % (os.getpid(), next(COUNTER))
    try:
        prepare(case, folder, unique)
        words = case.get("command", case["args"] + ["{script}"])
        args = ["" if a == '""' else expand(a, folder).replace("{script}", "script.kls")
                for a in words]
        started, cpu_before, problems = time.monotonic(), cpu_of_children(), []
        start = START or (in_terminal if case["terminal"] else
                          with_windows if "windows" in case else launch)
        done = start(case, [PROGRAMS[case["program"]]] + args, folder, unique, problems)
        took, cpu = time.monotonic() - started, cpu_of_children() - cpu_before
        if cpu > case.get("cpu-at-most", float("inf")):
            problems.append("used %.3f CPU seconds, more than %s" % (cpu, case["cpu-at-most"]))
        if took < case.get("at-least", 0):
            problems.append("took %.2f s, less than %s" % (took, case["at-least"]))
        check_outcome(case, done, folder, unique, problems)
        if "replay" in case:
            check_replay(case, folder, problems)
        return problems, took
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def check_outcome(case, done, folder, unique, problems):
    """The outcome against the case; None for a stream the run could not keep."""
    case.setdefault("exit", 0)
    if case["exit"] == 0 and done.stderr is not None:
        case.setdefault("stderr", ("exact", b""))
    if done.returncode != case["exit"]:
        problems.append("exit code %s, not %d" % (done.returncode, case["exit"]))
    for stream in ("stdout", "stderr"):
        got = getattr(done, stream)
        if stream in case and (got is None or not matches(case[stream], got, folder)):
            problems.append("%s was %r" % (stream, got and got[:2000]))
    stdout = (done.stdout or b"").decode("utf-8", "surrogateescape")
    if not in_order(case["lines"], stdout.splitlines()):
        problems.append("standard output lacks, in order: %r\n%s" % (
            case["lines"], done.stdout.decode("latin-1")[-3000:]))
    for name, expected in case["files"]:
        got = read(os.path.join(folder, name))
        if got is None or not matches(expected, got, folder):
            problems.append("file %s was %r" % (name, got and got[:2000]))
    if "recording" in case:
        check_recording(case, done, folder, problems)
    deadline = time.monotonic() + case["seconds"]
    for command in case["after"]:
        while not shell(command, folder, unique).returncode == 0:
            if time.monotonic() > deadline:
                problems.append("after the run, this failed: " + command)
                break
            time.sleep(0.2)


def read(path):
    return pathlib.Path(path).read_bytes() if os.path.exists(path) else None


def shell(command, folder, unique, env=None, wait=True):
    start = subprocess.run if wait else subprocess.Popen
    return start(["sh", "-c", expand(command, folder, unique)], cwd=folder,
                 stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                 env=dict(os.environ, **(env or {})))


def standard_output(case, folder):
    """The run's standard output: a pipe the case reads, a file, or one that fails."""
    where = case.get("stdout-to")
    if where in (None, "closed"):
        return subprocess.PIPE if where is None else None
    if where == "broken":
        unread, out = os.pipe()
        os.close(unread)
        return out
    return os.open(expand(where, folder), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)


def set_limits(case):
    """In the run's process, before it starts: its limits, and no output when so told."""
    if "open-files" in case:
        resource.setrlimit(resource.RLIMIT_NOFILE, (case["open-files"],) * 2)
    if case.get("stdout-to") == "closed":
        os.close(1)


def launch(case, command, folder, unique, problems):
    """Runs the case's program to its end, with what it does on the way."""
    spare = os.pipe()
    out = standard_output(case, folder)
    with open(os.path.join(folder, "stdin"), "rb") as stdin:
        run = subprocess.Popen(command, cwd=folder, stdout=out, stderr=subprocess.PIPE,
                               stdin=stdin, start_new_session=True, pass_fds=spare,
                               env=dict(os.environ, PS1="prompt> ",
                                        **{name: value.decode() for name, value in case["env"]}),
                               preexec_fn=lambda: set_limits(case))
        for fd in spare + ((out,) if isinstance(out, int) and out >= 0 else ()):
            os.close(fd)
        started, during = time.monotonic(), []
        for after, what, to_run in sorted(case["timed"], key=lambda t: t[0]):
            try:
                run.wait(max(0, started + after - time.monotonic()))
            except subprocess.TimeoutExpired:
                pass
            if isinstance(what, str):
                during.append((what, shell(what, folder, unique, wait=False)))
            elif run.poll() is None:
                os.kill(child_of(run.pid) if to_run else run.pid, what)
        try:
            stdout, stderr = run.communicate(timeout=case["seconds"])
        except subprocess.TimeoutExpired:
            run.kill()
            run.communicate()
            raise
        if os.lseek(stdin.fileno(), 0, os.SEEK_CUR) != 0:
            problems.append("standard input was read")
    for what, check in during:
        if check.wait(case["seconds"]) != 0:
            problems.append("during the run, this failed: " + what)
    return subprocess.CompletedProcess(command, run.returncode, stdout or b"", stderr)


def child_of(pid):
    return int(subprocess.run(["pgrep", "-o", "-P", str(pid)], capture_output=True).stdout)


def with_windows(case, command, folder, unique, problems):
    """Runs the case among X windows of the given titles; checks the focus after."""
    xwindows = [PROGRAMS["xwindows"]]
    focus = lambda: int(subprocess.run(xwindows + ["focus"], stdout=subprocess.PIPE, check=True,
                                       timeout=30).stdout.split()[1], 16)
    with subprocess.Popen(xwindows + ["create"] + case["windows"],
                          stdout=subprocess.PIPE) as maker:
        try:
            # It prints each id once its window is mapped.
            titles = {int(maker.stdout.readline(), 16): title for title in case["windows"]}
            before = focus()
            done = launch(case, command, folder, unique, problems)
            after, wanted = focus(), case.get("focus", ["unchanged"])[0]
            if after != before if wanted == "unchanged" else titles.get(after) != wanted:
                problems.append("the focus went to %r" % titles.get(after, after))
            return done
        finally:
            maker.kill()  # and its windows go


def in_terminal(case, command, folder, unique, problems):
    """Runs the case in a tmux pane of a server of its own, taking its steps."""
    socket = "klavcase" + unique
    tmux = ["tmux", "-L", socket, "-f", "/dev/null"]
    env = {"KLAVTMUX": " ".join(tmux)}

    def on_pane(*words):
        return subprocess.run(tmux + list(words), capture_output=True, check=True,
                              timeout=10).stdout.decode()

    def wait_for(what, ready):
        deadline = time.monotonic() + case["seconds"]
        while not ready():
            if time.monotonic() > deadline:
                raise ValueError("waited %s s for %s" % (case["seconds"], what))
            time.sleep(0.05)

    rc = os.path.join(folder, "rc")
    width, height = case.get("size", "100x30").split("x")
    clear = 'printf "\\033[H\\033[2J"; ' if "size" in case else ""
    try:
        # A pane of a size shows only the program's screen: the shell's prompt is empty.
        on_pane("new-session", "-d", "-x", width, "-y", height, "-s", "t", "-c", folder,
                "PS1= sh" if clear else "sh")
        on_pane("set-option", "-g", "remain-on-exit", "on")
        modes = on_pane("display-message", "-p", "-t", "t", MODES)
        if not case.get("shell"):
            on_pane("send-keys", "-t", "t", "-l", "stty -g > stty.before; sh -c '%secho $$ > "
                    "klavrun.pid; PS1=\"sh> \" exec %s 2>stderr.txt'; echo $? > rc.tmp; stty -g > "
                    "stty.after; mv rc.tmp rc\n" % (clear, " ".join(map(shlex.quote, command))))
        for step in case["terminal"]:
            word, _, rest = expand(step, folder, unique).partition(" ")
            if word == "wait":
                wait_for(rest, lambda: rest in on_pane("capture-pane", "-p", "-t", "t"))
            elif word == "wait-file":
                wait_for(rest, lambda: os.path.exists(os.path.join(folder, rest)))
            elif word in ("keys", "tmux"):
                on_pane(*(["send-keys", "-t", "t"] * (word == "keys") + shlex.split(rest)))
            elif word == "type":
                for key in as_typed(shlex.split(rest)):
                    time.sleep(0.1)
                    on_pane("send-keys", "-t", "t", *key)
            elif word == "screen":
                screen = on_pane("capture-pane", "-p", "-t", "t")
                pathlib.Path(folder, "screen.txt").write_text(screen)
            elif word == "sleep":
                time.sleep(float(rest))
            elif word == "sh" and shell(rest, folder, unique, env).returncode != 0:
                problems.append("in the pane's run, this failed: " + rest)
        wait_for("the exit code", lambda: os.path.exists(rc))
        if on_pane("display-message", "-p", "-t", "t", MODES) != modes:
            problems.append("the pane's modes did not come back")
        before, after = (read(os.path.join(folder, "stty." + n)) for n in ("before", "after"))
        if before is None or before != after:
            problems.append("the terminal's modes did not come back: %r, %r" % (before, after))
        return subprocess.CompletedProcess(command, int(read(rc)), b"",
                                           read(os.path.join(folder, "stderr.txt")) or b"")
    finally:
        subprocess.run(tmux + ["kill-server"], capture_output=True)


def as_typed(words):
    """A person's keys: a pause to read the screen first, then one key at a time."""
    time.sleep(0.6)
    for word in words:
        if KEY_NAME.fullmatch(word):
            yield [word]
        else:
            yield from (["-l", "\\;" if c == ";" else c] for c in word)


def check_replay(case, folder, problems):
    """The script the run wrote is clean and replays unattended to the same screen and files."""
    script, *names = case["replay"]
    checked = subprocess.run([PROGRAMS["klavcheck"], script], cwd=folder, capture_output=True)
    if checked.stdout != b"klavcheck: 0 errors, 0 warnings in 1 scripts\n":
        problems.append("klavcheck finds in %s: %r" % (script, checked.stdout))
    again = tempfile.mkdtemp(prefix=PREFIX)
    try:
        for name in [script] + [name for name, _ in case["given"]]:
            shutil.copy(os.path.join(folder, name), again)
        # The script's first line says how to replay it (a --size).
        first = (read(os.path.join(folder, script)) or b"").split(b"\n")[0].decode()
        said = re.search(r"replay it with klavrun(.*)\.$", first)
        options = said.group(1).split() if said else []
        with open(os.path.join(again, "out"), "wb") as out:
            done = subprocess.run([PROGRAMS["klavrun"]] + options + [script], cwd=again, stdout=out,
                                  stdin=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=60,
                                  env=dict(os.environ, PS1="sh> "))
        if done.returncode != 0:
            problems.append("the replay exited %d: %s" % (done.returncode, done.stderr.decode()))
        shown = screen_of(os.path.join(again, "out"), case.get("size", "100x30"))
        recorded = screen_of_text(read(os.path.join(folder, "screen.txt")) or b"")
        if shown != recorded:
            problems.append("the replay ends on\n%s\nnot on\n%s" % (shown, recorded))
        problems += ["the replay made %s differently" % name for name in names
                     if read(os.path.join(folder, name)) != read(os.path.join(again, name))]
    finally:
        shutil.rmtree(again, ignore_errors=True)


def screen_of(path, size):
    """What a terminal of that size shows after the bytes in path."""
    tmux = ["tmux", "-L", "klavshow%d" % os.getpid(), "-f", "/dev/null"]
    width, height = size.split("x")
    try:
        show = "stty -echo; cat %s; tmux wait-for -S shown; sleep 60" % shlex.quote(path)
        subprocess.run(tmux + ["new-session", "-d", "-x", width, "-y", height, show], check=True)
        subprocess.run(tmux + ["wait-for", "shown"], check=True, timeout=20)
        return screen_of_text(subprocess.run(tmux + ["capture-pane", "-p"], check=True,
                                             capture_output=True).stdout)
    finally:
        subprocess.run(tmux + ["kill-server"], capture_output=True)


def screen_of_text(text):
    return "\n".join(line.rstrip() for line in text.decode().splitlines()).rstrip("\n")


def check_recording(case, done, folder, problems):
    """The asciicast is whole, in time order, and shows what the run showed."""
    name, part, header = case["recording"]
    lines = (read(os.path.join(folder, name)) or b"").decode("utf-8", "replace").split("\n")
    try:
        got = json.loads(lines[0])
        events = [json.loads(line) for line in lines[1:-1]
                  if re.fullmatch(r'\[\d+\.\d{6}, "[oim]", ".*"\]', line) or 0 / 0]
    except (ValueError, ZeroDivisionError):
        problems.append("recording %s is no asciicast: %r" % (name, lines[:3]))
        return
    text = {kind: "".join(data for _, what, data in events if what == kind) for kind in "oi"}
    output = done.stdout.decode("utf-8", "replace")
    markers = list(dict.fromkeys(data for _, what, data in events if what == "m"))
    times = [event[0] for event in events]
    if lines[-1] != "" or times != sorted(times):
        problems.append("recording %s ends in a part line, or its time goes back" % name)
    if header is not None and (abs(got.pop("timestamp", 0) - time.time()) > 60 or got != header):
        problems.append("recording %s has the header %r" % (name, lines[0]))
    if case["terminal"] == [] and not (output.startswith(text["o"]) if part else
                                       output == text["o"]):
        problems.append("recording %s shows %r" % (name, text["o"][-2000:]))
    if text["i"].encode() != case.get("cast-input", text["i"].encode()):
        problems.append("recording %s has the input %r" % (name, text["i"]))
    if case["cast-markers"] and markers != case["cast-markers"]:
        problems.append("recording %s has the markers %r" % (name, markers))


def in_order(wanted, lines):
    found = iter(lines)
    return all(any(line == want for line in found) for want in wanted)


def cpu_of_children():
    return sum(resource.getrusage(resource.RUSAGE_CHILDREN)[:2])  # user and system


def matches(expected, got, folder):
    kind, pattern = expected
    pattern = expand(pattern.decode("latin-1"), folder).encode("latin-1")
    return got == pattern if kind == "exact" else re.fullmatch(pattern, got, re.S) is not None


def main(argv):
    only = None
    if argv[:1] == ["--only"]:
        only, argv = argv[1], argv[2:]
    paths = sorted(os.path.join(folder, name) for folder in argv if os.path.isdir(folder)
                   for name in os.listdir(folder) if name.endswith(".case"))
    paths += [path for path in argv if path.endswith(".md")]
    cases = [c for path in paths for c in sections(path) if only is None or only in c[0]]
    failed = 0
    for name, text in cases:
        try:
            problems, took = run(name, text)
        except (subprocess.TimeoutExpired, subprocess.CalledProcessError, OSError, SyntaxError,
                ValueError) as error:
            problems, took = [str(error)], 0
        failed += bool(problems)
        print("FAIL %s\n  %s" % (name, "\n  ".join(problems)) if problems else
              "ok   %s (%.1f s)" % (name, took), flush=True)
    print("%d passed, %d failed" % (len(cases) - failed, failed))
    return 1 if failed or not cases else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
