#!/usr/bin/env python3
"""The native velmora against what an attacker controls: file and folder names, arguments,
settings files, and the process state it is started in. velmora must never run a command the
user did not configure, never hand a program another file, never hang and never abort."""
import os
import signal
import subprocess
import unittest

import e2e_support
from e2e_support import NativeCase, read, write

FAILURE_TEXT = (r"^アプリケーション エラー\nEOutOfMemoryがモジュール velmora の "
                r"[0-9A-F]{16} で発生しました。\nメモリが足りません\.\n$")


# Double-byte locales and their lead bytes, where this machine has them.
DOUBLE_BYTE_LOCALES = [("zh_CN.gbk", range(0x81, 0xff)), ("zh_TW.big5", range(0x81, 0xff)),
                       ("ko_KR.euckr", range(0xa1, 0xff)),
                       ("ja_JP.sjis", [*range(0x81, 0xa0), *range(0xe0, 0xfd)])]


def split_alone(line):
    """The Linux launch split: blanks (0x01 to 0x20) part words outside quotation marks, which
    group and go; no byte is ever the second byte of a character."""
    words, word, started, quoted = [], b"", False, False
    for byte in line:
        if byte == 0x22:
            quoted, started = not quoted, True
        elif byte <= 0x20 and not quoted:
            if started:
                words.append(word)
            word, started = b"", False
        else:
            word, started = word + bytes([byte]), True
    if started:
        words.append(word)
    return words


def have_locale(name):
    listed = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.split()
    return name in listed


class Hostile(NativeCase):
    def test_a_folder_named_ini_does_not_choose_the_settings(self):
        # Any text file can carry a [Path] section; the reader skips whatever comes before it.
        folder = os.path.join(self.dir, "pkg", "ini=")
        os.makedirs(folder)
        write(os.path.join(self.dir, "pkg", "README.txt"),
              f"Read me.\n[Path]\ndefault={self.rec} pwned %P\n".encode())
        self.settings("default=REC own %P")
        target = os.path.join(folder, "README.txt")
        self.run_velmora(target)
        self.assertEqual(self.recorded(), [[b"own", target.encode()]])
        self.assertIn(b"only argument", self.check(target).stdout)

    def test_the_option_counts_only_at_the_start_of_argument_one(self):
        other = self.settings("default=REC other %O1 %P", name="other.ini")
        self.settings("default=REC own %O1 %P")
        inside = os.path.join(self.dir, "x", "ini=", "..", "..", "other.ini")
        self.run_velmora(inside, "t")
        self.assertEqual(self.recorded(), [[b"own", inside.encode(), b"t"]])
        os.remove(self.record)
        # At the start it names the file, and only that leading option is taken off.
        self.run_velmora("/ini=" + other, "t")
        self.assertEqual(self.recorded(), [[b"other", b"%O1", b"t"]])

    def test_a_deep_install_reads_its_own_settings(self):
        # Cut at 261 bytes, the program's path would name one of these folders instead.
        folder = self.dir
        while len(folder) < 400:
            self.settings("default=REC wrong %P", directory=folder)
            folder = os.path.join(folder, "d" * 40)
            os.mkdir(folder)
        deep = os.path.join(folder, "velmora")
        os.rename(self.velmora, deep)
        self.settings("default=REC own %P", directory=folder)
        self.run_velmora("t", velmora=deep)
        self.assertEqual(self.recorded(), [[b"own", b"t"]])

    @unittest.skipIf(os.environ.get("VELMORA_SANITIZED"), "the sanitizers' runtime needs /proc")
    def test_without_its_own_path_velmora_reads_no_settings(self):
        # Without /proc the program's path cannot be had; velmora.ini in the current folder is
        # not velmora's.
        elsewhere = os.path.join(self.dir, "cwd")
        os.mkdir(elsewhere)
        self.settings("default=REC from-the-current-folder %P", directory=elsewhere)
        self.settings("default=REC own %P")
        probe = subprocess.run(["unshare", "-m", "true"], capture_output=True)
        if probe.returncode != 0:
            self.skipTest("no mount namespace here: " + probe.stderr.decode().strip())
        done = subprocess.run(["unshare", "-m", "sh", "-c",
                               'mount -t tmpfs none /proc && exec "$0" t', self.velmora],
                              capture_output=True, cwd=elsewhere, env=self.environment(),
                              timeout=30)
        self.assertEqual((done.returncode, done.stdout, done.stderr), (0, b"", b""))
        self.nothing_started()

    def test_arguments_the_command_line_cannot_carry_start_nothing(self):
        self.settings("default=REC %O1 %P")
        cases = [
            # '/x/sub/."."/f.txt' would arrive as '/x/sub/../f.txt', outside its folder.
            ([os.path.join(self.dir, 'sub/."."/f.txt')], 1),
            (["-n", 'a"b.txt'], 2),
            # A last argument '"' would vanish, and "/tmp/a.txt" become the target.
            (["/tmp/a.txt", '"'], 2),
        ]
        for args, index in cases:
            with self.subTest(args=args):
                done = subprocess.run([self.velmora, *args], capture_output=True,
                                      env=self.environment(), timeout=30)
                self.assertEqual(done.returncode, 1)
                self.assertEqual(done.stdout, b"")
                lines = done.stderr.split(b"\n")
                self.assertEqual(len(lines), 2, done.stderr)
                self.assertEqual(lines[1], b"")
                self.assertIn(f'argument {index} "{args[index - 1]}"'.encode(), lines[0])
                check = self.check("--hold=none", *args)
                self.assertEqual(check.returncode, 1)
                self.assertIn(f"argument {index} ".encode(), check.stdout)
        self.nothing_started()
        # Empty arguments may go: the Windows splitter skips "" too.
        self.run_velmora("", "-n", "", "/tmp/t")
        self.assertEqual(self.recorded(), [[b"-n", b"/tmp/t"]])

    def test_arguments_that_double_the_command_end_at_once(self):
        self.settings("default=REC %O1")
        args = [f"%O{n}%O{n}" for n in range(2, 32)] + ["t"]
        self.run_velmora(*args)
        self.nothing_started()
        self.assertIn(b"longer than process creation takes", self.check(*args).stdout)

    def test_settings_that_are_no_regular_file_or_too_large_are_not_read(self):
        fifo = os.path.join(self.dir, "fifo.ini")
        os.mkfifo(fifo)
        large = os.path.join(self.dir, "large.ini")
        write(large, f"[Path]\ndefault={self.rec} large %P\n".encode() + b";" * (2 << 20))
        for settings, why in ((fifo, b"not a regular file"), ("/dev/zero", b"not a regular file"),
                              (large, b"larger than 1 MiB")):
            with self.subTest(settings=settings):
                self.run_velmora("/ini=" + settings, "t")
                report = self.check("/ini=" + settings, "t").stdout
                self.assertIn(why, report)
        self.nothing_started()

    @unittest.skipIf(os.environ.get("VELMORA_SANITIZED"), "the sanitizers bring their own malloc")
    def test_running_out_of_memory_is_reported_wherever_it_happens(self):
        self.settings("default=REC %O1%O1")
        shim = {"LD_PRELOAD": e2e_support.ARGS.failing_malloc,
                "VELMORA_FAIL_ALLOCATIONS_FROM": "150000"}
        cases = {
            # Two arguments of 100 kB: the command line rebuilt from them does not fit.
            "building the command line": ["a" * 100_000, "b" * 100_000, "t"],
            # 80 kB twice over in the launch command.
            "filling a placeholder": ["a" * 80_000, "t"],
        }
        for label, args in cases.items():
            with self.subTest(label):
                done = subprocess.run([self.velmora, *args], capture_output=True,
                                      env=self.environment(shim), timeout=30)
                self.assertEqual(done.returncode, 1)
                self.assertEqual(done.stdout, b"")
                self.assertRegex(done.stderr.decode(), FAILURE_TEXT)
                # With nobody left to read stderr, still status 1, not SIGPIPE.
                read_end, write_end = os.pipe()
                os.close(read_end)
                done = subprocess.run([self.velmora, *args], stderr=write_end,
                                      stdout=subprocess.DEVNULL, env=self.environment(shim),
                                      timeout=30)
                os.close(write_end)
                self.assertEqual(done.returncode, 1)
        self.nothing_started()

    def test_a_broken_stderr_does_not_kill_the_report(self):
        read_end, write_end = os.pipe()
        os.close(read_end)
        done = subprocess.run([self.velmora, 'a"b', "t"], stderr=write_end, timeout=30)
        os.close(write_end)
        self.assertEqual(done.returncode, 1)

    def state_of_started_program(self, preexec, pass_fds=()):
        state = os.path.join(self.dir, "state")
        self.settings("default=REC %P")
        subprocess.run([self.velmora, "t"], env=self.environment({"VELMORA_RECORD_STATE": state}),
                       preexec_fn=preexec, pass_fds=pass_fds, cwd=self.dir, timeout=30)
        self.assertEqual(self.recorded(), [[b"t"]])
        return read(state).decode().splitlines()

    def test_the_started_program_gets_no_odd_signal_state(self):
        def odd_signals():
            signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGUSR1, signal.SIGTERM})
            signal.signal(signal.SIGHUP, signal.SIG_IGN)
            signal.signal(signal.SIGINT, signal.SIG_IGN)

        state = dict(line.split(":\t") for line in self.state_of_started_program(odd_signals)
                     if line.startswith("Sig"))
        self.assertEqual(int(state["SigBlk"], 16), 0)
        # Signals 1 to 31. glibc's posix_spawn itself leaves its two internal real-time
        # signals ignored in every child; no caller chose that.
        self.assertEqual(int(state["SigIgn"], 16) & 0x7FFFFFFF, 0, state)

    def test_the_started_program_gets_standard_streams_and_nothing_else(self):
        def close_standard_streams():
            for fd in (0, 1, 2):
                os.close(fd)

        state = self.state_of_started_program(close_standard_streams)
        self.assertEqual(sorted(line for line in state if line.startswith("fd ")),
                         ["fd 0: /dev/null", "fd 1: /dev/null", "fd 2: /dev/null"])
        # A descriptor the caller left open is not handed on, as Windows hands on no handles.
        with open(os.path.join(self.dir, "secret"), "w") as secret:
            os.remove(self.record)
            state = self.state_of_started_program(None, pass_fds=[secret.fileno()])
        self.assertEqual(len([line for line in state if line.startswith("fd ")]), 3, state)

    @unittest.skipUnless(have_locale("de_DE"), "the de_DE (ISO-8859-1) locale is not generated")
    def test_unicode_settings_arrive_in_the_locales_character_set(self):
        text = "[Path]\r\ndefault=" + self.rec + " caf\u00e9 %P\r\n"
        write(os.path.join(self.dir, "velmora.ini"), b"\xff\xfe" + text.encode("utf-16-le"))
        self.run_velmora("t", env={"LC_ALL": "de_DE"})
        self.assertEqual(self.recorded(), [[b"caf\xe9", b"t"]])
        os.remove(self.record)
        self.run_velmora("t", env={"LC_ALL": "C.UTF-8"})
        self.assertEqual(self.recorded(), [["café".encode(), b"t"]])

    def test_a_folder_name_in_another_encoding_keeps_its_slash(self):
        # 中 is E4 B8 AD in UTF-8, and these locales read AD and the '/' after it as one
        # character: cut by characters, velmora would take the parent folder's velmora.ini.
        locales = [name for name in ("zh_CN.GBK", "zh_TW.BIG5", "ko_KR.EUC-KR")
                   if have_locale(name.split(".")[0] + "." + name.split(".")[1].lower().replace("-", ""))]
        if not locales:
            self.skipTest("no double-byte locale is generated (scripts/install-deps.sh makes zh_CN.GBK)")
        download = os.path.join(self.dir, "dl")
        folder = os.path.join(download, "velmora-中")
        os.makedirs(folder)
        moved = os.path.join(folder, "velmora")
        os.rename(self.velmora, moved)
        self.settings("default=REC planted %P", directory=download)
        self.settings("default=REC own %D", directory=folder)
        target = os.path.join(self.dir, "docs", "中", "report.pdf")
        for name in locales:
            with self.subTest(locale=name):
                if os.path.exists(self.record):
                    os.remove(self.record)
                self.run_velmora(target, velmora=moved, env={"LC_ALL": name})
                self.assertEqual(self.recorded(),
                                 [[b"own", os.path.dirname(target).encode()]])

    def test_a_folder_name_never_adds_an_argument_in_a_double_byte_locale(self):
        # A folder whose name ends in a byte the locale takes as a lead byte (表 is E8 A1 A8 in
        # UTF-8, and A8 leads in GBK) must not take the closing quotation mark with it: the
        # program gets exactly the template's arguments, each the substituted text.
        locales = [(name, leads) for name, leads in DOUBLE_BYTE_LOCALES if have_locale(name)]
        if not locales:
            self.skipTest("no double-byte locale is generated (scripts/install-deps.sh makes three)")
        self.settings('default=REC "%D" "%O1" "%D"')
        for name, leads in locales:
            for lead in leads:
                folder = os.path.join(self.dir.encode(), b"dl", b"x --evil " + bytes([lead]))
                target = os.path.join(folder, b"f.txt")
                with self.subTest(locale=name, lead=hex(lead)):
                    if os.path.exists(self.record):
                        os.remove(self.record)
                    self.run_velmora("-o 1", target, env={"LC_ALL": name})
                    self.assertEqual(self.recorded(), [[folder, b"-o 1", folder]])
            report = self.check("-o 1", target, env={"LC_ALL": name}).stdout
            self.assertEqual(e2e_support.report_values(report, b"argument"),
                             [folder, b"-o 1", folder], report)

    def test_a_lead_byte_never_takes_a_byte_the_launch_split_reads_alone(self):
        # A Linux name may hold a lead byte before '"' or a blank, which no double-byte
        # character set has as a second byte. The launch split reads them alone; so must the
        # check of the arguments, or `a\x81"` put into "%O1" closes the template's quotes and
        # merges two arguments.
        locales = [(name, leads) for name, leads in DOUBLE_BYTE_LOCALES if have_locale(name)]
        if not locales:
            self.skipTest("no double-byte locale is generated (scripts/install-deps.sh makes three)")
        blanks = bytes(range(0x01, 0x21))
        for name, leads in locales:
            env = {"LC_ALL": name}
            pairs = b"".join(b"a" + bytes([lead, blank]) for lead in leads for blank in blanks)
            folder = os.path.join(self.dir.encode(), b"d" + pairs + b"z")
            target = os.path.join(folder, b"f" + pairs + b"z")
            for template in ('REC "%O1" %O1 "%P" [%P]', 'REC "%D" [%D]'):
                with self.subTest(locale=name, template=template):
                    self.settings("default=" + template)
                    filled = template.replace("REC ", "").encode().replace(
                        b"%O1", pairs).replace(b"%P", target).replace(b"%D", folder)
                    self.run_velmora(pairs, target, env=env)
                    # Read whole: the record's line end is among the blanks.
                    e2e_support.wait_for_started_programs(self.record)
                    self.assertEqual(read(self.record),
                                     b"".join(word + b"\0" for word in split_alone(filled)) + b"\n")
                    os.remove(self.record)
            for lead in leads:
                for args in ((b"a" + bytes([lead]) + b'" x', b"t"),
                             (b"-n", os.path.join(folder, bytes([lead]) + b'"'))):
                    with self.subTest(locale=name, args=args):
                        done = subprocess.run([self.velmora, *args], capture_output=True,
                                              env=self.environment(env), timeout=30)
                        self.assertEqual(done.returncode, 1)
                        self.assertIn(b"holds a quotation mark", done.stderr)
        self.nothing_started()

    def test_chained_placeholders_take_linear_time(self):
        # Each argument brings in the next pass's placeholder: 120,000 passes that each find
        # one, in a command that a 120,000-byte target makes long. Each pass reading the whole
        # command took 38 s; the time-out is a hang guard, not a measurement.
        self.settings('default=REC %O1 "%P"')
        target = os.path.join(self.dir, "a" * 200, "b" * 200, "%O0x" * 29_800)
        args = [f"%O{k + 1}" for k in range(1, 120_000)] + ["end", target]
        done = subprocess.run([self.velmora, *args], capture_output=True,
                              env=self.environment(), timeout=60)
        self.assertEqual((done.returncode, done.stderr), (0, b""))
        self.assertEqual(self.recorded(), [[b"end", target.encode()]])

    def test_a_template_that_starts_velmora_again_stops(self):
        # As xdg-open would while velmora is the type's default: each round logs the depth
        # velmora handed on, then starts velmora again. The eighth start by velmora refuses.
        log, err = self.velmora + ".log", self.velmora + ".err"
        self.settings('default=/bin/sh -c "echo $VELMORA_DEPTH >> $0.log; exec $0 $1 2>> $0.err" '
                      f'{self.velmora} "%P"')
        self.run_velmora("t")
        e2e_support.wait_for_started_programs(log)
        self.assertEqual(read(log).split(), [str(depth).encode() for depth in range(1, 9)])
        self.assertEqual(read(err), b"velmora: started by velmora 8 times in a row (a template "
                         b"starts velmora again, itself or through the desktop's opener while "
                         b"velmora is the default program); nothing was started\n")
        self.settings(f'default={self.velmora} "%P"')
        self.assertIn(b"starts velmora itself", self.check("t").stdout)

    def test_multiplied_and_chained_placeholders_stop(self):
        # 16,000 "%O2" in argument 1, then "%O3", "%O4", ...: each pass replaces every copy,
        # about two billion replacements within the length limit. velmora stops, starts
        # nothing and says why in velmora-check; the time-out is a hang guard.
        self.settings("default=REC %O1")
        args = ["%O2" * 16_000] + [f"%O{k + 1}" for k in range(2, 120_000)] + ["end", "t"]
        done = subprocess.run([self.velmora, *args], capture_output=True,
                              env=self.environment(), timeout=60)
        self.assertEqual((done.returncode, done.stdout, done.stderr), (0, b"", b""))
        self.nothing_started()
        report = self.check(*args).stdout
        self.assertIn(b"without measure", report)
        self.assertIn(b"result: nothing would start", report)

    @unittest.skipUnless(have_locale("de_DE"), "the de_DE (ISO-8859-1) locale is not generated")
    def test_c1_and_bidirectional_controls_are_shown_escaped(self):
        # 9B is CSI, 9D OSC and 9C ST to a terminal in an 8-bit locale.
        name = os.path.join(self.dir.encode(), b"a\x9b31m\x9d0;x\x9cb.ini")
        write(name, f"[Path]\ndefault={self.rec} %P\n".encode())
        done = self.check(b"/ini=" + name, "t", env={"LC_ALL": "de_DE"})
        self.assertEqual(done.returncode, 0, done.stdout)
        self.assertIn(b"a\\x9B31m\\x9D0;x\\x9Cb.ini", done.stdout)
        for byte in (b"\x9b", b"\x9c", b"\x9d"):
            self.assertNotIn(byte, done.stdout)
        done = subprocess.run([self.velmora, b'a"\x9b2J'], capture_output=True,
                              env=self.environment({"LC_ALL": "de_DE"}), timeout=30)
        self.assertEqual(done.returncode, 1)
        self.assertIn(b"\\x9B2J", done.stderr)
        self.assertNotIn(b"\x9b", done.stderr)
        # In UTF-8, a right-to-left override would show "exe.txt" as "txt.exe".
        self.settings("default=REC %P")
        done = self.check("report\u202etxt.exe", env={"LC_ALL": "C.UTF-8"})
        self.assertIn(b"report\\xE2\\x80\\xAEtxt.exe", done.stdout)
        self.assertNotIn("\u202e".encode(), done.stdout)

    def test_check_prints_no_control_bytes(self):
        name = os.path.join(self.dir, "a\x1b]0;owned\x07b.ini")
        write(name, f"[Path]\ndefault={self.rec} %P \x1b[2J\n".encode())
        done = self.check("/ini=" + name, "\x1b[31mt")
        self.assertEqual(done.returncode, 0, done.stdout)
        self.assertNotIn(b"\x1b", done.stdout)
        self.assertNotIn(b"\x07", done.stdout)
        self.assertIn(b"\\x1B]0;owned\\x07", done.stdout)
        # "--" ends the options, so a target that begins with "--" can be checked.
        self.settings("default=REC %P")
        done = self.check("--", "--odd.txt")
        self.assertEqual(done.returncode, 0, done.stdout)
        self.assertIn(b'argument 1: "--odd.txt"', done.stdout)


if __name__ == "__main__":
    e2e_support.main("--failing-malloc")
