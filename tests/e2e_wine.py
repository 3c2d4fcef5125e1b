#!/usr/bin/env python3
"""End-to-end checks of velmora.exe and velmora-utf8.exe under Wine: a starter program gives
them an exact command line, and a recorder program, started by velmora, writes the command line
it received byte for byte. Settings go through Wine's real profile reader. The UTF-8 variant is
started as Explorer starts programs, with a Unicode command line, and the recorder then writes
the Unicode command line it received."""
import argparse
import os
import re
import select
import shutil
import subprocess
import sys
import time
import unittest

import settings_mistakes

ARGS = None


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def on_a_terminal(command, env, answer_when=None):
    """Runs `command` with a terminal as its standard streams, where Wine gives a console
    program a console of its own; types Enter once the screen shows `answer_when`. Returns the
    screen's text, whether the program was still running when the text appeared, and its
    status."""
    master, slave = os.openpty()
    process = subprocess.Popen(command, stdin=slave, stdout=slave, stderr=slave, env=env,
                               start_new_session=True)
    os.close(slave)
    raw, waiting = b"", None
    deadline = time.time() + 60
    while time.time() < deadline:
        if select.select([master], [], [], 0.5)[0]:
            try:
                chunk = os.read(master, 4096)
            except OSError:
                break
            raw += chunk
            if answer_when and waiting is None and answer_when in screen_text(raw):
                waiting = process.poll() is None
        elif process.poll() is not None:
            break
        elif waiting:
            # The console may take a moment to start reading: Enter until the program is gone.
            os.write(master, b"\r")
    status = process.wait(timeout=30)
    os.close(master)
    return screen_text(raw), waiting, status


def screen_text(raw):
    """Wine's console draws on the terminal character by character: its text, without the
    cursor movements (a move to the right stands for spaces)."""
    text = re.sub(r"\x1b\[(\d*)C", lambda m: " " * int(m.group(1) or 1),
                  raw.decode("utf-8", "replace"))
    return re.sub(r"\x1b\[[0-9;?]*[A-Za-z]", "", text).replace("\r", "")


class Wine(unittest.TestCase):
    locale = "C.UTF-8"
    encoding = "cp1252"
    utf8 = False  # the UTF-8 variant, started with a Unicode command line

    def setUp(self):
        self.dir = os.path.join(ARGS.build, "e2e", type(self).__name__,
                                self.id().rsplit(".", 1)[-1])
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        self.velmora = os.path.join(self.dir, "velmora.exe")
        shutil.copy2(ARGS.velmora_utf8 if self.utf8 else ARGS.velmora, self.velmora)
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

    def run_starter(self, exe, command_line, utf8=None, bare=False, env=None):
        """Starts `exe` with `command_line` after its quoted path; `bare`: after its bare name,
        from its own folder as the current one."""
        utf8 = self.utf8 if utf8 is None else utf8
        encoding = "utf-8" if utf8 else self.encoding
        name = os.path.basename(exe) if bare else windows_path(exe)
        line = b'"' + name.encode(encoding) + b'"'
        if command_line:
            line += b" " + command_line.encode(encoding)
        line_file = os.path.join(self.dir, "line")
        with open(line_file, "wb") as f:
            f.write(line)
        env = dict(os.environ, LC_ALL=self.locale, VELMORA_RECORD=windows_path(self.record),
                   **(env or {}))
        if utf8:
            env["VELMORA_RECORD_UTF8"] = "1"
        return subprocess.run([ARGS.build + "/wine-run.sh", ARGS.starter,
                               *(["--utf8"] if utf8 else []), windows_path(line_file)],
                              capture_output=True, env=env, timeout=120,
                              cwd=os.path.dirname(exe) if bare else None)

    def check_report(self, command_line, utf8=None):
        """velmora-check's whole report for the same arguments, and its exit status."""
        utf8 = self.utf8 if utf8 is None else utf8
        exe = os.path.join(self.dir, "velmora-check.exe")
        shutil.copy2(ARGS.check_utf8 if self.utf8 else ARGS.check, exe)
        done = self.run_starter(exe, command_line, utf8)
        *report, status = done.stdout.replace(b"\r\n", b"\n").strip().split(b"\n")
        # Written to a pipe, the report keeps the bytes of the program's own code page.
        return b"\n".join(report).decode(self.encoding, errors="replace"), int(status)

    def check(self, command_line):
        """velmora-check's launch command for the same arguments, and its exit status."""
        exe = os.path.join(self.dir, "velmora-check.exe")
        shutil.copy2(ARGS.check_utf8 if self.utf8 else ARGS.check, exe)
        done = self.run_starter(exe, command_line)
        *report, status = done.stdout.replace(b"\r\n", b"\n").strip().split(b"\n")
        match = re.search(rb'launch command \(\d+ bytes\): "(.*)"', b"\n".join(report))
        command = None
        if match:
            command = re.sub(rb"\\x([0-9A-F]{2})", lambda m: bytes([int(m.group(1), 16)]),
                             match.group(1)).decode(self.encoding)
        return command, int(status)

    def start(self, command_line, velmora=None, utf8=None):
        """Starts velmora with `command_line` after its quoted path; returns what the recorder
        saw, one command line per start."""
        utf8 = self.utf8 if utf8 is None else utf8
        done = self.run_starter(velmora or self.velmora, command_line, utf8)
        self.assertEqual(done.stdout.strip(), b"0", done.stderr)
        self.assertEqual(done.returncode, 0)
        if not os.path.exists(self.record):
            return []
        with open(self.record, "rb") as f:
            entries = f.read().split(b"\0")[:-1]
        return [entry.decode("utf-8" if utf8 else self.encoding) for entry in entries]

    def rec(self):
        return windows_path(self.recorder)

    def moved_into(self, folder_name):
        """Moves velmora into a new folder of that name; the folder and the program's path."""
        folder = os.path.join(self.dir, folder_name)
        os.makedirs(folder)
        moved = os.path.join(folder, "velmora.exe")
        os.rename(self.velmora, moved)
        return folder, moved


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

    def statuses(self, command_line, utf8=True):
        """Starts velmora with a Unicode command line, as Explorer does; its exit status."""
        done = self.run_starter(self.velmora, command_line, utf8)
        return int(done.stdout.strip() or b"-1")

    def test_names_the_code_page_cannot_carry_start_nothing(self):
        # Windows makes velmora's ANSI command line with best-fit mapping: "／" becomes '/', "＂"
        # '"', "＼" '\\', and letters the code page lacks '?'. A downloaded file's name would
        # then bring in "/ini=" and the attacker's settings, or name another folder.
        self.settings('default=REC own "%P"')
        self.settings("default=REC evil %P", name="evil.ini")
        folder = windows_path(self.dir)
        attacks = [f'"{folder}\\／ini=evil.ini＂ ＂report.pdf"', '"C:\\docs\\a＼b.txt"',
                   '"C:\\docs\\Привет.txt"']
        for line in attacks:
            with self.subTest(line=line):
                self.assertEqual(self.statuses(line), 1)
                report, status = self.check_report(line, utf8=True)
                self.assertEqual(status, 1, report)
                self.assertIn("velmora-utf8.exe", report)
                self.assertIn("result: nothing would start", report)
        self.assertFalse(os.path.exists(self.record))
        # A name the code page carries exactly still opens.
        self.assertEqual(self.start('"C:\\docs\\café.txt"', utf8=True),
                         [self.rec() + ' own "C:\\docs\\café.txt"'])

    def test_a_folder_the_code_page_cannot_carry_starts_nothing_however_started(self):
        # ł is not in code page 1252, and best fit makes it 'l': velmora would read the settings
        # of a folder "velmora l", or none. Started by its bare name, the command line holds no
        # folder; the program's own path does.
        folder, moved = self.moved_into("velmora ł")
        self.settings("default=REC own %P", directory=folder)
        os.makedirs(os.path.join(self.dir, "velmora l"))
        self.settings("default=REC l %P", directory=os.path.join(self.dir, "velmora l"))
        for bare in (False, True):
            with self.subTest(bare=bare):
                done = self.run_starter(moved, "t", utf8=True, bare=bare)
                self.assertEqual(done.stdout.strip(), b"1", done.stderr)
        self.assertFalse(os.path.exists(self.record))

    def test_check_names_the_usual_mistakes_in_settings_files(self):
        # Through Windows' own reader, which differs from velmora's where Wine's does.
        rec = self.rec().encode(self.encoding)
        for name, body, warning in settings_mistakes.MISTAKES:
            with self.subTest(mistake=name):
                with open(os.path.join(self.dir, "velmora.ini"), "wb") as f:
                    f.write(body.replace(b"REC", rec) if b"\0" not in body else body)
                report, _ = self.check_report("t")
                expected = warning.replace(b"REC", rec).decode(self.encoding)
                warnings = [line for line in report.split("\n") if line.startswith("warning: ")]
                self.assertTrue(any(expected in line for line in warnings), report)

    def test_the_spelling_check_advises_for_a_quoted_program_works(self):
        # The natural spelling loses its outer quotation marks to Windows' own reader; the
        # advice velmora-check gives must work with that reader.
        self.settings('default="REC" "%P"')
        report, status = self.check_report('"C:\\my docs\\a.txt"')
        self.assertEqual(status, 1, report)
        advice = re.search(r"write the value in one more pair: (default=.*)$", report, re.M)
        self.assertIsNotNone(advice, report)
        with open(os.path.join(self.dir, "velmora.ini"), "wb") as f:
            f.write(b"[Path]\r\n" + advice.group(1).encode(self.encoding) + b"\r\n")
        report, status = self.check_report('"C:\\my docs\\a.txt"')
        self.assertEqual(status, 0, report)
        self.assertNotIn("warning", report)
        self.assertEqual(self.start('"C:\\my docs\\a.txt"'),
                         [f'"{self.rec()}" "C:\\my docs\\a.txt"'])

    def test_the_shipped_settings_draw_no_false_warning(self):
        # Every template of the zip's velmora.ini is checked, whatever is held: Explorer given
        # the folder, or told to select the file, opens no file, so it cannot start velmora
        # again; nothing needs quoting that is quoted.
        shutil.copy(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples",
                                 "velmora.ini"), os.path.join(self.dir, "velmora.ini"))
        report, _ = self.check_report('"C:\\my docs\\a.txt"')
        self.assertIn("templates:", report)
        for wrong in ("default program", "not inside quotation marks", "velmora-setup default"):
            self.assertNotIn(wrong, report)

    def test_velmora_started_by_velmora_too_often_starts_nothing(self):
        # The depth velmora hands on through the environment, as the shell's "start" or
        # Explorer would pass it on when velmora is the default program.
        self.settings('default=REC "%P"')
        for depth, status, started in (("7", b"0", True), ("8", b"1", False)):
            with self.subTest(depth=depth):
                if os.path.exists(self.record):
                    os.remove(self.record)
                done = self.run_starter(self.velmora, "t", env={"VELMORA_DEPTH": depth})
                self.assertEqual(done.stdout.strip(), status, done.stderr)
                self.assertEqual(os.path.exists(self.record), started)
        # A template that starts velmora itself ends after eight rounds, and the starter, which
        # waits for every process started in turn, returns.
        self.settings(f'default=""{windows_path(self.velmora)}" "%P""')
        done = self.run_starter(self.velmora, "t")
        self.assertEqual(done.stdout.strip(), b"0", done.stderr)

    def test_check_resolves_an_unquoted_program_path_as_process_creation_does(self):
        # CreateProcess reads an unquoted path word by word: "...\\Program Files\\rec.exe" is
        # "...\\Program.exe" first, where one exists.
        os.makedirs(os.path.join(self.dir, "Program Files"))
        shutil.copy2(self.recorder, os.path.join(self.dir, "Program Files", "rec.exe"))
        self.settings(f'default={windows_path(self.dir)}\\Program Files\\rec.exe "%P"')
        expected = windows_path(self.dir) + "\\Program Files\\rec.exe"
        for planted in (False, True):
            with self.subTest(planted=planted):
                if planted:
                    shutil.copy2(self.recorder, os.path.join(self.dir, "Program.exe"))
                    expected = windows_path(self.dir) + "\\Program.exe"
                report, status = self.check_report("t")
                self.assertEqual(status, 0, report)
                self.assertIn(" -> " + expected + "\n", report)
                self.assertIn("not inside quotation marks and holds a space", report)


class ConsoleWindow(Wine):
    """velmora-check in a console window of its own (a file dropped on it in Explorer) waits for
    Enter before the window closes; started from a console that others share, it does not."""

    def test_waits_for_enter_only_in_a_console_of_its_own(self):
        self.settings('default=REC "%P"')
        exe = os.path.join(self.dir, "velmora-check.exe")
        shutil.copy2(ARGS.check, exe)
        env = dict(os.environ, LC_ALL=self.locale)
        wine = [ARGS.build + "/wine-run.sh"]
        screen, waiting, status = on_a_terminal([*wine, exe, "C:\\café.txt"], env,
                                                answer_when="Press Enter to close")
        self.assertTrue(waiting, screen)
        self.assertEqual(status, 0, screen)
        self.assertIn('"C:\\café.txt"', screen)
        screen, _, status = on_a_terminal([*wine, "cmd", "/c", windows_path(exe), "C:\\x.txt"],
                                          env)
        self.assertEqual(status, 0, screen)
        self.assertIn("result: velmora would start", screen)
        self.assertNotIn("Press Enter", screen)


class Utf8WesternLocale(Wine):
    """velmora-utf8.exe: names in any script arrive as they are, settings are UTF-8."""
    utf8 = True
    encoding = "utf-8"

    def test_names_in_any_script_arrive_unchanged(self):
        self.settings('default=REC "%P" %P')
        for target in ("C:\\docs\\Привет.txt", "C:\\文档\\报告.txt", "C:\\x\\😀.txt",
                       "C:\\x\\naïve façade.txt"):
            with self.subTest(target=target):
                if os.path.exists(self.record):
                    os.remove(self.record)
                self.assertEqual(self.start(f'"{target}"'), [f'{self.rec()} "{target}" {target}'])

    def test_folder_of_a_name_in_another_script(self):
        self.settings('default=REC "%D"')
        self.assertEqual(self.start('"C:\\Папка\\文档\\😀.txt"'),
                         [self.rec() + ' "C:\\Папка\\文档"'])

    def test_settings_next_to_a_program_with_a_name_in_another_script(self):
        folder, moved = self.moved_into("Ключ 😀")
        self.settings("default=REC folder %P", directory=folder)
        self.assertEqual(self.start("t", velmora=moved), [self.rec() + " folder t"])
        renamed = os.path.join(self.dir, "лаунчер.exe")
        shutil.copy2(moved, renamed)
        self.settings("default=REC renamed %P")
        self.assertEqual(self.start("t", velmora=renamed)[-1], self.rec() + " renamed t")

    def test_settings_option_naming_a_file_in_another_script(self):
        other = self.settings("default=REC другой %O1 %P", name="настройки 設定.ini")
        self.assertEqual(self.start(f'"/ini={windows_path(other)}" -ü "C:\\é.txt"'),
                         [self.rec() + " другой -ü C:\\é.txt"])

    def test_arguments_with_accented_letters_in_another_order(self):
        self.settings("default=REC %O2 %O1 %P")
        self.assertEqual(self.start("-é -ü t"), [self.rec() + " -ü -é t"])

    def test_placeholders_beside_letters_whose_capitals_have_another_length(self):
        # ⱥ takes three bytes and its capital Ⱥ two, ı (dotless i) and ſ (long s) two bytes
        # and their capitals I and S one: upper-cased through Windows, the searched copy would no
        # longer line up with the text (Wine maps ⱥ so, Windows all three).
        self.settings("default=REC ⱥı%pſ %o1ⱥ %O1")
        self.assertEqual(self.start("-a t"), [self.rec() + " ⱥıtſ -aⱥ -a"])

    def test_check_reports_what_velmora_utf8_starts(self):
        self.settings('default=REC "%P" %O1')
        report, status = self.check_report('-ü "C:\\Привет\\😀.txt"')
        self.assertEqual(status, 0, report)
        self.assertIn("code page: 65001 (UTF-8)", report)
        self.assertNotIn("velmora-utf8.exe takes", report)
        command, _ = self.check('-ü "C:\\Привет\\😀.txt"')
        self.assertEqual(self.start('-ü "C:\\Привет\\😀.txt"'), [command])


class Utf8JapaneseLocale(Utf8WesternLocale):
    """The same on a Japanese system, whose locale still names code page 932: あ is E3 81 82 in
    UTF-8, and 82 is a Shift_JIS lead byte that would take the byte after it."""
    locale = "ja_JP.UTF-8"

    def test_a_last_byte_in_the_shift_jis_lead_range_hides_nothing(self):
        self.settings("default=REC [%O1][%O2][%D]")
        self.assertEqual(self.start('あ "x あ" "C:\\あ\\あ.txt"'),
                         [self.rec() + " [あ][x あ][C:\\あ]"])


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
        folder, moved = self.moved_into("表")
        self.settings("default=REC %P", directory=folder)
        self.assertEqual(self.start("t", velmora=moved), [self.rec() + " t"])

    def test_directory_of_a_target_named_with_a_double_byte_character(self):
        self.settings("default=REC %D")
        self.assertEqual(self.start(r"C:\docs\表.txt"), [self.rec() + r" C:\docs"])
        self.assertEqual(self.start(r"C:\表\a.txt")[-1], self.rec() + r" C:\表")

    def test_a_fullwidth_quotation_mark_is_a_character_of_its_own_here(self):
        # Code page 932 has "＂" (81 68): the name arrives exactly, and so it opens.
        self.settings('default=REC "%P"')
        self.assertEqual(self.start('"C:\\docs\\a＂b.txt"', utf8=True),
                         [self.rec() + ' "C:\\docs\\a＂b.txt"'])

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
    parser.add_argument("--velmora-utf8", required=True)
    parser.add_argument("--check-utf8", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)
