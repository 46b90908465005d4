"""What the Linux console's end-to-end suites share: the built programs, a
folder per test and scripts written with CR LF line ends.

KLAVRUN and KLAVHELPER name the built programs, or the first two arguments do."""
import os
import shutil
import sys
import tempfile
import unittest

KLAVRUN = os.environ.get("KLAVRUN", "")
HELPER = os.environ.get("KLAVHELPER", "")
if len(sys.argv) >= 3 and not sys.argv[1].startswith("-"):
    KLAVRUN, HELPER = sys.argv.pop(1), sys.argv.pop(1)
if not (KLAVRUN and HELPER):
    sys.exit("set KLAVRUN and KLAVHELPER, or pass them as arguments")
KLAVRUN, HELPER = os.path.abspath(KLAVRUN), os.path.abspath(HELPER)


def wait(text):
    return ['while not exists "%s"' % text, "delay 10"]


class ConsoleCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="klavconsole")
        self.addCleanup(shutil.rmtree, self.dir, True)

    def path(self, name):
        return os.path.join(self.dir, name)

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def helper(self, *words):
        return 'start "%s"' % " ".join((HELPER,) + words)

    def write_script(self, lines):
        with open(self.path("script.txt"), "wb") as f:
            f.write("".join(line + "\r\n" for line in lines).encode("latin-1"))
        return self.path("script.txt")
