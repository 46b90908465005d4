#!/usr/bin/python3
"""klavrun.exe end to end under Wine, on an X display (run.sh, or xvfb-run -a):
its output to a file byte for byte, or in a real console window (wineconsole)
what the helper programs (tests/wine/helpers) it starts write to files.

KLAVRUN_WIN_BUILD is the mingw build folder (default: build-win), and
KLAVRUN_WINEPREFIX a prefix to use (default: a new one). Each test ends the
prefix's processes, and the run fails if any are left."""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest
import zipfile

BUILD = os.environ.get("KLAVRUN_WIN_BUILD") or os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "..", "build-win")
PROGRAMS = ("klavrun.exe", "prompt_helper.exe", "probe_helper.exe")
TIMEOUT = 60  # seconds for one run
ROOT = BIN = ENV = None  # set by setUpModule


def wineserver_kill():
    for flag in ("-k", "-w"):
        subprocess.run(["wineserver", flag], env=ENV, timeout=30, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)


def processes_of_prefix():
    """Live Wine processes whose environment names our prefix."""
    wanted, found = ("WINEPREFIX=" + ENV["WINEPREFIX"]).encode(), []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            program = os.path.basename(os.readlink("/proc/%s/exe" % pid))
            with open("/proc/%s/environ" % pid, "rb") as environ:
                if program.startswith("wine") and wanted in environ.read().split(b"\0"):
                    found.append(int(pid))
        except OSError:
            pass
    return found


def setUpModule():
    global ROOT, BIN, ENV
    if not os.environ.get("DISPLAY"):
        raise unittest.SkipTest("no X display")
    missing = [p for p in PROGRAMS if not os.path.exists(os.path.join(BUILD, p))]
    if missing:
        raise unittest.SkipTest("not built in %s: %s" % (BUILD, missing))
    # Lower case only: scripts are lower-cased before their paths reach Windows.
    ROOT = tempfile.mkdtemp(prefix="klavrun-wine-")
    BIN = os.path.join(ROOT, "bin")
    os.mkdir(BIN)
    for program in PROGRAMS:
        shutil.copy(os.path.join(BUILD, program), BIN)
    ENV = dict(os.environ, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree=;mshtml=",
               WINEPREFIX=os.environ.get("KLAVRUN_WINEPREFIX") or os.path.join(ROOT, "prefix"))
    if not os.path.exists(os.path.join(ENV["WINEPREFIX"], "system.reg")):
        subprocess.run(["wineboot", "-i"], env=ENV, timeout=180, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wineserver_kill()


def tearDownModule():
    if ENV is None:
        return
    wineserver_kill()
    left = processes_of_prefix()
    for pid in left:
        os.kill(pid, signal.SIGKILL)
    shutil.rmtree(ROOT, ignore_errors=True)
    if left:
        raise RuntimeError("wine processes were left running: %s" % left)


def report(class_name, message):
    """The unhandled-error report, its code address blanked."""
    return b"Exception %s in module klavrun.exe at XXXXXXXX.\n%s\r\n" % (class_name, message)


USAGE = re.compile(rb"\AKLAVRUN 0\.5BETA - [^\r\n]+\r\n  [^ \r\n][^\r\n]*\r\n"
                   rb"  USAGE: Klavrun scriptfile\r\n\r\n\Z")
LINE_1 = b"Error at line: 1\r\n"
# The command line after "klavrun.exe", the script (lines; None: none), in a
# console window or not, then the output and exit code.
OUTPUT_CASES = [
    ("", None, False, USAGE, 0),
    ("/?", None, False, USAGE, 0),
    ("script.txt script.txt", ["bogus"], False, USAGE, 0),
    ('"my script.txt"', ["bogus"], False, LINE_1, 2),
    ("missing.txt", None, False, report(b"EInOutError", b"File not found."), 1),
    ("folder", None, False, report(b"EInOutError", b"File access denied."), 1),
    ("no-such-folder\\script.txt", None, False, report(b"EInOutError", b"Invalid filename."), 1),
    ("script.txt", ["delay 0", "\x1abogus"], False, b"", 0),
    ("script.txt", ["delay 0", "rem fine", "echo hello", "delay 0"], False,
     b"Error at line: 3\r\n", 2),
    ("script.txt", ['start "no_such_program.exe --flag"'], False,
     LINE_1 + b"File not found: no_such_program.exe --flag\r\n", 2),
    ("script.txt", ['app "no such window"'], False,
     LINE_1 + b"Window not found: no such window\r\n", 2),
    ("script.txt", ['title "x"'], False, LINE_1, 2),  # no console window to title
    ("script.txt", ["delay 0", 'send "{enter x}"', "bogus"], True,
     report(b"EConvertError", b"'X' is not a valid integer value."), 1),
    ("--version", None, False, b"klavrun 0.2.0\r\n", 0),
    ("--timeout 300ms script.txt", ['while not exists "never shown"', "delay 50"], True,
     b"Error at line: 2\r\nTimeout in while not exists\r\n", 2),
    ("--bogus script.txt", None, False, b"", 2),
    ("script.txt", ["\ufeffdelay 0\ndelay 0\nbogus"], False, b"Error at line: 3\r\n", 2),
]


def started(command, mark, wait=50):
    """Script lines: start COMMAND, then wait for MARK on the screen."""
    return ['start "%s"' % command, 'while not exists "%s"' % mark, "delay %d" % wait]


def numlock_flipped_between_the_letters(seen):
    """probe_helper numlock's report of "a{numlock}a": the three key-downs,
    NumLock's state on the second A the opposite of the first's."""
    keys = [entry.split(b":") for entry in seen.split()]
    return [vk for vk, _ in keys] == [b"41", b"90", b"41"] and keys[0][1] != keys[2][1]


# Scripts run in a console window of their own (`wineconsole klavrun.exe`),
# each with a 10 s wait time-out so that a wait that cannot end fails the
# line (exit code 2): the lines, then the files the helpers write (their
# bytes, or a test of them). Exit code 0 says every wait ended.
CONSOLE_CASES = [
    ("a typed Ctrl+C ends the started program, not klavrun",
     started("probe_helper.exe ctrlc - c1", "c1 waiting")
     + ['send "^c"', 'while not exists "c1 interrupted"', "delay 50", 'title "after ctrl c"']
     + started("probe_helper.exe foreground after.txt f1", "f1 done"),
     {"after.txt": b"after ctrl c\n"}),
    ("text after 200 lines, and at column 100 of a 120 x 30 window",
     started("probe_helper.exe lines 80,25,200,0 l1", "l1 done")
     + started("probe_helper.exe lines 120,30,200,100 l2", "l2 done"), {}),
    ("{numlock} reaches the program reading the console",
     started("probe_helper.exe numlock numlock.txt n1", "n1 ready")
     + ['send "a{numlock}a"', 'while not exists "n1 done"', "delay 50"],
     {"numlock.txt": numlock_flipped_between_the_letters}),
    ("app passes over a hidden window of the same title",
     started("probe_helper.exe hidden klavprobe h1", "h1 done")
     + ['app "klavprobe"'] + started("probe_helper.exe foreground shown.txt f1", "f1 done"),
     {"shown.txt": b"klavprobe visible\n"}),
]


class WineTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="t", dir=ROOT)

    def tearDown(self):
        wineserver_kill()

    def path(self, name):
        return os.path.join(self.dir, name)

    def read(self, name):
        with open(self.path(name), "rb") as got:
            return got.read()

    def script(self, lines, name="script.txt"):
        with open(self.path(name), "wb") as out:
            out.write(b"".join(line.encode() + b"\r\n" for line in lines))
        return name

    def run_batch(self, line, console=False, redirect=True):
        """Runs klavrun with raw command line LINE from a batch file, in a
        console window if asked: (output, or None when left on the console,
        exit code)."""
        klavrun = "Z:" + os.path.join(BIN, "klavrun.exe").replace("/", "\\")
        for stale in filter(os.path.exists, map(self.path, ("out.txt", "rc.txt"))):
            os.remove(stale)
        with open(self.path("run.bat"), "w", newline="\r\n") as bat:
            bat.write("@echo off\n%s %s%s\necho %%ERRORLEVEL%% > rc.txt\n"
                      % (klavrun, line, " > out.txt" if redirect else ""))
        subprocess.run(["wineconsole" if console else "wine", "cmd", "/c", "run.bat"],
                       cwd=self.dir, env=ENV, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=TIMEOUT)
        output = self.read("out.txt") if redirect else None
        return output, int(self.read("rc.txt"))

    def run_console(self, lines):
        """`wineconsole klavrun.exe script.txt`: the exit code."""
        return subprocess.run(
            ["wineconsole", os.path.join(BIN, "klavrun.exe"), self.script(lines)],
            cwd=self.dir, env=ENV, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            timeout=TIMEOUT).returncode

    def test_output_and_exit_code(self):
        self.script(["bogus"], name="my script.txt")
        os.mkdir(self.path("folder"))
        for line, lines, console, expected, code in OUTPUT_CASES:
            with self.subTest(line=line, script=lines):
                if lines is not None:
                    self.script(lines)
                output, got_code = self.run_batch(line, console)
                output = re.sub(rb" at [0-9A-F]{8}\.\n", b" at XXXXXXXX.\n", output)
                if isinstance(expected, bytes):
                    self.assertEqual(output, expected)
                else:
                    self.assertRegex(output, expected)
                self.assertEqual(got_code, code)

    def test_console_cases(self):
        for name, lines, files in CONSOLE_CASES:
            with self.subTest(name):
                self.dir = tempfile.mkdtemp(prefix="t", dir=ROOT)
                self.assertEqual(self.run_console(["#define wait_timeout 10000"] + lines), 0)
                for file, expected in files.items():
                    seen = self.read(file)
                    if callable(expected):
                        self.assertTrue(expected(seen), seen)
                    else:
                        self.assertEqual(seen, expected)
                wineserver_kill()

    def test_redirected_output_leaves_the_waits_and_the_programs_on_the_console(self):
        self.script(["#define wait_timeout 10000"]
                    + started("probe_helper.exe stderr - e1", "e1 done")
                    + started("prompt_helper.exe typed.txt", "type a line:")
                    + ['send "+(ok) 2~"', 'while not exists "line received"', "delay 50"])
        self.assertEqual(self.run_batch("script.txt", console=True), (b"", 0))
        self.assertEqual(self.read("typed.txt"), b"OK 2\r\n")

    def test_release_build_is_stripped_versioned_and_packaged(self):
        """run.sh builds Release and the package."""
        exe = os.path.join(BUILD, "klavrun.exe")
        objdump = lambda flag: subprocess.run(["i686-w64-mingw32-objdump", flag, exe],
                                              capture_output=True, check=True).stdout
        headers = objdump("-p")
        self.assertEqual(sorted(re.findall(rb"DLL Name: (\S+)", headers)),
                         [b"KERNEL32.dll", b"USER32.dll", b"msvcrt.dll"])
        self.assertNotIn(b".debug", objdump("-h"))
        # The resource types: 0x10 the version, 0x18 the manifest.
        self.assertEqual(re.findall(rb"^[0-9a-f]{3}   Entry: ID: 0x0*([0-9a-f]+),", headers, re.M),
                         [b"10", b"18"])
        with open(os.path.join(BUILD, "generated", "version.h")) as header:
            version = re.search(r'KLAVRUN_VERSION "([^"]+)"', header.read()).group(1)
        with open(exe, "rb") as built:
            image = built.read()
        for text in ("Klavrun", version, "klavrun.exe"):
            self.assertIn(text.encode("utf-16-le") + b"\0\0", image)
        for text in ('level="asInvoker"', "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
                     "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a", 'version="%s.0"' % version):
            self.assertIn(text.encode(), image)
        top = "klavrun-%s-win32/" % version
        with zipfile.ZipFile(os.path.join(BUILD, top[:-1] + ".zip")) as package:
            self.assertTrue({top + name for name in ("klavrun.exe", "README.md", "LICENSE",
                                                     "examples/calculator.klav")}
                            <= set(package.namelist()), package.namelist())
            self.assertEqual(package.read(top + "klavrun.exe"), image)

    def test_typed_line_arrives_exactly_and_if_sees_the_screen(self):
        self.assertEqual(self.run_console(
            started("prompt_helper.exe typed.txt", "type a line:") + [
                'if "no such text on the screen"', 'send "absent"',
                'if "type a line:"', 'send "+hello, +(wor)ld {{}42{}}{%}!~"',
                'while not exists "line received"', "delay 50"]), 0)
        self.assertEqual(self.read("typed.txt"), b"Hello, WORld {42}%!\r\n")

    def test_title_and_app_by_whole_title_or_prefix(self):
        self.assertEqual(self.run_console(
            ['title "klavrun console"'] + started("probe_helper.exe title title.txt t1", "t1 done")
            + ['start "notepad.exe"']
            + started('probe_helper.exe waitwindow "untitled - notepad" w1', "w1 done", 100)
            + ['app "untitled - notepad"']
            + started("probe_helper.exe foreground exact.txt f1", "f1 done", 100)
            + ['app "klavrun console"']
            + started("probe_helper.exe foreground back.txt f2", "f2 done", 100)
            + ['app "untitled"']
            + started("probe_helper.exe foreground prefix.txt f3", "f3 done", 100)), 0)
        self.assertEqual(self.read("title.txt").split(b"\n")[1], b"klavrun console")
        self.assertEqual([self.read(name) for name in ("exact.txt", "back.txt", "prefix.txt")],
                         [b"Untitled - Notepad\n", b"klavrun console\n", b"Untitled - Notepad\n"])

    def test_run_from_a_prompt_finds_its_console_window_all_the_same(self):
        # The window is titled for the prompt: the search by klavrun's name
        # fails, and GetConsoleWindow is the way left.
        self.script(['title "from a prompt"']
                    + started("probe_helper.exe title title.txt t1", "t1 done")
                    + started("prompt_helper.exe typed.txt", "type a line:")
                    + ['send "+(ok) 1~"', 'while not exists "line received"', "delay 50"])
        self.assertEqual(self.run_batch("script.txt", console=True, redirect=False), (None, 0))
        console_title, window_text = self.read("title.txt").split(b"\n")[:2]
        self.assertNotIn(b"klavrun", console_title.lower())
        self.assertEqual(window_text, b"from a prompt")
        self.assertEqual(self.read("typed.txt"), b"OK 1\r\n")


def main():
    result = unittest.main(exit=False, verbosity=2).result
    # Tests (not subtests) that failed; running nothing is a failure too.
    run = result.testsRun - len(result.skipped)
    failed = len({getattr(test, "test_case", test).id()
                  for test, _ in result.failures + result.errors}) + (run == 0)
    print("%d passed, %d failed" % (max(run - failed, 0), failed))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
