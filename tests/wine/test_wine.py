#!/usr/bin/python3
"""klavrun.exe end to end under Wine.

Two ways of running it:
  - `wine klavrun.exe ... > out.txt`: no console window; the output and the
    exit code are checked byte for byte.
  - `wineconsole klavrun.exe script`: a real console window that takes keys
    and shows a screen. Its output is that window, so outcomes are read from
    files written by the helper programs (tests/wine/helpers) the scripts
    start.

Environment:
  KLAVRUN_WIN_BUILD   the mingw build folder (default: build-win beside tests/)
  KLAVRUN_WINEPREFIX  a prefix made earlier in the same run (run.sh's);
                      otherwise one is made in the run's temporary folder

Every test ends with `wineserver -k` on the prefix, and the run checks that
no process of it is left.
An X display is needed for windows: without DISPLAY the module starts its
own Xvfb.
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("KLAVRUN_WIN_BUILD", os.path.join(REPO, "build-win"))
PROGRAMS = ("klavrun.exe", "prompt_helper.exe", "probe_helper.exe")

RUN_TIMEOUT = 60       # seconds for one klavrun run
PREFIX_TIMEOUT = 180   # seconds to create the prefix

# Set up once per run by setUpModule.
ROOT = None      # temporary folder of the run
BIN = None       # klavrun.exe and the helpers, copied here
ENV = None       # environment of every wine process
XVFB = None      # our own X server, when DISPLAY was not set


def windows_path(path):
    """The Wine drive Z: name of a Linux path."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def start_xvfb():
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
         "-nolisten", "tcp"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as displayfd:
        number = displayfd.readline().strip()
    if not number:
        server.kill()
        raise RuntimeError("Xvfb did not start")
    return server, ":" + number


def wineserver_kill():
    subprocess.run(["wineserver", "-k"], env=ENV, timeout=30,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], env=ENV, timeout=30,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def processes_of_prefix():
    """Pids of live Wine processes (wineserver, the preloaders) whose
    environment names our prefix. This test's own process has it too."""
    wanted = ("WINEPREFIX=" + ENV["WINEPREFIX"]).encode()
    found = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            program = os.path.basename(os.readlink("/proc/%s/exe" % pid))
            with open("/proc/%s/environ" % pid, "rb") as environ:
                names_prefix = wanted in environ.read().split(b"\0")
        except OSError:
            continue
        if program.startswith("wine") and names_prefix:
            found.append(int(pid))
    return found


def setUpModule():
    global ROOT, BIN, ENV, XVFB
    for program in PROGRAMS:
        if not os.path.exists(os.path.join(BUILD, program)):
            raise unittest.SkipTest("not built: %s (set KLAVRUN_WIN_BUILD)"
                                    % os.path.join(BUILD, program))
    # Lower-case letters only: scripts are lower-cased before their paths
    # reach Windows.
    ROOT = tempfile.mkdtemp(prefix="klavrun-wine-")
    BIN = os.path.join(ROOT, "bin")
    os.mkdir(BIN)
    for program in PROGRAMS:
        shutil.copy(os.path.join(BUILD, program), BIN)
    ENV = dict(os.environ)
    ENV["WINEPREFIX"] = (os.environ.get("KLAVRUN_WINEPREFIX")
                         or os.path.join(ROOT, "prefix"))
    ENV["WINEDEBUG"] = "-all"
    # No Mono or Gecko installer dialog while the prefix is made.
    ENV["WINEDLLOVERRIDES"] = "mscoree=;mshtml="
    if not ENV.get("DISPLAY"):
        XVFB, ENV["DISPLAY"] = start_xvfb()
    if not os.path.exists(os.path.join(ENV["WINEPREFIX"], "system.reg")):
        subprocess.run(["wineboot", "-i"], env=ENV, timeout=PREFIX_TIMEOUT,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       check=True)
    wineserver_kill()


def tearDownModule():
    left = []
    if ENV is not None:
        wineserver_kill()
        left = processes_of_prefix()
        for pid in left:
            os.kill(pid, signal.SIGKILL)
    if XVFB is not None:
        XVFB.terminate()
        XVFB.wait(10)
    if ROOT is not None:
        shutil.rmtree(ROOT, ignore_errors=True)
    if left:
        raise RuntimeError("wine processes were left running: %s" % left)


REPORT_ADDRESS = re.compile(rb" at [0-9A-F]{8}\.\n")


def unhandled(class_name, message):
    """The unhandled-error report, with the code address blanked."""
    return (b"Exception " + class_name + b" in module klavrun.exe at "
            b"XXXXXXXX.\n" + message + b"\r\n")


def blank_address(output):
    return REPORT_ADDRESS.sub(b" at XXXXXXXX.\n", output)


class WineTest(unittest.TestCase):
    """A working folder per test, and the prefix's processes ended after."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="t", dir=ROOT)

    def tearDown(self):
        wineserver_kill()

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, content):
        with open(self.path(name), "wb") as out:
            out.write(content)
        return name

    def read(self, name):
        with open(self.path(name), "rb") as got:
            return got.read()

    def script(self, *lines, name="script.txt"):
        return self.write(name, b"".join(l.encode() + b"\r\n" for l in lines))

    def run_wine(self, argv, timeout=RUN_TIMEOUT):
        """`wine klavrun.exe ARGV > out.txt`: (output, exit code)."""
        with open(self.path("out.txt"), "wb") as out:
            done = subprocess.run(
                ["wine", os.path.join(BIN, "klavrun.exe")] + argv,
                cwd=self.dir, env=ENV, stdout=out, stderr=subprocess.DEVNULL,
                timeout=timeout)
        return self.read("out.txt"), done.returncode

    def run_batch(self, line, console=False, redirect=True,
                  timeout=RUN_TIMEOUT):
        """Runs klavrun from a batch file, so its raw command line is LINE
        exactly (after "klavrun.exe "); in a console window when asked, as
        from a command prompt. Returns (output, exit code); the output is
        None when it was left on the console."""
        self.write("run.bat", (
            "@echo off\r\n"
            "%s %s%s\r\n"
            "echo %%ERRORLEVEL%% > rc.txt\r\n"
            % (windows_path(os.path.join(BIN, "klavrun.exe")), line,
               " > out.txt" if redirect else "")).encode())
        for stale in ("out.txt", "rc.txt"):
            if os.path.exists(self.path(stale)):
                os.remove(self.path(stale))
        runner = ["wineconsole"] if console else ["wine"]
        subprocess.run(runner + ["cmd", "/c", "run.bat"], cwd=self.dir,
                       env=ENV, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=timeout)
        output = self.read("out.txt") if redirect else None
        return output, int(self.read("rc.txt").strip())

    def run_console(self, script, timeout=RUN_TIMEOUT):
        """`wineconsole klavrun.exe SCRIPT`: the exit code."""
        done = subprocess.run(
            ["wineconsole", os.path.join(BIN, "klavrun.exe"), script],
            cwd=self.dir, env=ENV, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, timeout=timeout)
        return done.returncode


class CommandLineAndReports(WineTest):
    """No console window: output redirected to a file."""

    def assert_usage(self, output, code, case):
        lines = output.split(b"\r\n")
        self.assertEqual(len(lines), 5, case)
        self.assertTrue(lines[0].startswith(b"KLAVRUN 0.5BETA - "), case)
        self.assertTrue(lines[1].startswith(b"  "), case)
        self.assertEqual(lines[2], b"  USAGE: Klavrun scriptfile", case)
        self.assertEqual(lines[3:], [b"", b""], case)
        self.assertNotIn(b"\n", output.replace(b"\r\n", b""), case)
        self.assertEqual(code, 0, case)

    def test_not_exactly_one_argument_prints_usage(self):
        self.script("bogus")
        for argv in ([], ["/?"], ["?"], ["script.txt", "script.txt"]):
            output, code = self.run_wine(argv)
            self.assert_usage(output, code, argv)

    def test_raw_command_lines_split_by_the_windows_rules(self):
        self.script("bogus", name="my script.txt")
        self.script("bogus", name="script.txt")
        failed_line_1 = b"Error at line: 1\r\n"
        rows = [
            ('"my script.txt"', failed_line_1),
            ('"my "script.txt', failed_line_1),   # touching stretches
            ('my" "script.txt', failed_line_1),
            ('"" script.txt', failed_line_1),      # pair of quotes skipped
            ('script.txt ""', failed_line_1),      # empty argument ends it
            ('"my script.txt" extra', None),       # two arguments
            ('/?', None),
        ]
        for line, expected in rows:
            output, code = self.run_batch(line)
            if expected is None:
                self.assert_usage(output, code, line)
            else:
                self.assertEqual((output, code), (expected, 0), line)

    def test_script_that_cannot_be_opened_ends_with_the_io_report(self):
        os.mkdir(self.path("folder"))
        rows = [
            ("missing.txt", b"File not found."),
            # Taken as a path, not as an option. ("-?" would not do here:
            # "?" makes the name invalid, error 123.)
            ("/h", b"File not found."),
            ("folder", b"File access denied."),
            ("no-such-folder\\script.txt", b"Invalid filename."),
        ]
        for argument, message in rows:
            output, code = self.run_wine([argument])
            self.assertEqual(blank_address(output),
                             unhandled(b"EInOutError", message), argument)
            self.assertEqual(code, 1, argument)

    def test_failing_line_is_reported_with_its_message(self):
        rows = [
            (["delay 0", "rem fine", "echo hello", "delay 0"],
             b"Error at line: 3\r\n"),
            (["delay 1.5"], b"Error at line: 1\r\nError in delay command\r\n"),
            (["#define line_delay fast"],
             b"Error at line: 1\r\nError in: #define LINE_DELAY\r\n"),
            (['start "no_such_program.exe --flag"'],
             b"Error at line: 1\r\nFile not found: no_such_program.exe --flag\r\n"),
            # No console window to title when nothing runs in a console.
            (['title "x"'], b"Error at line: 1\r\n"),
            (['app "no such window"'],
             b"Error at line: 1\r\nWindow not found: no such window\r\n"),
        ]
        for lines, expected in rows:
            self.script(*lines)
            self.assertEqual(self.run_wine(["script.txt"]), (expected, 0),
                             lines)

    def test_scripts_that_succeed_write_nothing(self):
        rows = [b"", b"\x1a", b"delay 0\r\n\x1abogus\r\n",
                b"  DELAY 0\t\r\n; comment\r\n// comment\r\nrem x"]
        for content in rows:
            self.write("script.txt", content)
            self.assertEqual(self.run_wine(["script.txt"]), (b"", 0), content)

    def test_long_script_path_uses_its_first_259_characters(self):
        # A relative path of exactly 259 characters, then 41 more.
        folder = "d" * 100
        os.mkdir(self.path(folder))
        name = folder + "\\" + "s" * (259 - len(folder) - 1)
        self.assertEqual(len(name), 259)
        self.write(name.replace("\\", "/"), b"delay 0\r\nbogus\r\n")
        output, code = self.run_wine([name + "x" * 41])
        self.assertEqual((output, code), (b"Error at line: 2\r\n", 0))


class ConsoleKeysAndScreen(WineTest):
    """In a console window: keys typed, the screen read, the title set."""

    def test_typed_line_reaches_the_program_exactly(self):
        script = self.script(
            'start "prompt_helper.exe typed.txt"',
            'while not exists "type a line:"',
            "delay 50",
            'send "+hello, +(wor)ld {{}42{}}{%}!~"',
            'while not exists "line received"',
            "delay 50")
        self.assertEqual(self.run_console(script), 0)
        self.assertEqual(self.read("typed.txt"), b"Hello, WORld {42}%!\r\n")

    def test_if_runs_its_body_only_when_the_text_is_on_screen(self):
        script = self.script(
            'start "prompt_helper.exe typed.txt"',
            'while not exists "type a line:"',
            "delay 50",
            'if "no such text on the screen"',
            'send "absent~"',
            'if "type a line:"',
            'send "present~"',
            'while not exists "line received"',
            "delay 50")
        self.assertEqual(self.run_console(script), 0)
        self.assertEqual(self.read("typed.txt"), b"present\r\n")

    def test_title_sets_the_console_window_text(self):
        script = self.script(
            'title "Nightly Build"',
            'start "probe_helper.exe title title.txt t1"',
            'while not exists "t1 done"',
            "delay 50")
        self.assertEqual(self.run_console(script), 0)
        console_title, window_text = self.read("title.txt").split(b"\n")[:2]
        self.assertEqual(window_text, b"nightly build")

    def test_app_brings_a_window_forward_by_whole_title_or_prefix(self):
        script = self.script(
            'start "notepad.exe"',
            'start "probe_helper.exe waitwindow "untitled - notepad" w1"',
            'while not exists "w1 done"',
            "delay 100",
            'app "untitled - notepad"',
            'start "probe_helper.exe foreground exact.txt f1"',
            'while not exists "f1 done"',
            "delay 100",
            'title "klavrun console"',
            'app "klavrun console"',
            'start "probe_helper.exe foreground back.txt f2"',
            'while not exists "f2 done"',
            "delay 100",
            'app "untitled"',
            'start "probe_helper.exe foreground prefix.txt f3"',
            'while not exists "f3 done"',
            "delay 100")
        self.assertEqual(self.run_console(script), 0)
        self.assertEqual(self.read("exact.txt"), b"Untitled - Notepad\n")
        self.assertEqual(self.read("back.txt"), b"klavrun console\n")
        self.assertEqual(self.read("prefix.txt"), b"Untitled - Notepad\n")


class FromACommandPrompt(WineTest):
    """Run from cmd in a console: the window is titled for the prompt, not
    for klavrun, and output is redirected to a file."""

    def test_console_window_is_still_found_for_title_and_keys(self):
        self.script(
            'title "from a prompt"',
            'start "probe_helper.exe title title.txt t1"',
            'while not exists "t1 done"',
            "delay 50",
            'start "prompt_helper.exe typed.txt"',
            'while not exists "type a line:"',
            "delay 50",
            'send "+(ok) 1~"',
            'while not exists "line received"',
            "delay 50")
        self.assertEqual(
            self.run_batch("script.txt", console=True, redirect=False),
            (None, 0))
        console_title, window_text = self.read("title.txt").split(b"\n")[:2]
        # The prompt's title: neither search by klavrun's name can match it.
        self.assertNotIn(b"klavrun", console_title.lower())
        self.assertEqual(window_text, b"from a prompt")
        self.assertEqual(self.read("typed.txt"), b"OK 1\r\n")

    def test_bad_repeat_count_ends_with_the_conversion_report(self):
        rows = [
            ('send "{enter x}"', b"'X' is not a valid integer value."),
            ('send "ab{enter }"', b"'' is not a valid integer value."),
        ]
        for line, message in rows:
            self.script("delay 0", line, "bogus")
            output, code = self.run_batch("script.txt", console=True)
            self.assertEqual(blank_address(output),
                             unhandled(b"EConvertError", message), line)
            self.assertEqual(code, 1, line)


def main():
    result = unittest.main(exit=False, verbosity=2).result
    run = result.testsRun - len(result.skipped)
    failed = len(result.failures) + len(result.errors)
    print("%d passed, %d failed" % (run - failed, failed))
    sys.exit(1 if failed or not result.wasSuccessful() or run == 0 else 0)


if __name__ == "__main__":
    main()
