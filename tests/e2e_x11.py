#!/usr/bin/env python3
"""The native velmora reads held keys and extra mouse buttons from X11: under Xvfb, with keys and
buttons held by xdotool, it must start the matching template."""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

ARGS = None
SLOTS = ["default", "shift", "ctrl", "alt", "X1", "X2"]


class X11(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="velmora-x11-")
        read, write = os.pipe()
        cls.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0",
                                     "640x480x24", "-nolisten", "tcp"], pass_fds=[write],
                                    stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as f:
            cls.display = ":" + f.readline().strip()
        cls.velmora = os.path.join(cls.dir, "velmora")
        cls.check = os.path.join(cls.dir, "velmora-check")
        shutil.copy2(ARGS.velmora, cls.velmora)
        shutil.copy2(ARGS.check, cls.check)
        with open(os.path.join(cls.dir, "velmora.ini"), "w") as f:
            f.write("[Path]\n" + "".join(f"{slot}={ARGS.recorder} {slot}\n" for slot in SLOTS))

    @classmethod
    def tearDownClass(cls):
        cls.xvfb.terminate()
        cls.xvfb.wait()
        shutil.rmtree(cls.dir, ignore_errors=True)

    def env(self, display=True):
        env = dict(os.environ, VELMORA_RECORD=os.path.join(self.dir, "record"))
        env.pop("DISPLAY", None)
        if display:
            env["DISPLAY"] = self.display
        return env

    def held(self, actions, expected_held):
        """Holds keys with a live xdotool (the server lets go of them when it disconnects) and
        waits until velmora-check sees them."""
        holder = subprocess.Popen(["xdotool", *actions, "sleep", "30"], env=self.env())
        deadline = time.time() + 10
        while time.time() < deadline:
            report = subprocess.run([self.check, "t"], env=self.env(), capture_output=True).stdout
            if f"held: {expected_held}".encode() in report:
                return holder
            time.sleep(0.05)
        holder.kill()
        self.fail(f"xdotool {actions} did not take effect: {report!r}")

    def started(self, display=True):
        record = os.path.join(self.dir, "record")
        if os.path.exists(record):
            os.remove(record)
        done = subprocess.run([self.velmora, "t"], env=self.env(display), capture_output=True)
        self.assertEqual((done.returncode, done.stdout, done.stderr), (0, b"", b""))
        deadline = time.time() + 10
        while not os.path.exists(record) and time.time() < deadline:
            time.sleep(0.02)
        time.sleep(0.1)
        with open(record, "rb") as f:
            return f.read().split(b"\0")[0].decode()

    def hold_and_start(self, actions, expected_held):
        holder = self.held(actions, expected_held)
        try:
            return self.started()
        finally:
            holder.kill()
            holder.wait()
            time.sleep(0.2)

    def test_each_key_and_button_selects_its_template(self):
        cases = [(["keydown", "shift"], "shift", "shift"),
                 (["keydown", "ctrl"], "ctrl", "ctrl"),
                 (["keydown", "Control_R"], "ctrl", "ctrl"),
                 (["keydown", "alt"], "alt", "alt"),
                 (["mousedown", "8"], "x1", "X1"),
                 (["mousedown", "9"], "x2", "X2")]
        for actions, held, slot in cases:
            with self.subTest(held=held):
                self.assertEqual(self.hold_and_start(actions, held), slot)

    def test_first_held_wins(self):
        self.assertEqual(self.hold_and_start(["keydown", "shift", "keydown", "ctrl"], "shift"),
                         "shift")
        self.assertEqual(self.hold_and_start(["keydown", "alt", "mousedown", "9"], "alt"), "alt")

    def test_nothing_held_or_no_display_gives_default(self):
        self.assertEqual(self.started(), "default")
        self.assertEqual(self.started(display=False), "default")


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--velmora", required=True)
    parser.add_argument("--check", required=True)
    parser.add_argument("--recorder", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)
