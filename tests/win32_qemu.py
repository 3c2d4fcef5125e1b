#!/usr/bin/env python3
"""The shipped 32-bit programs, taken from the zip, run end to end under the 32-bit Wine: natively
where the kernel runs i386 code, otherwise through qemu-user, registered as the kernel's handler
for i386 programs for the length of the run and removed after.

  win32_qemu.py setup   --work DIR --zip ZIP   register qemu when needed, unzip, make the prefix
  win32_qemu.py run CASE --work DIR --starter S --recorder R
  win32_qemu.py cleanup --work DIR             remove the registration and stop the prefix
  win32_qemu.py forced CASE --work DIR --zip ZIP --starter S --recorder R
                                               all three for one case, through qemu-user always

CASE is western, japanese, check, utf8, register or keys. VELMORA_WIN32_THROUGH_QEMU=1 takes qemu even where
the kernel could run the programs itself. Exit status 77 means skipped, and says why."""
import argparse
import os
import shutil
import subprocess
import sys
import time
import zipfile

import e2e_keys_wine

SKIP = 77
HANDLER = "velmora-qemu-i386"
BINFMT = "/proc/sys/fs/binfmt_misc"
QEMU = "/usr/bin/qemu-i386-static"
# i386 executables (ELF class 32, little-endian, machine 3, type EXEC), as Debian's own handler.
MAGIC = (r"\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00",
         r"\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff")
WINE32 = "/usr/lib/wine/wine"


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def kernel_runs_i386():
    # On a kernel without i386 support starting the loader raises (Exec format error) instead of
    # failing with a status; a probe that cannot run answers "no".
    try:
        return subprocess.run(["/lib/ld-linux.so.2", "--version"], capture_output=True,
                              timeout=60).returncode == 0
    except (OSError, subprocess.SubprocessError):
        return False


def wine_env(work, locale, **extra):
    return dict(os.environ, WINEPREFIX=os.path.join(work, "prefix"), WINEDEBUG="-all",
                WINEDLLOVERRIDES="mscoree,mshtml=", LC_ALL=locale, **extra)


def register_qemu(handler):
    """Makes qemu-user the kernel's handler for i386 programs; the reason when it cannot."""
    if os.geteuid() != 0:
        return "registering qemu-user for i386 programs needs root"
    try:
        version = subprocess.run([QEMU, "--version"], capture_output=True, text=True,
                                 timeout=60).stdout.split("\n")[0]
    except (OSError, subprocess.SubprocessError) as error:
        return f"{QEMU} cannot run ({error}; scripts/install-deps.sh installs it)"
    try:
        if not os.path.exists(os.path.join(BINFMT, "register")):
            subprocess.run(["mount", "-t", "binfmt_misc", "binfmt_misc", BINFMT], check=True,
                           capture_output=True, timeout=60)
        if os.path.exists(os.path.join(BINFMT, handler)):
            write(BINFMT, handler, "-1")
        write(BINFMT, "register", f":{handler}:M::{MAGIC[0]}:{MAGIC[1]}:{QEMU}:F")
    except (OSError, subprocess.SubprocessError) as error:
        return f"binfmt_misc cannot take a handler here ({error})"
    return "through qemu-user (" + version + ")"


def setup(args, handler=HANDLER):
    os.makedirs(args.work, exist_ok=True)
    # Forcing decides alone: the native probe is not even asked.
    forced = args.action == "forced" or os.environ.get("VELMORA_WIN32_THROUGH_QEMU") == "1"
    write(args.work, "handler", "")
    if not forced and kernel_runs_i386():
        mode = "natively"
    else:
        why = "qemu-user is forced" if forced else "this kernel cannot run i386 code"
        mode = register_qemu(handler)
        write(args.work, "handler", handler)
        if not mode.startswith("through"):
            write(args.work, "mode", f"skip: {why}, and {mode}")
            print(read(args.work, "mode"))
            return SKIP
    write(args.work, "mode", mode)
    print("32-bit programs run " + mode)
    shutil.rmtree(os.path.join(args.work, "zip"), ignore_errors=True)
    with zipfile.ZipFile(args.zip) as archive:
        archive.extractall(os.path.join(args.work, "zip"))
    shutil.rmtree(os.path.join(args.work, "prefix"), ignore_errors=True)
    began = time.monotonic()
    subprocess.run([WINE32, "wineboot", "--init"], env=wine_env(args.work, "C.UTF-8"),
                   capture_output=True, check=True, timeout=900)
    print(f"prefix made in {time.monotonic() - began:.1f} s")
    return 0


def cleanup(args):
    try:
        subprocess.run(["/usr/lib/wine/wineserver", "-k"], env=wine_env(args.work, "C.UTF-8"),
                       capture_output=True, timeout=60)
    except (OSError, subprocess.SubprocessError):
        pass
    handler = read(args.work, "handler")
    if handler and os.path.exists(os.path.join(BINFMT, handler)):
        write(BINFMT, handler, "-1")
        print("qemu-user no longer handles i386 programs")
    return 0


def forced(args):
    """One case through qemu-user on any kernel, under a handler of its own, undone at the end.
    Where the kernel runs i386 code, every i386 program goes through qemu meanwhile: ctest runs
    this test alone."""
    status = setup(args, HANDLER + "-forced")
    try:
        return status if status else run(args)
    finally:
        cleanup(args)


def write(folder, name, text):
    with open(os.path.join(folder, name), "w") as f:
        f.write(text)


def read(folder, name):
    try:
        with open(os.path.join(folder, name)) as f:
            return f.read()
    except OSError:
        return ""


class Case:
    """A folder with the programs from the zip, the recorder and settings, and the command lines
    to start in one starter process."""

    def __init__(self, args, name, encoding, locale):
        self.args, self.encoding, self.locale = args, encoding, locale
        self.dir = os.path.join(args.work, "cases", name)
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        unpacked = os.path.join(args.work, "zip", "velmora")
        for program in os.listdir(unpacked):
            if program.endswith(".exe"):
                shutil.copy2(os.path.join(unpacked, program), self.dir)
        shutil.copy2(args.recorder, os.path.join(self.dir, "recorder.exe"))
        self.record = os.path.join(self.dir, "record")
        self.lines = []

    def rec(self):
        return windows_path(os.path.join(self.dir, "recorder.exe"))

    def settings(self, body, name="velmora.ini"):
        path = os.path.join(self.dir, name)
        with open(path, "wb") as f:
            f.write(("[Path]\r\n" + body.replace("REC", self.rec()) + "\r\n").encode(self.encoding))
        return path

    def line(self, program, arguments):
        path = os.path.join(self.dir, f"line{len(self.lines)}")
        with open(path, "wb") as f:
            f.write(f'"{windows_path(os.path.join(self.dir, program))}" {arguments}'.encode(
                self.encoding))
        self.lines.append(windows_path(path))

    def start(self, utf8=False):
        """Starts every line in one starter process; the exit statuses and the records."""
        env = wine_env(self.args.work, self.locale, VELMORA_RECORD=windows_path(self.record))
        if utf8:
            env["VELMORA_RECORD_UTF8"] = "1"
        began = time.monotonic()
        done = subprocess.run([WINE32, self.args.starter, *(["--utf8"] if utf8 else []),
                               *self.lines], env=env, capture_output=True, timeout=1800)
        print(f"{len(self.lines)} starts in one starter process: {time.monotonic() - began:.1f} s")
        statuses = done.stdout.replace(b"\r\n", b"\n").decode(self.encoding).strip().split("\n")
        records = []
        if os.path.exists(self.record):
            with open(self.record, "rb") as f:
                records = [entry.decode("utf-8" if utf8 else self.encoding)
                           for entry in f.read().split(b"\0")[:-1]]
        return statuses, records, done


def run(args):
    mode = read(args.work, "mode")
    if not mode or mode.startswith("skip"):
        print(mode or "the set-up did not run")
        return SKIP
    print(f"{args.case}: 32-bit programs from the zip, run {mode}")
    failures = []

    def expect(label, got, wanted):
        if got != wanted:
            failures.append(f"{label}:\n  got    {got!r}\n  wanted {wanted!r}")

    if args.case == "western":
        case = Case(args, "western", "cp1252", "C.UTF-8")
        case.settings('default=REC "%P" %O2 %O1')
        other = case.settings('default=REC other %O1 "%P"', name="other.ini")
        case.line("velmora.exe", r'"C:\a b\t.txt"')
        case.line("velmora.exe", r'-x -y "C:\a b\t.txt"')
        case.line("velmora.exe", f'"/ini={windows_path(other)}" -x "C:\\a b\\t.txt"')
        statuses, records, _ = case.start()
        expect("exit statuses", statuses, ["0", "0", "0"])
        expect("started", records, [case.rec() + r' "C:\a b\t.txt" %O2 %O1',
                                    case.rec() + r' "C:\a b\t.txt" -y -x',
                                    case.rec() + r' other -x "C:\a b\t.txt"'])
    elif args.case == "japanese":
        # 表 is 95 5C in code page 932: its second byte is a backslash.
        case = Case(args, "japanese", "cp932", "ja_JP.UTF-8")
        case.settings('default=REC "%D"')
        shutil.copy2(os.path.join(case.dir, "velmora.exe"), os.path.join(case.dir, "表.exe"))
        case.line("velmora.exe", r'"C:\表\a.txt"')
        case.line("表.exe", r'"C:\docs\表.txt"')
        statuses, records, _ = case.start()
        expect("exit statuses", statuses, ["0", "0"])
        expect("started", records, [case.rec() + r' "C:\表"', case.rec() + r' "C:\docs"'])
    elif args.case == "check":
        case = Case(args, "check", "cp1252", "C.UTF-8")
        case.settings('default=REC "%P" %O2 %O1')
        case.line("velmora-check.exe", r'-x -y "C:\a b\t.txt"')
        case.line("velmora.exe", r'-x -y "C:\a b\t.txt"')
        _, records, done = case.start()
        report = done.stdout.replace(b"\r\n", b"\n").decode("cp1252")
        print(report)
        command = case.rec() + r' "C:\a b\t.txt" -y -x'
        expect("reported command", f'launch command ({len(command)} bytes): "{command}"' in report,
               True)
        expect("reported result", "result: velmora would start this command" in report, True)
        expect("started", records, [command])
    elif args.case == "utf8":
        case = Case(args, "utf8", "utf-8", "C.UTF-8")
        case.settings('default=REC "%P"')
        case.line("velmora-utf8.exe", r'"C:\Привет\файл 😀.txt"')
        statuses, records, _ = case.start(utf8=True)
        expect("exit statuses", statuses, ["0"])
        expect("started", records, [case.rec() + r' "C:\Привет\файл 😀.txt"'])
    elif args.case == "register":
        # velmora-setup.exe registers and removes in a folder with a space and '%'.
        case = Case(args, "set up 100%", "cp1252", "C.UTF-8")
        case.settings("default=REC %P")
        for arguments in ("open-with .vq", "send-to --name vq", "status", "open-with vq",
                          "remove", "remove"):
            case.line("velmora-setup.exe", arguments)
        statuses, _, _ = case.start()
        # The starter's lines of statuses, among what velmora-setup wrote to the same output.
        statuses = [line for line in statuses if line.isdigit()]
        expect("exit statuses", statuses, ["0", "0", "0", "2", "0", "0"])
        left = subprocess.run([WINE32, "reg", "query", "HKCU\\Software\\velmora"],
                              env=wine_env(args.work, "C.UTF-8"), capture_output=True,
                              timeout=600)
        expect("HKCU\\Software\\velmora after remove", left.returncode, 1)
    elif args.case == "keys":
        # Keys really held under Xvfb, read by the zip's programs through their GetKeyState.
        zipped = os.path.join(args.work, "zip", "velmora")
        return e2e_keys_wine.main([
            "--loader", WINE32, "--wineserver", "/usr/lib/wine/wineserver",
            "--prefix", os.path.join(args.work, "prefix"), "--work", args.work,
            "--velmora", os.path.join(zipped, "velmora.exe"),
            "--check", os.path.join(zipped, "velmora-check.exe"),
            "--key-starter", args.key_starter, "--key-window", args.key_window,
            "--recorder", args.recorder])
    for failure in failures:
        print("FAILED " + failure)
    return 1 if failures else 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("action", choices=["setup", "run", "cleanup", "forced"])
    parser.add_argument("case", nargs="?")
    parser.add_argument("--work", required=True)
    parser.add_argument("--zip")
    parser.add_argument("--starter")
    parser.add_argument("--recorder")
    parser.add_argument("--key-starter")
    parser.add_argument("--key-window")
    args = parser.parse_args()
    return {"setup": setup, "run": run, "cleanup": cleanup, "forced": forced}[args.action](args)


if __name__ == "__main__":
    sys.exit(main())
