"""What the native end-to-end suites share: a private folder with a copy of velmora, settings
files written into it, velmora and velmora-check run there, and the recorder that velmora starts
writing down what it was given."""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

ARGS = None


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
        environment = dict(os.environ, VELMORA_RECORD=self.record)
        environment.update(env or {})
        return environment

    def run_velmora(self, *args, env=None, velmora=None):
        done = subprocess.run([velmora or self.velmora, *args], capture_output=True,
                              env=self.environment(env), cwd=self.dir, timeout=30)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(done.stdout, b"")
        self.assertEqual(done.stderr, b"")

    def recorded(self):
        """The argument lists of every recorder start; waits for the detached child."""
        deadline = time.time() + 10
        while not os.path.exists(self.record) and time.time() < deadline:
            time.sleep(0.02)
        time.sleep(0.2)
        if not os.path.exists(self.record):
            return []
        lines = read(self.record).split(b"\n")[:-1]
        return [line.split(b"\0")[:-1] for line in lines]

    def nothing_started(self):
        time.sleep(0.5)
        self.assertFalse(os.path.exists(self.record))

    def check(self, *args, env=None):
        shutil.copy2(ARGS.check, os.path.join(self.dir, "velmora-check"))
        return subprocess.run([os.path.join(self.dir, "velmora-check"), *args],
                              capture_output=True, cwd=self.dir, env=self.environment(env),
                              timeout=30)


def main(*extra):
    """Runs the calling suite with the programs named on the command line."""
    global ARGS
    parser = argparse.ArgumentParser()
    for name in ("--velmora", "--recorder", "--check", *extra):
        parser.add_argument(name, required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(module="__main__", argv=[sys.argv[0], *rest], verbosity=2)
