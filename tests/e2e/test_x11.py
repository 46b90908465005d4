#!/usr/bin/python3
"""End-to-end checks of app on real X windows, under xvfb-run (no window
manager, so activation raises the window and gives it the input focus).

KLAVRUN names klavrun, XWINDOWS the helper that makes titled windows and
tells the focus."""

import os
import subprocess
import tempfile
import unittest

KLAVRUN = os.path.abspath(os.environ.get("KLAVRUN", "build/klavrun"))
XWINDOWS = os.path.abspath(os.environ.get("XWINDOWS", "build/xwindows"))

LONG = "Long Title " + "Ab" * 45  # 101 characters


def not_found(line, title):
    return b"Error at line: %d\r\nWindow not found: %s\r\n" % (line, title.encode())


# Windows bottom first (the last one is on top), the script, what klavrun
# prints, and the title of the window with the focus afterwards (None: the
# focus did not move).
CASES = [
    ("whole title in other letter case",
     ["Untitled - Notepad", "Untitled - Notepad 2"], 'app "untitled - notepad"',
     b"", "Untitled - Notepad"),
    ("title that begins with the text",
     ["Report 2 - Editor", "Notes"], 'app "report"', b"", "Report 2 - Editor"),
    ("whole title before a prefix higher up",
     ["Report", "Report 2 - Editor"], 'app "report"', b"", "Report"),
    ("text further in the title is no match",
     ["Report 2 - Editor"], 'app "editor"', not_found(1, "editor"), None),
    ("title no window has",
     ["Notes"], 'app "no such window"', not_found(1, "no such window"), None),
    ("empty title takes the console window, which comes first",
     ["Notes", "Top"], 'app ""', b"", None),
    ("a found window is not reused by the next search",
     ["Notes"], 'app "notes"\r\napp "nothing"', not_found(2, "nothing"), "Notes"),
    ("letters outside ASCII match byte for byte",
     ["Gr\u00fc\u00dfe", "Top"], 'app "gr\u00fc\u00dfe"', b"", "Gr\u00fc\u00dfe"),
    ("letters outside ASCII are not folded",
     ["\u00dcber", "Top"], 'app "\u00fcber"', not_found(1, "\u00fcber"), None),
    ("long title found through a short prefix",
     [LONG, "Top"], 'app "long title ab"', b"", LONG),
    ("long title found by its whole text",
     [LONG, "Top"], 'app "%s"' % LONG.lower(), b"", LONG),
    ("a prefix of 80 characters is past the 79 compared",
     [LONG, "Top"], 'app "%s"' % LONG[:80].lower(), not_found(1, LONG[:80].lower()),
     None),
]


@unittest.skipUnless(os.environ.get("DISPLAY"), "no X server (run under xvfb-run)")
class App(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)
        self.helpers = []
        self.addCleanup(self.close_windows)

    def make_windows(self, titles):
        """Maps the windows, bottom first; returns {id: title}. They go when
        the test or subtest that made them ends."""
        helper = subprocess.Popen([XWINDOWS, "create", *titles], stdout=subprocess.PIPE)
        self.helpers.append(helper)
        # The helper prints each id once its window is mapped.
        ids = [int(helper.stdout.readline(), 16) for _ in titles]
        return dict(zip(ids, titles))

    def close_windows(self):
        while self.helpers:
            helper = self.helpers.pop()
            helper.kill()
            helper.wait()
            helper.stdout.close()

    def focus(self):
        out = subprocess.run([XWINDOWS, "focus"], stdout=subprocess.PIPE, check=True,
                             timeout=30).stdout.decode()
        return int(out.split("\n")[0].split()[1], 16)

    def run_script(self, text):
        path = os.path.join(self.dir.name, "s.txt")
        with open(path, "wb") as f:
            f.write(text.encode() + b"\r\n")
        r = subprocess.run([KLAVRUN, path], stdout=subprocess.PIPE, stdin=subprocess.DEVNULL,
                           timeout=60, cwd=self.dir.name)
        return r.returncode, r.stdout

    def test_app_finds_windows_by_title(self):
        for name, titles, script, output, focused in CASES:
            with self.subTest(name):
                windows = self.make_windows(titles)
                before = self.focus()
                self.assertEqual(self.run_script(script), (0, output))
                after = self.focus()
                if focused is None:
                    self.assertEqual(after, before, windows.get(after))
                else:
                    self.assertEqual(windows.get(after), focused)
            self.close_windows()


if __name__ == "__main__":
    unittest.main()
