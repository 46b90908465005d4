#!/usr/bin/python3
"""End-to-end checks of the built klavrun and klavtrace on real script files.

KLAVRUN and KLAVTRACE name the programs under test."""

import os
import re
import subprocess
import tempfile
import unittest

KLAVRUN = os.path.abspath(os.environ.get("KLAVRUN", "build/klavrun"))
KLAVTRACE = os.path.abspath(os.environ.get("KLAVTRACE", "build/klavtrace"))


class Case(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def script(self, data, name="s.txt"):
        p = self.path(name)
        with open(p, "wb") as f:
            f.write(data)
        return p


class Klavrun(Case):
    def run_klavrun(self, *args):
        r = subprocess.run([KLAVRUN, *args], stdout=subprocess.PIPE, stdin=subprocess.DEVNULL,
                           timeout=30, cwd=self.dir.name)
        return r.returncode, r.stdout

    def run_script(self, data, name="s.txt"):
        return self.run_klavrun(self.script(data, name))

    def test_usage_for_anything_but_one_script(self):
        code, out = self.run_klavrun("a", "b")
        self.assertEqual(code, 0)
        self.assertTrue(out.startswith(b"KLAVRUN 0.5BETA - ") and out.endswith(b"USAGE: Klavrun scriptfile\r\n\r\n"), out)

    def test_script_open_failures(self):
        os.mkdir(self.path("folder"))
        rows = [("-?", b"File not found."), ("missing.txt", b"File not found."),
                (self.path("folder"), b"File access denied."),
                (self.path("nofolder/x.txt"), b"Invalid filename."), ("", b"Invalid filename.")]
        for arg, message in rows:
            code, out = self.run_klavrun(arg)
            self.assertEqual(code, 1, arg)
            self.assertRegex(out, rb"\AException EInOutError in module klavrun at [0-9A-F]{8}\.\n"
                             + re.escape(message) + rb"\r\n\Z")

    def test_reports_of_real_files_and_processes(self):
        rows = [
            (b"delay 1\r\ndelay x\r\nbad", b"Error at line: 2\r\nError in delay command\r\n"),
            (b"rem a\rbad\r\x1a", b"Error at line: 2\r\n"),
            (b"rem " + b"x" * 100000 + b"\r\nbad", b"Error at line: 2\r\n"),  # read in several blocks
            (b"start \"no_such_program_klav\"\r\n", b"Error at line: 1\r\nFile not found: no_such_program_klav\r\n"),
            (b"start \"/no/such/dir/prog\"\r\n", b"Error at line: 1\r\nPath not found: /no/such/dir/prog\r\n"),
            (b"start \"/tmp\"", b"Error at line: 1\r\n"),
            (b"start \"\"", b"Error at line: 1\r\n"),
            (b"app \"No Such Window Anywhere\"", b"Error at line: 1\r\nWindow not found: no such window anywhere\r\n"),
            (b"\x00\xff\xfe garbage\r\n", b"Error at line: 1\r\n"),
        ]
        for data, expected in rows:
            self.assertEqual(self.run_script(data, "my script.txt"), (2, expected), data)

    def test_message_left_by_an_absorbed_failure(self):
        data = (b"start \"echo ready\"\r\nwhile not exists \"ready\"\r\ndelay 10\r\n"
                b"if \"ready\"\r\nstart \"no_such_program_klav\"\r\nbad\r\n")
        code, out = self.run_script(data)
        self.assertEqual(code, 2)
        self.assertTrue(out.endswith(b"Error at line: 6\r\nFile not found: no_such_program_klav\r\n"), out)

    def test_broken_pipe_ends_with_exit_code_one(self):
        p = self.script(b"bad\r\n")
        proc = subprocess.Popen([KLAVRUN, p], stdout=subprocess.PIPE, stdin=subprocess.DEVNULL)
        proc.stdout.close()
        self.assertEqual(proc.wait(timeout=30), 1)
        with open("/dev/full", "wb") as full:
            self.assertEqual(subprocess.run([KLAVRUN, p], stdout=full, timeout=30).returncode, 1)


class Trace(Case):
    def trace(self, *args, **kw):
        r = subprocess.run([KLAVTRACE, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                           timeout=60, cwd=self.dir.name, **kw)
        return r.returncode, r.stdout.decode("latin-1").splitlines()

    def test_send_app_start_and_message_boxes(self):
        p = self.script(b"send \"+a{left}\"\r\napp \"zz\"\r\n")
        code, lines = self.trace(p)
        self.assertEqual(code, 2)
        events = [l for l in lines if l.startswith(("keybd_event", "Sleep", "SetForeground"))]
        self.assertEqual(events, [
            "SetForegroundWindow(0x10010) = 0x1",
            "keybd_event(0x10, 0x2a, 0x0, 0x0)", "keybd_event(0x41, 0x1e, 0x0, 0x0)",
            "keybd_event(0x41, 0x1e, 0x2, 0x0)", "keybd_event(0x10, 0x2a, 0x2, 0x0)",
            "keybd_event(0x25, 0x4b, 0x1, 0x0)", "keybd_event(0x25, 0x4b, 0x3, 0x0)", "Sleep(0x64)"])
        i = lines.index("keybd_event(0x10, 0x2a, 0x0, 0x0)")
        self.assertEqual(lines[i + 1], "PeekMessageA(_, 0x0, 0x100, 0x108, 0x1) = 0x0")
        self.assertIn('WriteFile(0x7, "Error at line: 2\\x0d\\x0aWindow not found: zz\\x0d\\x0a", 0x28, _, 0x0) = 0x1',
                      lines)
        self.assertEqual(lines[-1], "ExitProcess(0x2)")
        code, lines = self.trace(self.script(b"send \"{bogus}{enter\"\r\nstart \"notepad\""))
        self.assertIn('MessageBoxA(0x0, "Invalid Key Name", "SendKeys", 0x0) = 0x1', lines)
        self.assertIn('MessageBoxA(0x0, "No Close", "SendKeys", 0x0) = 0x1', lines)
        self.assertNotIn("CreateProcessA", "".join(lines))  # the failed send ended the run

    def test_screen_file_and_the_stop_on_an_unchanging_screen(self):
        screen = self.script(b"line one\r\n  Ready>  \n", "screen.txt")
        p = self.script(b"while not exists \"ready>\"\r\ndelay 1\r\nstart \"prog \"a b\"\"\r\n")
        code, lines = self.trace("--screen", screen, p)
        self.assertEqual(code, 0)
        self.assertIn('CreateProcessA(0x0, "prog \\"a b\\"", 0x0, 0x0, 0x1, 0x20, 0x0, 0x0, _, _) = 0x1', lines)
        p = self.script(b"while not exists \"never\"\r\nrem wait\r\n")
        code, lines = self.trace("--screen", screen, p)
        self.assertEqual(code, 3)
        self.assertEqual(lines[-1], "trace stopped: waiting on the screen")
        reads = [l for l in lines if l.startswith("ReadConsoleOutputCharacterA")]
        self.assertEqual(len(reads), 25 * 10000)

    def test_help_and_unreadable_scripts(self):
        code, lines = self.trace("--help")
        self.assertEqual(code, 0)
        self.assertTrue(lines[0].startswith("usage: klavtrace"))
        code, lines = self.trace(self.path("missing"))
        self.assertEqual(code, 1)
        self.assertTrue(any("File not found." in l for l in lines))


if __name__ == "__main__":
    unittest.main(verbosity=2)
