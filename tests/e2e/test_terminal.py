#!/usr/bin/python3
"""End-to-end tests of the person at the terminal on Linux: klavrun in a
tmux pane, keys typed into the pane, what the started programs receive and
the modes the pane is left in.

Run with KLAVRUN and KLAVHELPER set to the built programs (ctest does), or
pass them as the first two arguments.
"""
import itertools
import os
import re
import shutil
import signal
import subprocess
import time
import unittest

from console_case import KLAVRUN, ConsoleCase, wait

PANES = itertools.count()


class PersonAtTheTerminal(ConsoleCase):
    def write_script(self, lines):
        for leftover in ("got", "rc", "running"):
            if os.path.exists(self.path(leftover)):
                os.remove(self.path(leftover))
        return super().write_script(lines)

    def tmux(self, *args):
        return subprocess.run(["tmux", "-L", self.socket, "-f", "/dev/null"] + list(args),
                              capture_output=True, check=True, timeout=10).stdout.decode()

    def end_tmux(self, socket):
        subprocess.run(["tmux", "-L", socket, "kill-server"], capture_output=True)
        folder = os.path.join(os.environ.get("TMUX_TMPDIR", "/tmp"), "tmux-%d" % os.getuid())
        if os.path.exists(os.path.join(folder, socket)):
            os.remove(os.path.join(folder, socket))

    def wait_for(self, what, ready):
        deadline = time.monotonic() + 20
        while not ready():
            self.assertLess(time.monotonic(), deadline, "no " + what)
            time.sleep(0.05)

    def run_in_pane(self, lines):
        """Runs klavrun on the script in a new tmux pane, between two stty -a."""
        if not shutil.which("tmux"):
            self.skipTest("tmux is not installed")
        self.write_script(lines)
        # A tmux server of its own for each pane.
        self.socket = "klavterm%d_%d" % (os.getpid(), next(PANES))
        self.addCleanup(self.end_tmux, self.socket)
        self.tmux("start-server", ";", "set-option", "-g", "remain-on-exit", "on", ";",
                  "new-session", "-d", "-x", "100", "-y", "30", "-s", "t",
                  "cd %s && stty -a > stty.before && PS1='sh> ' %s script.txt; echo $? > rc.tmp;"
                  " stty -a > stty.after; mv rc.tmp rc" % (self.dir, KLAVRUN))

    def exit_code(self):
        """Waits for klavrun to end; checks the pane's modes are as before."""
        self.wait_for("exit code", lambda: os.path.exists(self.path("rc")))
        size = re.compile(rb"rows \d+; columns \d+;")
        self.assertEqual(size.sub(b"", self.read("stty.after")),
                         size.sub(b"", self.read("stty.before")))
        return int(self.read("rc"))

    def test_typed_keys_reach_the_programs_during_and_after_the_script(self):
        keys = lambda *words: ["send-keys", "-t", "t"] + list(words)
        # Each row: the script, the text on the screen to wait for, what the
        # person does then, what the program must receive, the exit code.
        rows = [
            ([self.helper("prompt", self.path("got"))] + wait("got it"), "name?",
             [keys("-l", "hello World"), keys("Enter")], b"hello World", 0),
            # A message box reads its Enter itself; the rest of the send follows.
            ([self.helper("prompt", self.path("got"))] + wait("name?") +
             ['send "a{nokey}b~"'] + wait("got it"), "Invalid Key Name",
             [keys("-l", "xyz"), keys("Enter")], b"ab", 0),
            # After the report, the person finishes the program; Ctrl+C is a key.
            ([self.helper("keys", self.path("got"))] + wait("ready") +
             ['send "{enter x}"'], "Exception EConvertError",
             [keys("-l", "ab"), keys("C-c"), keys("Up"), keys("-l", "!")], b"ab\x03\x1b[A", 1),
            # A shell carries on at 80 x 25 whatever the person's terminal does.
            (['start "sh"'] + wait("sh>"), "sh>",
             [["resize-window", "-t", "t", "-x", "120", "-y", "40"],
              keys("-l", "stty size > got; exit 7"), keys("Enter")], b"25 80\n", 0),
        ]
        for lines, ready, actions, received, code in rows:
            with self.subTest(ready):
                self.run_in_pane(lines)
                self.wait_for(ready, lambda: ready in self.tmux("capture-pane", "-p", "-t", "t"))
                for action in actions:
                    self.tmux(*action)
                self.assertEqual(self.exit_code(), code)
                self.assertEqual(self.read("got"), received)

    def test_modes_come_back_however_the_run_is_stopped(self):
        marker = "2%d" % os.getpid()

        def children(pid):
            found = subprocess.run(["pgrep", "-P", str(pid)], capture_output=True)
            return [int(word) for word in found.stdout.split()]

        # Each row: whether the script still runs, the signal, which process
        # gets it (the one the caller started, or the run inside it).
        for in_script, sig, target in [(False, signal.SIGTERM, "klavrun"),
                                       (True, signal.SIGINT, "klavrun"),
                                       (True, signal.SIGKILL, "run")]:
            with self.subTest(in_script=in_script, signal=sig, target=target):
                self.run_in_pane(['start "sleep %s"' % marker, 'start "touch running"'] +
                                 ["delay 60000"] * in_script)
                self.wait_for("running", lambda: os.path.exists(self.path("running")))
                [klavrun] = children(int(self.tmux("display", "-p", "-t", "t", "#{pane_pid}")))
                os.kill(klavrun if target == "klavrun" else children(klavrun)[0], sig)
                self.assertEqual(self.exit_code(), 128 + sig)
                self.wait_for("end of the program", lambda: subprocess.run(
                    ["pgrep", "-f", "sleep " + marker], capture_output=True).stdout == b"")

    def test_a_stopped_run_gives_the_terminal_to_the_shell_until_fg(self):
        if not shutil.which("tmux"):
            self.skipTest("tmux is not installed")
        self.write_script([self.helper("prompt", self.path("got"))] + wait("name?") +
                          ["delay 1000", 'start "touch resumed"'] + wait("got it"))
        self.socket = "klavterm%d_%d" % (os.getpid(), next(PANES))
        self.addCleanup(self.end_tmux, self.socket)
        self.tmux("start-server", ";", "set-option", "-g", "remain-on-exit", "on", ";",
                  "new-session", "-d", "-x", "100", "-y", "30", "-s", "t",
                  "cd %s && PS1='sh> ' exec bash --norc --noprofile -i" % self.dir)
        typed = lambda text: (self.tmux("send-keys", "-t", "t", "-l", text),
                              self.tmux("send-keys", "-t", "t", "Enter"))
        screen = lambda: self.tmux("capture-pane", "-p", "-t", "t")
        typed("stty -a > stty.before; %s script.txt" % KLAVRUN)
        self.wait_for("the prompt", lambda: "name?" in screen())
        shell = int(self.tmux("display", "-p", "-t", "t", "#{pane_pid}"))
        [job] = subprocess.run(["pgrep", "-P", str(shell)], capture_output=True).stdout.split()
        os.killpg(int(job), signal.SIGTSTP)  # as a typed ^z does
        self.wait_for("the shell", lambda: "Stopped" in screen())
        typed("stty -a > stty.stopped")  # the shell has the keys, and its modes
        self.wait_for("stty.stopped", lambda: os.path.exists(self.path("stty.stopped")))
        time.sleep(1.2)
        self.assertFalse(os.path.exists(self.path("resumed")), "the script waits too")
        typed("bg")  # the script goes on; the keys stay the shell's
        self.wait_for("resumed", lambda: os.path.exists(self.path("resumed")))
        typed("stty -a > stty.bg")
        self.wait_for("stty.bg", lambda: os.path.exists(self.path("stty.bg")))
        typed("fg")
        time.sleep(0.5)
        typed("hello")
        self.wait_for("the end", lambda: screen().rstrip().endswith("sh>"))
        typed("echo $? > rc.tmp; stty -a > stty.after; mv rc.tmp rc")
        self.wait_for("exit code", lambda: os.path.exists(self.path("rc")))
        self.assertEqual(self.read("stty.after"), self.read("stty.before"))
        self.assertEqual(self.read("stty.stopped"), self.read("stty.before"))
        self.assertEqual(self.read("stty.bg"), self.read("stty.before"))
        self.assertEqual((self.read("rc"), self.read("got")), (b"0\n", b"hello"))

    def test_standard_input_that_is_no_terminal_is_never_read(self):
        self.write_script([self.helper("prompt", self.path("got"))] + wait("name?"))
        with open(self.path("typed"), "wb+") as typed:
            typed.write(b"a line for nobody\n")
            typed.seek(0)
            done = subprocess.run([KLAVRUN, "script.txt"], stdin=typed, capture_output=True,
                                  timeout=20, cwd=self.dir, start_new_session=True)
            self.assertEqual(os.lseek(typed.fileno(), 0, os.SEEK_CUR), 0)
        self.assertEqual((done.returncode, done.stderr), (0, b""))
        self.assertFalse(os.path.exists(self.path("got")), "the program was hung up")


if __name__ == "__main__":
    unittest.main(verbosity=2)
