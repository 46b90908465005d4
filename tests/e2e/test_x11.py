#!/usr/bin/python3
"""app on real X windows, under xvfb-run: no window manager, so activation
raises the window and gives it the input focus.

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


# Windows bottom first (the last one on top), the script, what klavrun prints,
# and the title of the window focused afterwards (None: the focus stayed).
CASES = [
    ("whole title in other letter case", ["Untitled - Notepad", "Untitled - Notepad 2"],
     'app "untitled - notepad"', b"", "Untitled - Notepad"),
    ("title that begins with the text", ["Report 2 - Editor", "Notes"], 'app "report"', b"",
     "Report 2 - Editor"),
    ("whole title before a prefix higher up", ["Report", "Report 2 - Editor"], 'app "report"',
     b"", "Report"),
    ("text further in the title is no match", ["Report 2 - Editor"], 'app "editor"',
     not_found(1, "editor"), None),
    ("empty title takes the console window, which comes first", ["Notes", "Top"], 'app ""',
     b"", None),
    ("a found window is not reused by the next search", ["Notes"],
     'app "notes"\r\napp "nothing"', not_found(2, "nothing"), "Notes"),
    ("letters outside ASCII match byte for byte", ["Gr\u00fc\u00dfe", "Top"],
     'app "gr\u00fc\u00dfe"', b"", "Gr\u00fc\u00dfe"),
    ("letters outside ASCII are not folded", ["\u00dcber", "Top"], 'app "\u00fcber"',
     not_found(1, "\u00fcber"), None),
    ("long title found through a short prefix", [LONG, "Top"], 'app "long title ab"', b"", LONG),
    ("long title found by its whole text", [LONG, "Top"], 'app "%s"' % LONG.lower(), b"", LONG),
    ("a prefix of 80 characters is past the 79 compared", [LONG, "Top"],
     'app "%s"' % LONG[:80].lower(), not_found(1, LONG[:80].lower()), None),
]


@unittest.skipUnless(os.environ.get("DISPLAY"), "no X server (run under xvfb-run)")
class App(unittest.TestCase):
    def focus(self):
        out = subprocess.run([XWINDOWS, "focus"], stdout=subprocess.PIPE, check=True,
                             timeout=30).stdout.decode()
        return int(out.split("\n")[0].split()[1], 16)

    def test_app_finds_windows_by_title(self):
        for name, titles, script, output, focused in CASES:
            with self.subTest(name), tempfile.TemporaryDirectory() as folder, subprocess.Popen(
                    [XWINDOWS, "create", *titles], stdout=subprocess.PIPE) as helper:
                try:
                    # The helper prints each id once its window is mapped.
                    windows = {int(helper.stdout.readline(), 16): t for t in titles}
                    before = self.focus()
                    with open(os.path.join(folder, "s.txt"), "wb") as f:
                        f.write(script.encode() + b"\r\n")
                    run = subprocess.run([KLAVRUN, "s.txt"], stdout=subprocess.PIPE,
                                         stdin=subprocess.DEVNULL, timeout=60, cwd=folder)
                    self.assertEqual((run.returncode, run.stdout), (2 if output else 0, output))
                    after = self.focus()
                    if focused is None:
                        self.assertEqual(after, before, windows.get(after))
                    else:
                        self.assertEqual(windows.get(after), focused)
                finally:
                    helper.kill()  # and its windows go


if __name__ == "__main__":
    unittest.main()
