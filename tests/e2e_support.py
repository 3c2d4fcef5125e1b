"""What the native end-to-end suites share: a private folder with a copy of velmora, settings
files written into it, velmora and velmora-check run there, and the recorder that velmora starts
writing down what it was given."""
import argparse
import ctypes
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

ARGS = None
# Set when the programs velmora starts become this process's children once velmora has exited,
# so that the suite can wait for them to end rather than for a while.
ADOPTS_ORPHANS = False


def report_values(report, label):
    """The quoted values of the report lines that start with `label`, as bytes."""
    values = []
    for line in report.split(b"\n"):
        match = re.match(rb"\s*" + re.escape(label) + rb'[^"]*"(.*)"', line)
        if match:
            values.append(re.sub(rb"\\x([0-9A-F]{2})",
                                 lambda m: bytes([int(m.group(1), 16)]), match.group(1)))
    return values


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def read(path):
    with open(path, "rb") as f:
        return f.read()


class NativeCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="velmora-e2e-")
        self.velmora = os.path.join(self.dir, "velmora")
        shutil.copy2(ARGS.velmora, self.velmora)
        self.record = os.path.join(self.dir, "record")
        self.rec = ARGS.recorder

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def settings(self, body, name="velmora.ini", directory=None):
        path = os.path.join(directory or self.dir, name)
        write(path, b"[Path]\r\n" + body.replace("REC", self.rec).encode() + b"\r\n")
        return path

    def environment(self, env=None):
        # The user's own settings folder is this test's, empty unless a test fills it.
        environment = dict(os.environ, VELMORA_RECORD=self.record,
                           XDG_CONFIG_HOME=os.path.join(self.dir, "config"))
        environment.update(env or {})
        return environment

    def run_velmora(self, *args, env=None, velmora=None):
        done = subprocess.run([velmora or self.velmora, *args], capture_output=True,
                              env=self.environment(env), cwd=self.dir, timeout=30)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(done.stdout, b"")
        self.assertEqual(done.stderr, b"")

    def recorded(self):
        """The argument lists of every recorder start; waits for the detached children."""
        wait_for_started_programs(self.record)
        if not os.path.exists(self.record):
            return []
        lines = read(self.record).split(b"\n")[:-1]
        return [line.split(b"\0")[:-1] for line in lines]

    def nothing_started(self):
        wait_for_started_programs(self.record, expected=False)
        self.assertFalse(os.path.exists(self.record))

    def check(self, *args, env=None):
        shutil.copy2(ARGS.check, os.path.join(self.dir, "velmora-check"))
        return subprocess.run([os.path.join(self.dir, "velmora-check"), *args],
                              capture_output=True, cwd=self.dir, env=self.environment(env),
                              timeout=30)


def wait_for_started_programs(record, expected=True):
    """Returns once the programs velmora started have ended. velmora starts them detached and
    does not wait; once it has exited, they are this process's children, and waiting for every
    child is waiting for them. Without that, look for the record for a while."""
    if ADOPTS_ORPHANS:
        while True:
            try:
                os.waitpid(-1, 0)
            except ChildProcessError:
                return
    deadline = time.time() + (10 if expected else 0.5)
    while not os.path.exists(record) and time.time() < deadline:
        time.sleep(0.02)
    time.sleep(0.2)


def adopt_orphans():
    """Makes this process the one that orphaned descendants are handed to (PR_SET_CHILD_SUBREAPER)."""
    global ADOPTS_ORPHANS
    libc = ctypes.CDLL(None, use_errno=True)
    ADOPTS_ORPHANS = libc.prctl(36, 1, 0, 0, 0) == 0


def main(*extra, adopt=True):
    """Runs the calling suite with the programs named on the command line."""
    global ARGS
    parser = argparse.ArgumentParser()
    for name in ("--velmora", "--recorder", "--check", *extra):
        parser.add_argument(name, required=True)
    ARGS, rest = parser.parse_known_args()
    if adopt:
        adopt_orphans()
    unittest.main(module="__main__", argv=[sys.argv[0], *rest], verbosity=2)
