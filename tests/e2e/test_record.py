#!/usr/bin/python3
"""klavrun --record FILE on Linux: real programs recorded as an asciicast. KLAVRUN
and KLAVHELPER name the built programs, or pass them as the first two arguments."""
import json
import os
import re
import shutil
import signal
import subprocess
import time
import unittest

from console_case import KLAVRUN, ConsoleCase, wait

# Writes its output in pieces that cut characters in two, with bytes that are
# no UTF-8 and control characters; then echoes a line back.
WRITER = r'''
import sys, time
for piece in [b"caf\xc3", b"\xa9 \xe2\x82", b"\xac \xe2\x80\xa8 tab\t\xff\xc0\x80 \x1b[1mbold\x1b[0m\n",
              b"\xf0\x9f", b"\x98\x80 ready\n"]:
    sys.stdout.buffer.write(piece)
    sys.stdout.flush()
    time.sleep(0.05)
print("got " + sys.stdin.readline().strip().upper())
'''
EVENT = re.compile(r'\[\d+\.\d{6}, "[oim]", ".*"\]\Z')


class Recording(ConsoleCase):
    def record(self, lines, cast="run.cast"):
        script = self.write_script(lines)
        done = subprocess.run([KLAVRUN, "--record", cast, script],
                              stdin=subprocess.DEVNULL, capture_output=True, timeout=30,
                              cwd=self.dir, start_new_session=True,
                              env=dict(os.environ, PS1="prompt> "))
        return done.returncode, done.stdout, done.stderr

    def parse(self, cast="run.cast"):
        """The header and the events; checks every line and that time never goes back."""
        lines = self.read(cast).decode("utf-8").split("\n")
        self.assertEqual(lines.pop(), "", "the last line is whole")
        header = json.loads(lines[0])
        events = []
        for line in lines[1:]:
            self.assertRegex(line, EVENT)
            events.append(json.loads(line))
        times = [event[0] for event in events]
        self.assertEqual(times, sorted(times))
        return header, events

    def text(self, events, kind):
        return "".join(data for _, what, data in events if what == kind)

    def markers(self, events):
        """The lines that started, each once, in the order they first did."""
        return list(dict.fromkeys(data for _, what, data in events if what == "m"))

    def written(self, lines):
        return ["line %d: %s" % (n, line) for n, line in enumerate(lines, 1)]


class WhatIsRecorded(Recording):
    def test_the_recording_holds_the_output_the_keys_and_the_lines(self):
        with open(self.path("writer.py"), "w") as f:
            f.write(WRITER)
        rows = [  # script, exit code, standard error, keys typed, text in the output
            (['Rem Mixed Case "kept"', 'start "python3 %s"' % self.path("writer.py")] +
             wait("ready") + ['send "Hello~"'] + wait("got hello"), 0, b"", "hello\r",
             "got HELLO"),
            (['#define line_delay 0', 'start "cat"', 'send "ab{left}{tab}^d"', 'delay -1'],
             2, b"--- klavrun: screen at line 4 ---\n.*", "ab\x1b[D\t\x04",
             "Error at line: 4\r\n"),
            (['send "{enter x}"'], 1, b"--- klavrun: screen at line 1 ---\n.*", "",
             "Exception EConvertError"),
        ]
        for lines, code, errors, typed, shown in rows:
            with self.subTest(lines=lines):
                rc, out, err = self.record(lines)
                header, events = self.parse()
                self.assertEqual(rc, code)
                self.assertRegex(err, re.compile(errors + b"\\Z", re.S))
                self.assertLessEqual(abs(header.pop("timestamp") - time.time()), 60)
                self.assertEqual(header, {"version": 2, "width": 80, "height": 25,
                                          "title": "script.txt",
                                          "env": {"TERM": "xterm-256color"}})
                self.assertEqual(self.text(events, "o"), out.decode("utf-8", "replace"))
                self.assertIn(shown, self.text(events, "o"))
                self.assertEqual(self.text(events, "i"), typed)

    def test_markers_name_the_lines_as_they_start(self):
        lines = ['Rem Mixed Case "kept"', 'start "sh -c "echo one; sleep 0.2; echo two""'] + \
            wait("two") + ['if "one"', 'Delay 1', 'delay -1']
        rc, out, err = self.record(lines)
        _, events = self.parse()
        self.assertEqual((rc, self.markers(events)), (2, self.written(lines)))
        first = lambda kind, text: next(i for i, (_, what, data) in enumerate(events)
                                        if what == kind and data.startswith(text))
        self.assertLess(first("m", "line 7: "), first("o", "Error at line: 7\r\n"))

    def test_a_stopped_run_leaves_a_recording_up_to_its_last_line(self):
        lines = ['start "sh -c "echo started; touch up; sleep 60""', 'delay 60000']
        # A SIGKILL of the process that runs the script leaves what was written by the last
        # line start; a stop signal, everything.
        for stop, code, whole in [(signal.SIGTERM, 143, True), (signal.SIGKILL, 137, False)]:
            with self.subTest(stop=stop):
                run = subprocess.Popen([KLAVRUN, "--record", "run.cast", self.write_script(lines)],
                                       cwd=self.dir, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                       start_new_session=True)
                deadline = time.monotonic() + 10
                while time.monotonic() < deadline and not os.path.exists(self.path("up")):
                    time.sleep(0.05)
                os.remove(self.path("up"))
                time.sleep(0.3)
                runner = subprocess.run(["pgrep", "-P", str(run.pid)], capture_output=True)
                os.kill(int(runner.stdout) if stop == signal.SIGKILL else run.pid, stop)
                out = run.communicate(timeout=10)[0]
                _, events = self.parse()
                self.assertEqual((run.returncode, out.strip()), (code, b"started"))
                shown = self.text(events, "o")
                self.assertTrue(out.decode().startswith(shown))
                if whole:
                    self.assertEqual(shown, out.decode())


@unittest.skipUnless(shutil.which("tmux"), "tmux is not installed")
class TypedByThePerson(Recording):
    def tmux(self, *args):
        return subprocess.run(["tmux", "-L", self.socket, "-f", "/dev/null"] + list(args),
                              capture_output=True, check=True, timeout=10).stdout.decode()

    def wait_for(self, ready):
        deadline = time.monotonic() + 20
        while not ready():
            self.assertLess(time.monotonic(), deadline)
            time.sleep(0.05)

    def test_the_persons_keys_are_recorded_between_the_scripts(self):
        self.write_script(['start "cat"', 'send "from the script~"'] + wait("by hand") +
                          ['send "^d"'])
        self.socket = "klavrecord%d" % os.getpid()
        self.addCleanup(subprocess.run, ["tmux", "-L", self.socket, "kill-server"],
                        capture_output=True)
        self.tmux("new-session", "-d", "-x", "100", "-y", "30", "cd %s && %s --record run.cast "
                  "script.txt; echo $? > rc.tmp; mv rc.tmp rc" % (self.dir, KLAVRUN))
        self.wait_for(lambda: "from the script" in self.tmux("capture-pane", "-p"))
        self.tmux("send-keys", "-l", "by hand")
        self.tmux("send-keys", "Enter")
        self.wait_for(lambda: os.path.exists(self.path("rc")))
        _, events = self.parse()
        self.assertEqual((self.read("rc"), self.text(events, "i")),
                         (b"0\n", "from the script\rby hand\r\x04"))


@unittest.skipUnless(shutil.which("asciinema"), "asciinema is not installed")
class PlayedByAsciinema(Recording):
    def test_asciinema_prints_what_klavrun_printed(self):
        rc, out, err = self.record(['start "bash --norc --noprofile"'] + wait("prompt>") +
                                   ['send "printf \'\\x1b[1m{%}s\\xc3\\xa9\\n\' bold~"'] +
                                   wait("bold\xc3\xa9") + ['send "exit~"', 'delay 200'])
        self.assertEqual((rc, err), (0, b""))
        # It wants a terminal.
        played = subprocess.run(["script", "-qc", "asciinema cat run.cast", "/dev/null"],
                                cwd=self.dir, stdin=subprocess.DEVNULL, capture_output=True,
                                timeout=30)
        self.assertEqual(played.stdout, out)
        self.assertIn(b"\x1b[1mbold\xc3\xa9", played.stdout)


if __name__ == "__main__":
    unittest.main(verbosity=2)
