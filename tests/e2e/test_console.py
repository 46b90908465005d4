#!/usr/bin/python3
"""End-to-end tests of klavrun's console on Linux: real programs on the
console, real keys, real screens.

Run with KLAVRUN and KLAVHELPER set to the built programs (ctest does), or
pass them as the first two arguments.
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

KLAVRUN = os.environ.get("KLAVRUN", "")
HELPER = os.environ.get("KLAVHELPER", "")
BASH_PROMPT = "prompt> "


def script_text(lines):
    return "".join(line + "\r\n" for line in lines).encode("latin-1")


class Console(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="klavconsole")

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def path(self, name):
        return os.path.join(self.dir, name)

    def run_script(self, lines, timeout=20, env=None, pass_fds=()):
        """Runs klavrun on the script; returns (exit code, stdout, stderr)."""
        script = self.path("script.txt")
        with open(script, "wb") as f:
            f.write(lines if isinstance(lines, bytes) else script_text(lines))
        full_env = dict(os.environ, PS1=BASH_PROMPT)
        full_env.update(env or {})
        # A session of its own: no terminal, so message boxes go to stderr.
        done = subprocess.run(
            [KLAVRUN, script], stdin=subprocess.DEVNULL, capture_output=True,
            timeout=timeout, env=full_env, start_new_session=True,
            pass_fds=pass_fds, cwd=self.dir)
        return done.returncode, done.stdout, done.stderr

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def helper(self, *words):
        return " ".join([HELPER] + list(words))


class TypingIntoPrograms(Console):
    def test_a_prompted_line_arrives_with_its_capitals(self):
        rc, out, err = self.run_script([
            'start "%s"' % self.helper("prompt", self.path("line")),
            'while not exists "name?"', 'delay 10',
            'send "hello +world{tab}1+1~"',
            'while not exists "got it"', 'delay 10',
        ])
        self.assertEqual((rc, err), (0, b""))
        self.assertEqual(self.read("line"), b"hello World\t1!")
        self.assertIn(b"name? ", out, "the session is passed through")

    def test_keys_become_the_bytes_a_terminal_sends(self):
        # Each row: key string, whether the program asked for application
        # cursor keys, the bytes it must receive.
        rows = [
            ("{up}{down}{right}{left}{home}{end}", False,
             b"\x1b[A\x1b[B\x1b[C\x1b[D\x1b[H\x1b[F"),
            ("{up}{left}{home}", True, b"\x1bOA\x1bOD\x1bOH"),
            ("{pgup}{pgdn}{ins}{del}", False, b"\x1b[5~\x1b[6~\x1b[2~\x1b[3~"),
            ("{f1}{f4}{f5}{f12}{f13}{f16}", False,
             b"\x1bOP\x1bOS\x1b[15~\x1b[24~\x1b[1;2P\x1b[1;2S"),
            ("{tab}+{tab}{bs}{esc}~", False, b"\t\x1b[Z\x7f\x1b\r"),
            ("^a^z%x+(ab)c", False, b"\x01\x1a\x1bxABc"),
            ("{capslock}ab+c1{capslock}ab", False, b"ABc1ab"),
            ("+{up}^{right}", False, b"\x1b[1;2A\x1b[1;5C"),
            ("{help}{prtsc}{clear}z", False, b"z"),
        ]
        for keys, app, expected in rows:
            with self.subTest(keys=keys, application_cursor=app):
                words = ["keys", self.path("keys")] + (["app"] if app else [])
                rc, out, err = self.run_script([
                    '#define line_delay 0',
                    'start "%s"' % self.helper(*words),
                    'while not exists "ready"', 'delay 10',
                    'send "%s!"' % keys,
                    'while not exists "done"', 'delay 10',
                ])
                self.assertEqual((rc, err), (0, b""))
                self.assertEqual(self.read("keys"), expected)

    def test_ctrl_c_interrupts_sleep_in_bash_and_the_prompt_comes_back(self):
        started = time.monotonic()
        rc, out, err = self.run_script([
            'start "bash --norc --noprofile"',
            'while not exists "prompt>"', 'delay 10',
            'send "sleep 100~"',
            'delay 300',
            'send "^c"',
            'send "echo ok{left 2}x{end}done | rev~"',
            'while not exists "enodkox"', 'delay 10',
        ], timeout=30)
        self.assertEqual((rc, err), (0, b""))
        self.assertLess(time.monotonic() - started, 20)

    def test_readline_editing_with_alt_and_ctrl(self):
        rc, out, err = self.run_script([
            'start "bash --norc --noprofile"',
            'while not exists "prompt>"', 'delay 10',
            # Alt+b goes back a word, Ctrl+a to the start of the line.
            'send "cho one two%b3^ae{end} | rev~"',
            'while not exists "owt3 eno"', 'delay 10',
        ], timeout=30)
        self.assertEqual((rc, err), (0, b""))

    def test_an_interpreter_answers(self):
        rc, out, err = self.run_script([
            'start "bc -q"',
            'send "6*7{+}1000~"',
            'while not exists "1042"', 'delay 10',
        ], timeout=30)
        self.assertEqual((rc, err), (0, b""))
        self.assertIn(b"1042", out)

    def test_a_megabyte_of_keys_arrives_once_and_in_order(self):
        alphabet = "abcdefghijklmnopqrstuvwxyz0123456789 .,;/-=[]'\\`"
        size = 1 << 20
        keys = (alphabet * (size // len(alphabet) + 1))[:size]
        lines = script_text([
            '#define line_delay 0',
            'start "%s"' % self.helper("echo", self.path("echoed"), str(size)),
            'while not exists "ready"', 'delay 10',
            'send "%s"' % keys,
            'while not exists "done %d"' % size, 'delay 10',
        ])
        rc, out, err = self.run_script(lines, timeout=120)
        self.assertEqual((rc, err), (0, b""))
        self.assertEqual(self.read("echoed"), keys.encode())
        self.assertIn(keys[-1000:].encode(), out, "the echo came back")

    def test_ctrl_c_reaches_every_program_on_the_console(self):
        marker = "2%d" % os.getpid()
        rc, out, err = self.run_script([
            '#define line_delay 0',
            'start "sleep %s1"' % marker,
            'start "sleep %s2"' % marker,
            'delay 200',
            'send "^c"',
            'delay 300',
            'start "sh -c "pgrep -f ^sleep.%s > left.txt; echo checked""' % marker,
            'while not exists "checked"', 'delay 10',
        ])
        self.assertEqual((rc, err), (0, b""))
        self.assertEqual(self.read("left.txt"), b"")

    def test_keys_typed_with_no_program_signal_and_echo_nothing(self):
        rc, out, err = self.run_script([
            '#define line_delay 0',
            'send "^cabc"',
            'delay 100',
            'start "no-such-program-here"',
        ])
        self.assertEqual(rc, 0)
        self.assertEqual(out, b"Error at line: 4\r\nFile not found: no-such-program-here\r\n")


class ReadingTheScreen(Console):
    def test_if_and_while_exists_follow_real_output(self):
        rc, out, err = self.run_script([
            'start "bash --norc --noprofile"',
            'while not exists "prompt>"', 'delay 10',
            "send \"echo mark''er; sleep 0.3; clear~\"",
            'while not exists "marker"', 'delay 10',
            'if "marker"', "send \"echo seen > seen.txt~\"",
            'if "not on the screen"', "send \"echo wrong > wrong.txt~\"",
            'while exists "marker"', 'delay 10',
            "send \"echo aft''er > after.txt~\"",
            'while not exists "after"', 'delay 10',
        ], timeout=30)
        self.assertEqual((rc, err), (0, b""))
        self.assertEqual(self.read("after.txt"), b"after\n")
        self.assertFalse(os.path.exists(self.path("wrong.txt")))

    def test_a_full_screen_program_is_read_as_it_is_drawn(self):
        rc, out, err = self.run_script([
            '#define line_delay 0',
            'start "%s"' % self.helper("fullscreen", self.path("keys")),
            'while not exists "full screen"', 'delay 10',
            'while not exists "status line"', 'delay 10',
            # "ready" comes after the switch to application cursor keys.
            'while not exists "ready"', 'delay 10',
            'send "{up}q!"',
            'while not exists "done"', 'delay 10',
        ])
        self.assertEqual((rc, err), (0, b""))
        self.assertEqual(self.read("keys"), b"\x1bOAq")

    def test_a_flood_is_taken_in_while_waiting_for_its_last_line(self):
        out_path = self.path("flood.out")
        script = self.path("script.txt")
        with open(script, "wb") as f:
            f.write(script_text([
                'start "%s"' % self.helper("flood", "50"),
                'while not exists "flood end"', 'delay 10',
            ]))
        with open(out_path, "wb") as out:
            done = subprocess.run([KLAVRUN, script], stdin=subprocess.DEVNULL,
                                  stdout=out, stderr=subprocess.PIPE,
                                  timeout=120, start_new_session=True)
        self.assertEqual((done.returncode, done.stderr), (0, b""))
        self.assertGreaterEqual(os.path.getsize(out_path), 50 << 20)
        with open(out_path, "rb") as f:
            f.seek(-200, os.SEEK_END)
            self.assertIn(b"flood end", f.read())


class TheConsoleItself(Console):
    def test_programs_get_the_console_and_nothing_else(self):
        spare_read, spare_write = os.pipe()
        try:
            rc, out, err = self.run_script([
                'start "%s"' % self.helper("about", self.path("about")),
                'while not exists "about written"', 'delay 10',
            ], pass_fds=(spare_read, spare_write))
        finally:
            os.close(spare_read)
            os.close(spare_write)
        self.assertEqual((rc, err), (0, b""))
        facts = self.read("about").decode().splitlines()
        self.assertIn("size 25x80", facts)
        self.assertIn("term xterm-256color", facts)
        self.assertIn("foreground yes", facts)
        self.assertIn("tty yes", facts)
        fds = [line.split() for line in facts if line.startswith("fd ")]
        self.assertEqual(sorted(fd for _, fd, _ in fds), ["0", "1", "2"])
        self.assertEqual(len({target for _, _, target in fds}), 1)
        self.assertTrue(fds[0][2].startswith("/dev/pts/"))

    def test_reports_and_exit_codes_pass_through_unchanged(self):
        rows = [
            (['title "my console"'], 0, b""),
            (['start "%s"' % self.helper("prompt", self.path("x"), "ask:"),
              'while not exists "ask:"', 'delay 10',
              'start "/no/such/folder/prog"'],
             0, b"ask:Error at line: 4\r\nPath not found: /no/such/folder/prog\r\n"),
            (['start "%s"' % self.path("")], 0, b"Error at line: 1\r\n"),
            (['delay x'], 0, b"Error at line: 1\r\nError in delay command\r\n"),
            (['send "{enter x}"'], 1, None),
        ]
        for lines, code, expected in rows:
            with self.subTest(lines=lines):
                rc, out, err = self.run_script(lines)
                self.assertEqual(rc, code)
                if expected is not None:
                    self.assertEqual(out, expected)
                else:
                    self.assertTrue(out.startswith(b"Exception EConvertError"), out)

    def test_a_stop_signal_ends_the_run_and_the_programs(self):
        marker = "1%d" % os.getpid()
        script = self.path("script.txt")
        with open(script, "wb") as f:
            f.write(script_text(['start "sleep %s"' % marker, 'delay 60000']))
        for sig, code in [(signal.SIGINT, 130), (signal.SIGTERM, 143)]:
            with self.subTest(signal=sig):
                run = subprocess.Popen([KLAVRUN, script], stdin=subprocess.DEVNULL,
                                       stdout=subprocess.PIPE, start_new_session=True)
                time.sleep(0.5)
                run.send_signal(sig)
                self.assertEqual(run.wait(timeout=10), code)
                self.assertEqual(run.stdout.read(), b"")
                run.stdout.close()
                time.sleep(0.2)
                left = subprocess.run(["pgrep", "-f", "sleep " + marker],
                                      capture_output=True)
                self.assertEqual(left.stdout, b"", "the started program ended")

    def test_message_boxes_go_to_stderr_without_a_terminal(self):
        rc, out, err = self.run_script(['send "a{nokey}b"'])
        self.assertEqual((rc, out), (0, b""))
        self.assertEqual(err, b"SendKeys: Invalid Key Name\n")


@unittest.skipUnless(shutil.which("tmux"), "tmux is not installed")
class UnderARealTerminal(Console):
    """klavrun in a tmux pane: what it leaves behind on a real terminal."""

    def setUp(self):
        super().setUp()
        self.socket = "klavtest%d_%s" % (os.getpid(), self.id().rsplit(".", 1)[1])
        self.tmux("new-session", "-d", "-x", "100", "-y", "30", "-s", "t",
                  "sh")
        self.tmux("set-option", "-g", "remain-on-exit", "on")

    def tearDown(self):
        subprocess.run(["tmux", "-L", self.socket, "kill-server"],
                       capture_output=True)
        super().tearDown()

    def tmux(self, *args):
        return subprocess.run(["tmux", "-L", self.socket, "-f", "/dev/null"] +
                              list(args), capture_output=True, check=True,
                              timeout=10).stdout.decode()

    def pane(self, fmt):
        return self.tmux("display-message", "-p", "-t", "t", fmt).strip()

    def wait_for_file(self, name, timeout=20):
        deadline = time.monotonic() + timeout
        while not os.path.exists(self.path(name)):
            self.assertLess(time.monotonic(), deadline, "no " + name)
            time.sleep(0.05)

    def run_in_pane(self, lines, interrupt=False):
        with open(self.path("script.txt"), "wb") as f:
            f.write(script_text(lines))
        modes = "#{alternate_on} #{cursor_flag} #{keypad_cursor_flag} #{keypad_flag}"
        before = self.pane(modes + " #{pane_title}")
        command = ("cd %s && stty -g > stty.before && %s script.txt; "
                   "echo $? > rc.tmp; stty -g > stty.after; mv rc.tmp rc\n"
                   % (self.dir, KLAVRUN))
        self.tmux("send-keys", "-t", "t", "-l", command)
        if interrupt:
            self.wait_for_file("running")
            time.sleep(0.3)
            self.tmux("send-keys", "-t", "t", "C-c")
        self.wait_for_file("rc")
        self.assertEqual(self.read("stty.before"), self.read("stty.after"))
        self.assertEqual(self.pane(modes + " #{pane_title}"), before)
        return int(self.read("rc"))

    def test_modes_are_restored_when_the_script_ends(self):
        # The program also sets a title of its own.
        rc = self.run_in_pane([
            'start "%s"' % self.helper("fullscreen", self.path("keys")),
            'while not exists "status line"', 'delay 10',
        ])
        self.assertEqual(rc, 0)

    def test_modes_are_restored_after_ctrl_c_and_the_code_is_130(self):
        rc = self.run_in_pane([
            'start "%s"' % self.helper("fullscreen", self.path("keys")),
            'while not exists "status line"', 'delay 10',
            'title "klav test title"',
            'start "touch running"',
            'delay 60000',
        ], interrupt=True)
        self.assertEqual(rc, 130)

    def test_a_message_box_waits_for_enter_on_the_callers_terminal(self):
        with open(self.path("script.txt"), "wb") as f:
            f.write(script_text(['send "a{nokey}"', 'start "touch closed"',
                                 'delay 300']))
        self.tmux("send-keys", "-t", "t", "-l",
                  "cd %s && %s script.txt 2>stderr.txt; touch finished\n"
                  % (self.dir, KLAVRUN))
        deadline = time.monotonic() + 20
        while "Invalid Key Name" not in self.tmux("capture-pane", "-p", "-t", "t"):
            self.assertLess(time.monotonic(), deadline, "no message box")
            time.sleep(0.05)
        time.sleep(0.3)
        self.assertFalse(os.path.exists(self.path("closed")), "the box waits")
        self.tmux("send-keys", "-t", "t", "Enter")
        self.wait_for_file("finished")
        self.assertTrue(os.path.exists(self.path("closed")))
        self.assertEqual(self.read("stderr.txt"), b"")

    def test_title_shows_on_the_terminal_while_the_script_runs(self):
        with open(self.path("script.txt"), "wb") as f:
            f.write(script_text(['title "klav shown title"',
                                 'start "touch titled"', 'delay 1500']))
        self.tmux("send-keys", "-t", "t", "-l",
                  "cd %s && %s script.txt; touch finished\n" % (self.dir, KLAVRUN))
        self.wait_for_file("titled")
        self.assertEqual(self.pane("#{pane_title}"), "klav shown title")
        self.wait_for_file("finished")
        self.assertNotEqual(self.pane("#{pane_title}"), "klav shown title")


if __name__ == "__main__":
    if len(sys.argv) >= 3 and not sys.argv[1].startswith("-"):
        KLAVRUN, HELPER = sys.argv[1], sys.argv[2]
        del sys.argv[1:3]
    if not (KLAVRUN and HELPER):
        sys.exit("set KLAVRUN and KLAVHELPER, or pass them as arguments")
    KLAVRUN, HELPER = os.path.abspath(KLAVRUN), os.path.abspath(HELPER)
    unittest.main(verbosity=2)
