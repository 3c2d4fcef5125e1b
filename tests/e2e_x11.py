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


# The namespaces below mount over /dev/input, which they make when the machine has none; it goes
# again at the end.
MADE_DEV_INPUT = not os.path.exists("/dev/input")


def tearDownModule():
    if MADE_DEV_INPUT and os.path.isdir("/dev/input") and not os.listdir("/dev/input"):
        os.rmdir("/dev/input")


def with_input_devices(command, setup=""):
    """`command` where /dev/input holds only what `setup` (shell commands run there) puts in it,
    so that velmora turns to X11 whatever devices this machine has. Needs a mount namespace;
    without one (not root) the command runs as it is, where devices are rarely readable."""
    if subprocess.run(["unshare", "-m", "true"], capture_output=True).returncode != 0:
        return command
    script = ("mkdir -p /dev/input 2>/dev/null; mount -t tmpfs none /dev/input && "
              f"cd /dev/input && {setup or 'true'} && cd / && exec \"$@\"")
    return ["unshare", "-m", "sh", "-c", script, "sh", *command]


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
            report = subprocess.run(with_input_devices([self.check, "t"]), env=self.env(),
                                    capture_output=True).stdout
            if f"held: {expected_held}".encode() in report:
                return holder
            time.sleep(0.05)
        holder.kill()
        self.fail(f"xdotool {actions} did not take effect: {report!r}")

    def started(self, display=True, devices="", through=None):
        record = os.path.join(self.dir, "record")
        if os.path.exists(record):
            os.remove(record)
        env = self.env(display)
        if through:
            env["DISPLAY"] = through
        done = subprocess.run(with_input_devices([self.velmora, "t"], devices),
                              env=env, capture_output=True, timeout=30)
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

    def test_held_keys_survive_a_busy_machine(self):
        # A desktop busy with a build answers late; the key must not be lost for it. The load
        # is this test's own: four busy processes a core, ended by their pids.
        busy = [subprocess.Popen([sys.executable, "-c", "while True: pass"])
                for _ in range(4 * (os.cpu_count() or 1))]
        try:
            for actions, held, slot in ((["keydown", "shift"], "shift", "shift"),
                                        (["keydown", "shift", "keydown", "ctrl"], "shift", "shift"),
                                        (["keydown", "ctrl"], "ctrl", "ctrl")):
                with self.subTest(held=held):
                    self.assertEqual(self.hold_and_start(actions, held), slot)
        finally:
            for process in busy:
                process.kill()
                process.wait()

    def test_a_display_that_answers_late_is_waited_for(self):
        # The display takes 700 ms to answer the connection, as a desktop busy with a build
        # can: the key held there still counts.
        holder = self.held(["keydown", "shift"], "shift")
        proxy = SlowDisplay(self.display, delay=0.7)
        try:
            self.assertEqual(self.started(through=proxy.display), "shift")
        finally:
            proxy.close()
            holder.kill()
            holder.wait()

    def test_input_devices_that_cannot_be_read_leave_it_to_x11(self):
        # No device, a plain file, a FIFO and a folder where devices would be: none blocks, none
        # counts, and X11 tells the keys.
        unreadable = "touch event0 && mkfifo event1 && mkdir event2 && touch mouse0"
        holder = self.held(["keydown", "shift"], "shift")
        try:
            self.assertEqual(self.started(devices=unreadable), "shift")
            report = subprocess.run(with_input_devices([self.check, "t"], unreadable),
                                    env=self.env(), capture_output=True, timeout=30).stdout
            self.assertIn(b"keys: X11", report)
        finally:
            holder.kill()
            holder.wait()
        # Under Wayland with unreadable devices, velmora-check says what would help, and what
        # that would allow.
        env = dict(self.env(display=False), WAYLAND_DISPLAY="wayland-0")
        report = subprocess.run(with_input_devices([self.check, "t"], unreadable), env=env,
                                capture_output=True, timeout=30).stdout
        self.assertIn(b"keys: none readable", report)
        self.assertIn(b"input", report)
        self.assertIn(b"passwords included", report)


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
        self.server, self.display = local_display_socket()
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


def local_display_socket():
    """A listening socket on a free X11 display number of 127.0.0.1, and that display's name."""
    for number in range(50, 100):
        candidate = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        try:
            candidate.bind(("127.0.0.1", 6000 + number))
        except OSError:
            candidate.close()
            continue
        candidate.listen(8)
        return candidate, f"127.0.0.1:{number}"
    raise unittest.SkipTest("no free X11 display number on 127.0.0.1")


class SlowDisplay:
    """A real display behind a relay that holds back the server's first answer on each
    connection for `delay` seconds."""

    def __init__(self, display, delay):
        self.path = f"/tmp/.X11-unix/X{display.lstrip(':')}"
        self.delay = delay
        self.server, self.display = local_display_socket()
        self.sockets = [self.server]
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while True:
            try:
                client, _ = self.server.accept()
            except OSError:
                return
            upstream = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            upstream.connect(self.path)
            self.sockets += [client, upstream]
            threading.Thread(target=self.pump, args=(client, upstream, 0), daemon=True).start()
            threading.Thread(target=self.pump, args=(upstream, client, self.delay),
                             daemon=True).start()

    @staticmethod
    def pump(source, sink, delay):
        try:
            while data := source.recv(65536):
                time.sleep(delay)
                delay = 0
                sink.sendall(data)
        except OSError:
            pass
        for end in (source, sink):
            try:
                end.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

    def close(self):
        for end in self.sockets:
            end.close()


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
        keys = [line for line in self.check("t", env=env).stdout.split(b"\n")
                if line.startswith(b"keys: ")]
        return self.recorded(), keys

    def test_a_display_that_stalls_or_drops_the_connection(self):
        # velmora-check tells a display too slow to answer from one that is not there.
        for label, answer_setup, keys in (
                ("never answers", False,
                 b"keys: X11 did not answer within 2 s (taken as none held)"),
                ("drops the connection", True, b"keys: none readable")):
            with self.subTest(label):
                display = FakeDisplay(answer_setup=answer_setup)
                try:
                    self.assertEqual(self.start_with(display), ([[b"default"]], [keys]))
                finally:
                    display.close()
                    os.remove(self.record)


# uinput: a virtual keyboard and mouse, where the machine offers /dev/uinput.
UI_SET_EVBIT, UI_SET_KEYBIT = 0x40045564, 0x40045565
UI_DEV_SETUP, UI_DEV_CREATE, UI_DEV_DESTROY = 0x405C5503, 0x5501, 0x5502
EV_SYN, EV_KEY = 0, 1
KEY_LEFTCTRL, KEY_A, KEY_LEFTSHIFT, KEY_LEFTALT, KEY_RIGHTSHIFT = 29, 30, 42, 56, 54
BTN_LEFT, BTN_RIGHT, BTN_SIDE, BTN_EXTRA = 0x110, 0x111, 0x113, 0x114


class VirtualDevice:
    def __init__(self, name, codes):
        import fcntl
        self.fcntl = fcntl
        self.name = name
        self.fd = os.open("/dev/uinput", os.O_WRONLY | os.O_NONBLOCK)
        fcntl.ioctl(self.fd, UI_SET_EVBIT, EV_KEY)
        for code in codes:
            fcntl.ioctl(self.fd, UI_SET_KEYBIT, code)
        # struct uinput_setup: the input_id (bus, vendor, product, version), the name, and
        # ff_effects_max.
        fcntl.ioctl(self.fd, UI_DEV_SETUP, struct.pack("4H80sI", 0x03, 0x1234, 0x5678, 1,
                                                       name.encode(), 0))
        fcntl.ioctl(self.fd, UI_DEV_CREATE)

    def node(self):
        """The /dev/input/eventN of this device, once the kernel (or udev) has made it."""
        for entry in os.listdir("/sys/class/input"):
            if entry.startswith("event"):
                try:
                    with open(f"/sys/class/input/{entry}/device/name") as f:
                        if f.read().strip() == self.name:
                            return f"/dev/input/{entry}"
                except OSError:
                    continue
        return None

    def set(self, code, down):
        event = struct.Struct("llHHi")
        os.write(self.fd, event.pack(0, 0, EV_KEY, code, 1 if down else 0))
        os.write(self.fd, event.pack(0, 0, EV_SYN, 0, 0))

    def close(self):
        self.fcntl.ioctl(self.fd, UI_DEV_DESTROY)
        os.close(self.fd)


class VirtualInputDevices(NativeCase):
    """velmora reads held keys from the kernel's input devices, as it must under Wayland."""

    def setUp(self):
        if not os.path.exists("/dev/uinput"):
            self.skipTest("no /dev/uinput here: the input devices are tested on recorded answers")
        super().setUp()
        self.devices = []
        for name, codes in (("velmora test keyboard",
                             [KEY_LEFTSHIFT, KEY_RIGHTSHIFT, KEY_LEFTCTRL, KEY_LEFTALT, KEY_A]),
                            ("velmora test mouse", [BTN_LEFT, BTN_RIGHT, BTN_SIDE, BTN_EXTRA])):
            self.devices.append(VirtualDevice(name, codes))
        deadline = time.time() + 5
        while time.time() < deadline and not all(
                device.node() and os.path.exists(device.node()) for device in self.devices):
            time.sleep(0.05)
        if not all(device.node() and os.path.exists(device.node()) for device in self.devices):
            self.skipTest("the virtual devices got no node in /dev/input (no devtmpfs or udev)")

    def tearDown(self):
        for device in getattr(self, "devices", []):
            device.close()
        super().tearDown()

    def test_keys_and_buttons_held_on_the_devices(self):
        keyboard, mouse = self.devices
        self.settings("\\n".join(f"{slot}=REC {slot}" for slot in SLOTS))
        env = {"DISPLAY": ""}
        cases = [(keyboard, [KEY_LEFTSHIFT], "shift"), (keyboard, [KEY_RIGHTSHIFT], "shift"),
                 (keyboard, [KEY_LEFTCTRL], "ctrl"), (keyboard, [KEY_LEFTALT], "alt"),
                 (mouse, [BTN_SIDE], "X1"), (mouse, [BTN_EXTRA], "X2"),
                 (keyboard, [KEY_A], "default")]
        for device, codes, slot in cases:
            with self.subTest(slot=slot, codes=codes):
                for code in codes:
                    device.set(code, True)
                try:
                    report = self.check("t", env=env).stdout
                    self.assertIn(b"keys: input devices", report)
                    if os.path.exists(self.record):
                        os.remove(self.record)
                    self.run_velmora("t", env=env)
                    self.assertEqual(self.recorded(), [[slot.encode()]])
                finally:
                    for code in codes:
                        device.set(code, False)


if __name__ == "__main__":
    # Xvfb and the key holders are children too: waiting for every child would wait for them.
    e2e_support.main(adopt=False)
