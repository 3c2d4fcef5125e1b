#!/usr/bin/env python3
"""velmora.exe and velmora-check.exe under Wine with keys and mouse buttons really held: pressed
through XTEST under Xvfb into a focused Wine window of the test's own, and read by the programs'
own GetKeyState.

Wine makes a thread's key state at its first GetKeyState, zero-filled, and reports only changes
after that. So key_starter starts the program suspended and makes its input queue first; only
then are the keys pressed, and once key_starter sees them down (GetAsyncKeyState) the program
runs. Without that step (the control case) nothing is seen held, which shows that the harness
itself cannot pass on its own.

  e2e_keys_wine.py --loader WINE --wineserver WINESERVER --prefix DIR --work DIR --velmora EXE --check EXE
                   --key-starter EXE --key-window EXE --recorder EXE

Exit status 77 means skipped, and says why: only where the display cannot start."""
import argparse
import os
import shutil
import subprocess
import sys
import time

SKIP = 77
SLOTS = ["default", "shift", "ctrl", "alt", "X1", "X2"]
# What the test presses, and the virtual key Windows gives it: literal, so that a wrong code in
# velmora's own key table cannot agree with itself here.
KEYS = {"shift": ("key", "Shift_L", 0x10), "ctrl": ("key", "Control_L", 0x11),
        "alt": ("key", "Alt_L", 0x12), "x1": ("mouse", "8", 0x05), "x2": ("mouse", "9", 0x06)}


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Display:
    """Xvfb with the key window focused and the pointer over it."""

    def __init__(self, args, env):
        read, write = os.pipe()
        try:
            self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0",
                                          "640x480x24", "-nolisten", "tcp"], pass_fds=[write],
                                         stderr=subprocess.DEVNULL)
        except OSError as error:
            os.close(read)
            os.close(write)
            raise RuntimeError(f"Xvfb cannot start ({error})")
        os.close(write)
        with os.fdopen(read) as f:
            number = f.readline().strip()
        if not number:
            self.xvfb.wait()
            raise RuntimeError("Xvfb exited without a display")
        self.env = dict(env, DISPLAY=":" + number)
        self.window = subprocess.Popen([args.loader, args.key_window, "600"], env=self.env,
                                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        if self.window.stdout.readline().strip() != b"shown":
            raise AssertionError("the key window did not come up")
        found = self.xdotool("search", "--sync", "--name", "velmora key window", timeout=60)
        self.id = found.stdout.split()[0].decode()
        self.xdotool("windowfocus", "--sync", self.id)
        self.xdotool("mousemove", "--window", self.id, "100", "100")

    def xdotool(self, *words, timeout=30):
        return subprocess.run(["xdotool", *words], env=self.env, capture_output=True,
                              check=True, timeout=timeout)

    def press(self, key):
        kind, name, _ = KEYS[key]
        self.xdotool("keydown" if kind == "key" else "mousedown", name)

    def release(self, key):
        kind, name, _ = KEYS[key]
        self.xdotool("keyup" if kind == "key" else "mouseup", name)

    def close(self):
        self.window.kill()
        self.window.wait()
        self.xvfb.terminate()
        self.xvfb.wait()


class Suite:
    def __init__(self, args):
        self.args = args
        self.dir = os.path.join(args.work, "keys")
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        for source, name in ((args.velmora, "velmora.exe"), (args.check, "velmora-check.exe"),
                             (args.recorder, "recorder.exe")):
            shutil.copy2(source, os.path.join(self.dir, name))
        recorder = windows_path(os.path.join(self.dir, "recorder.exe"))
        with open(os.path.join(self.dir, "velmora.ini"), "wb") as f:
            f.write(("[Path]\r\n" + "".join(f"{slot}={recorder} {slot}\r\n" for slot in SLOTS))
                    .encode())
        self.record = os.path.join(self.dir, "record")
        self.env = dict(os.environ, WINEPREFIX=args.prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=", LC_ALL="C.UTF-8",
                        VELMORA_RECORD=windows_path(self.record))
        self.failures = []

    def stop_wine(self):
        # A Wine desktop made without this display (or with one that is gone) would keep its
        # driver for every later program of the prefix.
        subprocess.run([self.args.wineserver, "-k"], env=self.env, capture_output=True,
                       timeout=60)
        subprocess.run([self.args.wineserver, "-w"], env=self.env, capture_output=True,
                       timeout=60)

    def start(self, display, program, held, release_first=False, make_queue=True):
        """Starts `program` with the keys in `held` down; the starter's output."""
        if os.path.exists(self.record):
            os.remove(self.record)
        starter = subprocess.Popen(
            [self.args.loader, self.args.key_starter, *([] if make_queue else ["--no-queue"]),
             windows_path(os.path.join(self.dir, program)), "t.txt"],
            env=display.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        output = []

        def answer():
            line = starter.stdout.readline().decode("utf-8", "replace").rstrip("\r\n")
            output.append(line)
            return line

        def ask(request, wanted):
            starter.stdin.write((request + "\n").encode())
            starter.stdin.flush()
            got = answer()
            if got != wanted:
                raise AssertionError(f"{request!r}: the starter answered {got!r}")

        pressed = []
        try:
            while answer() != "ready":
                if starter.poll() is not None:
                    raise AssertionError(f"the starter ended: {output}")
            codes = " ".join(f"{KEYS[key][2]:x}" for key in held)
            for key in held:
                display.press(key)
                pressed.append(key)
            if held:
                ask("down " + codes, "down")
            if release_first:
                for key in held:
                    display.release(key)
                pressed = []
                ask("up " + codes, "up")
            starter.stdin.write(b"go\n")
            starter.stdin.flush()
            while not output[-1].startswith("status "):
                if answer() == "" and starter.poll() is not None:
                    raise AssertionError(f"the starter ended: {output}")
        finally:
            for key in pressed:
                display.release(key)
            if starter.poll() is None:
                starter.kill()
            starter.wait()
        return output

    def started(self, display, held, **options):
        output = self.start(display, "velmora.exe", held, **options)
        if output[-1] != "status 0":
            raise AssertionError(f"velmora.exe: {output}")
        with open(self.record, "rb") as f:
            return f.read().split(b"\0")[0].decode().rsplit(" ", 1)[-1]

    def expect(self, label, got, wanted):
        print(f"{'ok    ' if got == wanted else 'FAILED'} {label}: {got!r}")
        if got != wanted:
            self.failures.append(f"{label}: got {got!r}, wanted {wanted!r}")

    def run(self, display):
        for held, slot in ([], "default"), (["shift"], "shift"), (["ctrl"], "ctrl"), \
                          (["alt"], "alt"), (["x1"], "X1"), (["x2"], "X2"):
            self.expect(f"velmora.exe, held {held}", self.started(display, held), slot)
        # The first of the table's order wins, whatever went down first.
        for held, slot in (["alt", "ctrl"], "ctrl"), (["x1", "shift"], "shift"):
            self.expect(f"velmora.exe, held {held}", self.started(display, held), slot)
        self.expect("velmora.exe, shift pressed and let go before it ran",
                    self.started(display, ["shift"], release_first=True), "default")
        self.expect("control: velmora.exe without its queue made first, shift held",
                    self.started(display, ["shift"], make_queue=False), "default")
        for held, line in (["shift"], "held: shift"), (["x2"], "held: x2 (second extra button)"):
            report = self.start(display, "velmora-check.exe", held)
            self.expect(f"velmora-check.exe, held {held}", line in report, True)
            self.expect(f"velmora-check.exe names the key source, held {held}",
                        "keys: GetKeyState" in " ".join(report), True)


def main(argv=None):
    parser = argparse.ArgumentParser()
    for name in ("--loader", "--wineserver", "--prefix", "--work", "--velmora", "--check",
                 "--key-starter", "--key-window", "--recorder"):
        parser.add_argument(name, required=True)
    args = parser.parse_args(argv)
    suite = Suite(args)
    began = time.monotonic()
    suite.stop_wine()
    try:
        display = Display(args, suite.env)
    except RuntimeError as error:
        print(f"skipped: {error}")
        return SKIP
    try:
        suite.run(display)
    except (AssertionError, subprocess.SubprocessError) as error:
        suite.failures.append(str(error))
    finally:
        display.close()
        suite.stop_wine()
    print(f"{time.monotonic() - began:.1f} s")
    for failure in suite.failures:
        print("FAILED " + failure)
    return 1 if suite.failures else 0


if __name__ == "__main__":
    sys.exit(main())
