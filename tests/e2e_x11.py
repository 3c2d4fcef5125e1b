#!/usr/bin/env python3
"""The native velmora reads held keys and extra mouse buttons from X11: under Xvfb, with keys and
buttons held by xdotool, it must start the matching template."""
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest

import e2e_support
from e2e_support import NativeCase

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
        shutil.copy2(e2e_support.ARGS.velmora, cls.velmora)
        shutil.copy2(e2e_support.ARGS.check, cls.check)
        with open(os.path.join(cls.dir, "velmora.ini"), "w") as f:
            f.write("[Path]\n" + "".join(f"{slot}={e2e_support.ARGS.recorder} {slot}\n" for slot in SLOTS))

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


def setup_reply():
    """A minimal successful X11 connection set-up for a little-endian client: one screen of
    depth 24 with one TrueColor visual, enough for Xlib to open the display."""
    vendor = b"velmora-test"
    vendor += b"\0" * (-len(vendor) % 4)
    pixmap_format = struct.pack("<BBB5x", 24, 32, 32)
    visual = struct.pack("<IBBHIII4x", 0x21, 4, 8, 256, 0xFF0000, 0xFF00, 0xFF)
    depth = struct.pack("<BxH4x", 24, 1) + visual
    screen = struct.pack("<IIIIIHHHHHHIBBBB", 0x100, 0x20, 0xFFFFFF, 0, 0, 640, 480, 170, 127,
                         1, 1, 0x21, 0, 0, 24, 1) + depth
    body = struct.pack("<IIIIHHBBBBBBBB4x", 11000000, 0x200000, 0x1FFFFF, 256, len("velmora-test"),
                       65535, 1, 1, 0, 0, 32, 32, 8, 255) + vendor + pixmap_format + screen
    return struct.pack("<BxHHH", 1, 11, 0, len(body) // 4) + body


class FakeDisplay:
    """A local X11 display that misbehaves: one that never answers, or one that answers the
    connection and then drops it at the first request."""

    def __init__(self, answer_setup):
        self.answer_setup = answer_setup
        self.server = None
        for number in range(50, 100):
            candidate = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            try:
                candidate.bind(("127.0.0.1", 6000 + number))
            except OSError:
                candidate.close()
                continue
            self.server, self.display = candidate, f"127.0.0.1:{number}"
            break
        self.server.listen(8)
        self.connections = []
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while True:
            try:
                connection, _ = self.server.accept()
            except OSError:
                return
            self.connections.append(connection)
            if self.answer_setup:
                threading.Thread(target=self.answer_then_drop, args=(connection,),
                                 daemon=True).start()

    def answer_then_drop(self, connection):
        try:
            request = connection.recv(12)
            name_length, data_length = struct.unpack("<HH", request[6:10])
            connection.recv((name_length + 3) // 4 * 4 + (data_length + 3) // 4 * 4)
            connection.sendall(setup_reply())
            connection.recv(4)
        except OSError:
            pass
        connection.close()

    def close(self):
        self.server.close()
        for connection in self.connections:
            connection.close()


class MisbehavingDisplay(NativeCase):
    """No display can hold velmora up for long, make it print or make it fail: the keys then
    count as not held."""

    def start_with(self, display):
        self.settings("default=REC default\nshift=REC shift")
        env = {"DISPLAY": display.display, "XAUTHORITY": os.path.join(self.dir, "none")}
        began = time.monotonic()
        self.run_velmora("t", env=env)
        print(f"\n{self.id()}: velmora took {(time.monotonic() - began) * 1000:.0f} ms",
              file=sys.stderr)
        return self.recorded()

    def test_a_display_that_stalls_or_drops_the_connection(self):
        for label, answer_setup in (("never answers", False), ("drops the connection", True)):
            with self.subTest(label):
                display = FakeDisplay(answer_setup=answer_setup)
                try:
                    self.assertEqual(self.start_with(display), [[b"default"]])
                finally:
                    display.close()
                    os.remove(self.record)


if __name__ == "__main__":
    # Xvfb and the key holders are children too: waiting for every child would wait for them.
    e2e_support.main(adopt=False)
