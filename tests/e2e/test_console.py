#!/usr/bin/python3
"""klavrun's Linux console end to end: real programs, keys and screens. KLAVRUN
and KLAVHELPER name the built programs, or pass them as the first two arguments."""
import os
import re
import shutil
import signal
import subprocess
import time
import unittest

from console_case import KLAVRUN, ConsoleCase, wait

BASH = 'start "bash --norc --noprofile"'


class Console(ConsoleCase):
    def run_script(self, lines, timeout=20, pass_fds=()):  # no terminal: boxes go to stderr
        done = subprocess.run([KLAVRUN, self.write_script(lines)], stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=timeout, cwd=self.dir, pass_fds=pass_fds,
                              env=dict(os.environ, PS1="prompt> "), start_new_session=True)
        return done.returncode, done.stdout, done.stderr


class TypingIntoPrograms(Console):
    def test_ctrl_c_reaches_every_program_on_the_console(self):
        marker = "2%d" % os.getpid()
        rc, out, err = self.run_script([
            '#define line_delay 0', 'start "sleep %s1"' % marker,
            'start "sleep %s2"' % marker, 'delay 200', 'send "^c"', 'delay 300',
            'start "sh -c "pgrep -f ^sleep.%s > left.txt; echo checked""' % marker,
        ] + wait("checked"))
        self.assertEqual((rc, err, self.read("left.txt")), (0, b"", b""))

    def test_a_megabyte_of_keys_arrives_once_and_in_order(self):
        keys = ("abcdefghijklmnopqrstuvwxyz0123456789 .,;/-=[]'\\`" * 30000)[:1 << 20]
        rc, out, err = self.run_script(
            ['#define line_delay 0', self.helper("echo", self.path("echoed"), str(len(keys)))] +
            wait("ready") + ['send "%s"' % keys] + wait("done %d" % len(keys)), timeout=120)
        self.assertEqual((rc, err, self.read("echoed")), (0, b"", keys.encode()))
        self.assertIn(keys[-1000:].encode(), out, "the echo came back")


    def test_a_question_asked_in_the_middle_of_a_long_send_is_answered_at_once(self):
        # The program echoes the keys and asks where the cursor is after the
        # 100003rd: the answer counts all the echo before the question, and
        # comes behind no more keys than the console's buffers hold, not
        # after the rest of the send.
        keys = ("abcdefghijklmnopqrstuvwxyz" * 40000)[:1000000]
        rc, out, err = self.run_script(
            ['#define line_delay 0',
             self.helper("askpos", self.path("got"), str(len(keys)), "100003")] +
            wait("ready") + ['send "%s"' % keys] + wait("done %d" % len(keys)), timeout=120)
        answer, between = self.read("got.answer").rsplit(b" ", 1)
        self.assertEqual((rc, err, self.read("got") == keys.encode(), answer),
                         (0, b"", True, b"\x1b[25;4R"))
        self.assertLess(int(between), 100000)


class ReadingTheScreen(Console):
    def test_if_and_while_exists_follow_real_output(self):
        rc, out, err = self.run_script(
            [BASH] + wait("prompt>") + ["send \"echo mark''er; sleep 0.3; clear~\""] +
            wait("marker") + [
                'if "marker"', "send \"echo seen > seen.txt~\"",
                'if "not on the screen"', "send \"echo wrong > wrong.txt~\"",
                'while exists "marker"', 'delay 10', "send \"echo aft''er~\""] +
            wait("after"), timeout=30)
        self.assertEqual((rc, err, self.read("seen.txt")), (0, b"", b"seen\n"))
        self.assertFalse(os.path.exists(self.path("wrong.txt")))

    def test_a_flood_is_taken_in_while_waiting_for_its_last_line(self):
        rc, out, err = self.run_script([self.helper("flood", "50")] + wait("flood end"),
                                       timeout=120)
        self.assertEqual((rc, err, b"flood end" in out[-200:]), (0, b"", True))
        self.assertGreaterEqual(len(out), 50 << 20)


class TheConsoleItself(Console):
    def test_programs_get_the_console_and_nothing_else(self):
        spare = os.pipe()
        for fd in spare:
            self.addCleanup(os.close, fd)
        rc, out, err = self.run_script(
            [self.helper("about", self.path("about"))] + wait("about written"), pass_fds=spare)
        self.assertEqual((rc, err), (0, b""))
        facts = self.read("about").decode().splitlines()
        self.assertLessEqual({"size 25x80", "term xterm-256color", "foreground yes", "tty yes"},
                             set(facts))
        fds = [line.split() for line in facts if line.startswith("fd ")]
        self.assertEqual(sorted(fd for _, fd, _ in fds), ["0", "1", "2"])
        self.assertEqual({target for _, _, target in fds}, {fds[0][2]})
        self.assertTrue(fds[0][2].startswith("/dev/pts/"))

    def test_a_stop_signal_ends_the_run_and_the_programs(self):
        marker = "1%d" % os.getpid()
        script = self.write_script(['start "sleep %s"' % marker, 'delay 60000'])
        for sig, code in [(signal.SIGINT, 130), (signal.SIGTERM, 143)]:
            with self.subTest(signal=sig):
                run = subprocess.Popen([KLAVRUN, script], stdin=subprocess.DEVNULL,
                                       stdout=subprocess.PIPE, start_new_session=True)
                time.sleep(0.5)
                run.send_signal(sig)
                self.assertEqual((run.communicate(timeout=10)[0], run.returncode), (b"", code))
                time.sleep(0.2)
                left = subprocess.run(["pgrep", "-f", "sleep " + marker], capture_output=True)
                self.assertEqual(left.stdout, b"", "the started program ended")


class HostileProgramsAndInput(Console):
    def test_a_program_that_ended_is_reaped_during_a_delay(self):
        script = self.write_script(['start "sh -c "echo $$ > pid""', "delay 3000"])
        with subprocess.Popen([KLAVRUN, script], stdin=subprocess.DEVNULL, cwd=self.dir,
                              stdout=subprocess.DEVNULL, start_new_session=True) as run:
            deadline = time.monotonic() + 10
            while not os.path.exists(self.path("pid")) or not self.read("pid").endswith(b"\n"):
                self.assertLess(time.monotonic(), deadline)
                time.sleep(0.02)
            time.sleep(0.3)
            try:
                with open("/proc/%d/stat" % int(self.read("pid"))) as stat:
                    state = stat.read().rsplit(")", 1)[1].split()[0]
            except FileNotFoundError:
                state = "reaped"
            run.kill()
        self.assertEqual(state, "reaped")

    def test_no_signal_for_a_group_whose_started_programs_have_all_ended(self):
        rc, out, err = self.run_script([self.helper("survivor", self.path("signals"))] +
                                       wait("survivor ready") + ["delay 300"])
        deadline = time.monotonic() + 10
        while not os.path.exists(self.path("signals.done")):
            self.assertLess(time.monotonic(), deadline, "the survivor has not ended")
            time.sleep(0.05)
        with open(self.path("signals.done"), "rb") as signals:
            self.assertEqual(signals.read(), b"")
        self.assertEqual((rc, err), (0, b""))

    def test_stop_signals_end_the_run_while_the_script_is_opened_or_read(self):
        fifo = self.path("fifo")
        os.mkfifo(fifo)
        for writer, sig in [(False, signal.SIGTERM), (True, signal.SIGINT), (False, signal.SIGHUP)]:
            with self.subTest(writer=writer, signal=sig):
                run = subprocess.Popen([KLAVRUN, fifo], stdin=subprocess.DEVNULL,
                                       stdout=subprocess.PIPE, start_new_session=True)
                self.addCleanup(run.kill)
                silent = os.open(fifo, os.O_WRONLY) if writer else None
                time.sleep(0.3)
                run.send_signal(sig)
                self.assertEqual((run.communicate(timeout=5)[0], run.returncode), (b"", 128 + sig))
                if silent is not None:
                    os.close(silent)

    def test_the_session_process_ends_with_klavrun(self):
        fifo = self.path("fifo")
        os.mkfifo(fifo)
        run = subprocess.Popen([KLAVRUN, fifo], stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, start_new_session=True)
        time.sleep(0.3)
        run.kill()
        # The end of its output comes once no process holds the pipe.
        done = subprocess.run(["timeout", "5", "cat"], stdin=run.stdout, capture_output=True)
        run.wait()
        run.stdout.close()
        self.assertEqual((done.returncode, done.stdout), (0, b""))


@unittest.skipUnless(shutil.which("tmux"), "tmux is not installed")
class UnderARealTerminal(Console):
    def setUp(self):
        super().setUp()
        self.socket = "klavtest%d_%s" % (os.getpid(), self.id().rsplit(".", 1)[1])
        self.addCleanup(subprocess.run, ["tmux", "-L", self.socket, "kill-server"],
                        capture_output=True)
        self.tmux("new-session", "-d", "-x", "100", "-y", "30", "-s", "t", "sh")
        self.tmux("set-option", "-g", "remain-on-exit", "on")

    def tmux(self, *args):
        return subprocess.run(["tmux", "-L", self.socket, "-f", "/dev/null"] + list(args),
                              capture_output=True, check=True, timeout=10).stdout.decode()

    def pane(self, fmt):
        return self.tmux("display-message", "-p", "-t", "t", fmt).strip()

    def type_in_pane(self, command):
        self.tmux("send-keys", "-t", "t", "-l", "cd %s && %s\n" % (self.dir, command))

    def wait_for(self, name, ready=None):
        deadline = time.monotonic() + 20
        while not (ready() if ready else os.path.exists(self.path(name))):
            self.assertLess(time.monotonic(), deadline, "no " + name)
            time.sleep(0.05)

    def test_modes_and_title_are_restored_when_the_script_ends_or_is_interrupted(self):
        modes = "#{alternate_on} #{cursor_flag} #{keypad_cursor_flag} #{keypad_flag} #{pane_title}"
        for interrupt in (False, True):
            with self.subTest(interrupt=interrupt):
                # The program sets modes and a title of its own.
                self.write_script([self.helper("fullscreen", self.path("keys"))] + wait("ready") + (
                    ['title "klav test title"', 'start "touch running"', 'delay 60000']
                    if interrupt else ['send "!"'] + wait("done")))
                before = self.pane(modes)
                self.type_in_pane("stty -g > stty.before && sh -c 'echo $$ > pid; exec %s s"
                                  "cript.txt'; echo $? > rc.tmp; stty -g > stty.after; mv rc.tmp rc"
                                  % KLAVRUN)
                if interrupt:
                    self.wait_for("running")
                    time.sleep(0.3)
                    self.assertEqual(self.pane("#{pane_title}"), "klav test title")
                    os.kill(int(self.read("pid")), signal.SIGINT)  # a typed ^c goes to the programs
                self.wait_for("rc")
                self.assertEqual(self.read("stty.before"), self.read("stty.after"))
                self.assertEqual(self.pane(modes), before)
                self.assertEqual(int(self.read("rc")), 130 if interrupt else 0)
                os.remove(self.path("rc"))

    def test_a_message_box_waits_for_enter_on_the_callers_terminal(self):
        self.write_script(['send "a{nokey}"', 'start "touch closed"', 'delay 300'])
        self.type_in_pane("%s script.txt 2>stderr.txt; touch finished" % KLAVRUN)
        self.wait_for("message box", lambda: "Invalid Key Name" in
                      self.tmux("capture-pane", "-p", "-t", "t"))
        time.sleep(0.3)
        self.assertFalse(os.path.exists(self.path("closed")), "the box waits")
        self.tmux("send-keys", "-t", "t", "Enter")
        self.wait_for("finished")
        self.assertTrue(os.path.exists(self.path("closed")))
        self.assertEqual(self.read("stderr.txt"), b"")


if __name__ == "__main__":
    unittest.main(verbosity=2)
