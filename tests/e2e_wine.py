#!/usr/bin/env python3
"""End-to-end checks of velmora.exe under Wine: a starter program gives it an exact command line,
and a recorder program, started by velmora, writes the command line it received byte for byte.
Settings go through Wine's real profile reader."""
import argparse
import os
import re
import shutil
import subprocess
import sys
import unittest

ARGS = None


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Wine(unittest.TestCase):
    locale = "C.UTF-8"
    encoding = "cp1252"

    def setUp(self):
        self.dir = os.path.join(ARGS.build, "e2e", self.id().rsplit(".", 1)[-1])
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        self.velmora = os.path.join(self.dir, "velmora.exe")
        shutil.copy2(ARGS.velmora, self.velmora)
        self.recorder = os.path.join(self.dir, "recorder.exe")
        shutil.copy2(ARGS.recorder, self.recorder)
        self.record = os.path.join(self.dir, "record")

    def settings(self, body, name="velmora.ini", directory=None):
        path = os.path.join(directory or self.dir, name)
        text = b"[Path]\r\n" + body.replace("REC", windows_path(self.recorder)).encode(
            self.encoding) + b"\r\n"
        with open(path, "wb") as f:
            f.write(text)
        return path

    def run_starter(self, exe, command_line):
        line = b'"' + windows_path(exe).encode(self.encoding) + b'"'
        if command_line:
            line += b" " + command_line.encode(self.encoding)
        line_file = os.path.join(self.dir, "line")
        with open(line_file, "wb") as f:
            f.write(line)
        env = dict(os.environ, LC_ALL=self.locale, VELMORA_RECORD=windows_path(self.record))
        return subprocess.run([ARGS.build + "/wine-run.sh", ARGS.starter, windows_path(line_file)],
                              capture_output=True, env=env, timeout=120)

    def check(self, command_line):
        """velmora-check's launch command for the same arguments, and its exit status."""
        exe = os.path.join(self.dir, "velmora-check.exe")
        shutil.copy2(ARGS.check, exe)
        done = self.run_starter(exe, command_line)
        *report, status = done.stdout.replace(b"\r\n", b"\n").strip().split(b"\n")
        match = re.search(rb'launch command \(\d+ bytes\): "(.*)"', b"\n".join(report))
        command = None
        if match:
            command = re.sub(rb"\\x([0-9A-F]{2})", lambda m: bytes([int(m.group(1), 16)]),
                             match.group(1)).decode(self.encoding)
        return command, int(status)

    def start(self, command_line, velmora=None):
        """Starts velmora with `command_line` after its quoted path; returns what the recorder
        saw, one command line per start."""
        done = self.run_starter(velmora or self.velmora, command_line)
        self.assertEqual(done.stdout.strip(), b"0", done.stderr)
        self.assertEqual(done.returncode, 0)
        if not os.path.exists(self.record):
            return []
        with open(self.record, "rb") as f:
            return [entry.decode(self.encoding) for entry in f.read().split(b"\0")[:-1]]

    def rec(self):
        return windows_path(self.recorder)


class WesternLocale(Wine):
    def test_no_argument_starts_nothing(self):
        self.settings("default=REC x")
        self.assertEqual(self.start(""), [])

    def test_worked_road(self):
        self.settings("default=REC %O1 %P")
        self.assertEqual(self.start(r"-n C:\docs\a.txt"), [self.rec() + r" -n C:\docs\a.txt"])

    def test_launch_command_is_passed_byte_for_byte(self):
        self.settings('default="REC"  "%P"  %d  x%O3%O1')
        # "%d" is there, so "%P" stays; passes 1 and 2 fill "%O1" only.
        self.assertEqual(self.start(r'"a b" -c "C:\dir with\f.txt"'),
                         [f'"{self.rec()}"  "%P"  C:\\dir with  x%O3a b'])
        self.settings("default=REC %d|%P")
        self.assertEqual(self.start(r"x C:\dir\f.txt")[-1], self.rec() + r" C:\dir|%P")

    def test_argument_splitting_rules(self):
        self.settings("default=REC [%O1][%O2][%O3][%P]")
        self.assertEqual(self.start(r'a"b c"d "" "C:\dir\" """ y'),
                         [self.rec() + r" [ab cd][C:\dir\][%O3][ y]"])

    def test_settings_option(self):
        other = self.settings("default=REC other %O1 %O2 %P", name="other.ini")
        self.settings("default=REC wrong")
        self.assertEqual(self.start(f'"/ini={windows_path(other)}" -x C:\\f'),
                         [self.rec() + r" other -x %O2 C:\f"])
        # A sole argument is the target, never the option.
        self.assertEqual(self.start(f"/INI=/ini={windows_path(other)}"),
                         [self.rec() + r" other -x %O2 C:\f", self.rec() + " wrong"])

    def test_a_sole_argument_holding_the_option_is_the_target(self):
        # A folder named "ini=" reached with forward slashes, as a URL or a Unix-style path.
        planted = os.path.join(self.dir, "pkg", "README.txt")
        os.makedirs(os.path.join(self.dir, "pkg", "ini="))
        with open(planted, "wb") as f:
            f.write(b"[Path]\r\ndefault=" + self.rec().encode() + b" pwned %P\r\n")
        self.settings("default=REC own %P")
        target = windows_path(self.dir).replace("\\", "/") + "/pkg/ini=/README.txt"
        self.assertEqual(self.start(target), [self.rec() + " own " + target])
        command, status = self.check(target)
        self.assertEqual((command, status), (self.rec() + " own " + target, 0))

    def test_arguments_that_double_the_command_start_nothing(self):
        self.settings("default=REC %O1")
        arguments = " ".join(f"%O{n}%O{n}" for n in range(2, 32)) + " t"
        self.assertEqual(self.start(arguments), [])
        self.assertEqual(self.check(arguments), (None, 1))

    def test_profile_reader_quotes_comments_and_blanks(self):
        self.settings("; default=REC commented\r\n  default  =  'REC  %P'  \r\ndefault=REC later")
        self.assertEqual(self.start("t"), [self.rec() + "  t"])

    def test_missing_default_key_starts_nothing(self):
        self.settings("shift=REC %P")
        self.assertEqual(self.start("t"), [])

    def test_missing_settings_file_starts_nothing(self):
        self.assertEqual(self.start("t"), [])

    def test_settings_file_is_left_untouched(self):
        path = self.settings("default=REC %P")
        os.utime(path, (1_000_000_000, 1_000_000_000))
        with open(path, "rb") as f:
            before = f.read()
        self.assertEqual(self.start("t"), [self.rec() + " t"])
        with open(path, "rb") as f:
            self.assertEqual(f.read(), before)
        self.assertEqual(os.stat(path).st_mtime, 1_000_000_000)

    def test_missing_program_exits_zero(self):
        self.settings(r"default=C:\no\such\program.exe %P")
        self.assertEqual(self.start("t"), [])


    def test_check_reports_what_velmora_starts(self):
        self.settings('default="REC" "%P" %O1 %O2 x%o1\r\nshift=REC shift')
        for args in [r'-a "C:\a b.txt"', r"C:\t", r"-a -b -c C:\%O1.txt"]:
            command, status = self.check(args)
            self.assertEqual(status, 0)
            if os.path.exists(self.record):
                os.remove(self.record)
            self.assertEqual(self.start(args), [command])
        self.assertEqual(self.check("--hold=shift t"), (self.rec() + " shift", 0))
        self.assertEqual(self.check("--hold=ctrl t"), ("", 1))


class JapaneseLocale(Wine):
    """Code page 932: 表 is 95 5C, whose second byte is a backslash."""
    locale = "ja_JP.UTF-8"
    encoding = "cp932"

    def test_program_named_with_a_double_byte_character_finds_its_settings(self):
        renamed = os.path.join(self.dir, "表.exe")
        os.rename(self.velmora, renamed)
        self.settings("default=REC %P")
        self.assertEqual(self.start("t", velmora=renamed), [self.rec() + " t"])

    def test_folder_ending_in_a_double_byte_character(self):
        folder = os.path.join(self.dir, "表")
        os.makedirs(folder)
        moved = os.path.join(folder, "velmora.exe")
        os.rename(self.velmora, moved)
        self.settings("default=REC %P", directory=folder)
        self.assertEqual(self.start("t", velmora=moved), [self.rec() + " t"])

    def test_directory_of_a_target_named_with_a_double_byte_character(self):
        self.settings("default=REC %D")
        self.assertEqual(self.start(r"C:\docs\表.txt"), [self.rec() + r" C:\docs"])
        self.assertEqual(self.start(r"C:\表\a.txt")[-1], self.rec() + r" C:\表")

    def test_placeholders_match_case_insensitively_beside_double_byte_text(self):
        self.settings("default=REC 表%p %o1")
        self.assertEqual(self.start("－ａ t"), [self.rec() + " 表t －ａ"])


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--velmora", required=True)
    parser.add_argument("--starter", required=True)
    parser.add_argument("--recorder", required=True)
    parser.add_argument("--check", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)
