#!/usr/bin/env python3
"""End-to-end checks of the native velmora: real settings files, a recorder program as the
launched command, and the real process start."""
import os
import shutil
import subprocess
import unittest

import e2e_support
import settings_mistakes
from e2e_support import NativeCase, report_values, write


class Native(NativeCase):
    def test_no_argument_reads_and_starts_nothing(self):
        self.settings("default=REC x")
        self.run_velmora()
        self.nothing_started()

    def test_default_template_with_target(self):
        self.settings("default=REC open %P")
        self.run_velmora("/tmp/a.txt")
        self.assertEqual(self.recorded(), [[b"open", b"/tmp/a.txt"]])

    def test_middle_arguments_and_directory(self):
        self.settings("default=REC %O2 %O1 %d %O3")
        self.run_velmora("-x", "-y", "/home/u/docs/f.txt")
        self.assertEqual(self.recorded(), [[b"-y", b"-x", b"/home/u/docs", b"%O3"]])

    def test_settings_option_names_another_file(self):
        other = self.settings("default=REC other %O1 %P", name="other.ini")
        self.settings("default=REC wrong")
        self.run_velmora("/ini=" + other, "-x", "/t")
        self.assertEqual(self.recorded(), [[b"other", b"-x", b"/t"]])

    def test_option_in_capitals_is_an_ordinary_argument(self):
        self.settings("default=REC %O1 %P")
        self.run_velmora("/INI=/nowhere.ini", "/t")
        self.assertEqual(self.recorded(), [[b"/INI=/nowhere.ini", b"/t"]])

    def test_hostile_target_arrives_as_plain_text(self):
        self.settings('default=REC "%P"')
        canary = os.path.join(self.dir, "pwned")
        target = f"/tmp/a b; touch {canary}; $(touch {canary})`touch {canary}`.txt"
        self.run_velmora(target)
        self.assertEqual(self.recorded(), [[target.encode()]])
        self.assertFalse(os.path.exists(canary))

    def test_reader_rules(self):
        body = ("; comment\r\n  DEFAULT  =  'REC  spaced  %P'  \r\nshift=REC no\r\n"
                "default=REC second")
        self.settings(body)
        self.run_velmora("t")
        self.assertEqual(self.recorded(), [[b"spaced", b"t"]])

    def test_settings_file_is_left_untouched(self):
        path = self.settings("default=REC %P")
        os.utime(path, (1_000_000_000, 1_000_000_000))
        before = open(path, "rb").read()
        self.run_velmora("t")
        self.assertEqual(self.recorded(), [[b"t"]])
        self.assertEqual(open(path, "rb").read(), before)
        self.assertEqual(os.stat(path).st_mtime, 1_000_000_000)

    def test_missing_settings_start_nothing(self):
        self.run_velmora("t")
        self.nothing_started()

    def test_empty_template_starts_nothing(self):
        self.settings("default=\r\nshift=REC %P")
        self.run_velmora("t")
        self.nothing_started()

    def test_missing_program_is_silent(self):
        self.settings("default=/nonexistent/program %P")
        self.run_velmora("t")

    def test_utf8_locale_passes_multibyte_names_intact(self):
        self.settings("default=REC %O1 %D")
        target = "/tmp/表\\x/報告.txt"
        self.run_velmora("-表", target, env={"LC_ALL": "C.UTF-8"})
        self.assertEqual(self.recorded(), [["-表".encode(), "/tmp/表\\x".encode()]])

    @unittest.skipIf(os.environ.get("VELMORA_SANITIZED"), "sanitizers reserve more address space")
    def test_a_command_too_long_to_start_is_never_built(self):
        # One "%O1" pass over 650 placeholders with a 120 kB argument would need about 80 MB:
        # velmora stops at the longest command that can start, well inside 48 MB.
        self.settings("default=REC " + "%O1" * 650)
        limit = f"--as={48 * 1024 * 1024}"
        small = subprocess.run(["prlimit", limit, self.velmora, "x", "t"], capture_output=True,
                               env=self.environment(), timeout=30)
        self.assertEqual(small.returncode, 0)
        self.assertEqual(self.recorded(), [[b"x" * 650]])
        os.remove(self.record)

        done = subprocess.run(["prlimit", limit, self.velmora, "x" * 120_000, "t"],
                              capture_output=True, env=self.environment(), timeout=30)
        self.assertEqual((done.returncode, done.stdout, done.stderr), (0, b"", b""))
        self.nothing_started()

    def test_check_reports_what_velmora_starts(self):
        self.settings('default=REC "%P" %O1 %O2 x%o1\r\nalt=REC alt')
        cases = [["-a", "/tmp/a b.txt"], ["/tmp/t"], ["-a", "-b", "-c", "/tmp/%O1.txt"],
                 ["/ini=" + os.path.join(self.dir, "velmora.ini"), "-x", "t"]]
        for args in cases:
            done = self.check(*args)
            self.assertEqual(done.returncode, 0, done.stdout)
            command = report_values(done.stdout, b"launch command")
            split = report_values(done.stdout, b"program:") + report_values(done.stdout, b"argument ")
            if os.path.exists(self.record):
                os.remove(self.record)
            self.run_velmora(*args)
            started = self.recorded()
            self.assertEqual(len(started), 1)
            self.assertEqual(split, [self.rec.encode(), *started[0]], args)
            self.assertEqual(command[0].split(b" ")[0], self.rec.encode())
        # --hold stands in for the keyboard; the real velmora sees no key here.
        self.assertIn(b'launch command (' + str(len(self.rec) + 4).encode() + b' bytes)',
                      self.check("--hold=alt", "t").stdout)

    def test_check_exit_status(self):
        self.settings("default=REC %P\r\nshift=\r\nctrl=/no/such/program %P")
        self.assertEqual(self.check("t").returncode, 0)
        self.assertEqual(self.check("--hold=shift", "t").returncode, 1)
        self.assertEqual(self.check("--hold=ctrl", "t").returncode, 1)
        self.assertEqual(self.check().returncode, 1)
        self.assertEqual(self.check("--hold=meta", "t").returncode, 2)
        self.assertEqual(self.check("--help").returncode, 0)
        self.nothing_started()

    def test_check_names_the_usual_mistakes_in_settings_files(self):
        for name, body, warning in settings_mistakes.MISTAKES:
            with self.subTest(mistake=name):
                write(os.path.join(self.dir, "velmora.ini"),
                      body.replace(b"REC", self.rec.encode()) if b"\0" not in body else body)
                report = self.check("t").stdout
                expected = warning.replace(b"REC", self.rec.encode())
                warnings = [line for line in report.split(b"\n") if line.startswith(b"warning: ")]
                self.assertTrue(any(expected in line for line in warnings), report)

    def test_check_behaves_as_a_command_line_tool(self):
        self.settings("default=REC %P\r\nshift=REC shift %P")
        cases = [
            (["--version"], 0,
             rb"^velmora-check \d+\.\d+\.\d+\nMIT licence, copyright 2026 the velmora authors "
             rb"\(LICENSE\)\n$"),
            (["-h"], 0, rb"^usage: velmora-check "),
            (["help"], 0, rb"^usage: velmora-check "),
            (["--hold=Shift", "t"], 0, rb"held: shift\n"),
            (["t", "--hold=shift"], 2, rb"^velmora-check: --hold=shift comes after \"t\": options go "
                                       rb"before the file .*\(try velmora-check --help\)\n$"),
            (["--frob", "t"], 2, rb"^velmora-check: unknown option: --frob \(try velmora-check "
                                 rb"--help\)\n$"),
            (["--", "t", "--help"], 0, rb"argument 1: \"--help\""),
        ]
        for args, status, output in cases:
            with self.subTest(args=args):
                done = self.check(*args)
                self.assertEqual(done.returncode, status, done.stdout)
                self.assertRegex(done.stdout, output)
        # velmora itself keeps its rules: every argument counts, "--help" is a target.
        self.run_velmora("--help")
        self.assertEqual(self.recorded(), [[b"--help"]])

    def test_settings_in_the_users_folder_when_none_lie_next_to_the_program(self):
        config = os.path.join(self.dir, "config", "velmora")
        os.makedirs(config)
        self.settings("default=REC from-the-folder %P", directory=config)
        self.run_velmora("t")
        self.assertEqual(self.recorded(), [[b"from-the-folder", b"t"]])
        report = self.check("t").stdout
        self.assertIn(b'looked for settings at "' + os.path.join(self.dir, "velmora.ini").encode()
                      + b'": not there', report)
        self.assertIn(b"(the settings folder's, as none lies next to the program)", report)
        # ~/.config when XDG_CONFIG_HOME is not absolute.
        os.remove(self.record)
        home = os.path.join(self.dir, "home")
        os.makedirs(os.path.join(home, ".config", "velmora"))
        self.settings("default=REC from-home %P", directory=os.path.join(home, ".config", "velmora"))
        self.run_velmora("t", env={"XDG_CONFIG_HOME": "relative", "HOME": home})
        self.assertEqual(self.recorded(), [[b"from-home", b"t"]])
        # One next to the program wins, so that installs made before keep working.
        os.remove(self.record)
        self.settings("default=REC next-to-it %P")
        self.run_velmora("t")
        self.assertEqual(self.recorded(), [[b"next-to-it", b"t"]])

    def test_the_readmes_first_step_on_linux(self):
        # mkdir -p ~/.config/velmora && cp -n .../share/velmora/velmora-linux.ini
        #   ~/.config/velmora/velmora.ini
        config = os.path.join(self.dir, "config", "velmora")
        os.makedirs(config)
        shutil.copy(os.path.join(e2e_support.ARGS.examples, "velmora-linux.ini"),
                    os.path.join(config, "velmora.ini"))
        done = subprocess.run([self.velmora, "README.md"], capture_output=True,
                              env=self.environment({"DISPLAY": ""}), timeout=30)
        self.assertEqual(done.returncode, 0)
        self.assertEqual(done.stdout, b"velmora started the default template for README.md\n")

    def test_shipped_example_settings(self):
        # What the README's run command shows. The pipe stays open until the detached echo has
        # written too, so its line is in the output.
        example = os.path.join(e2e_support.ARGS.examples, "velmora-linux.ini")
        done = subprocess.run([self.velmora, "/ini=" + example, "README.md"], capture_output=True,
                              env=dict(os.environ, DISPLAY=""), timeout=30)
        self.assertEqual(done.returncode, 0)
        self.assertEqual(done.stdout, b"velmora started the default template for README.md\n")


if __name__ == "__main__":
    e2e_support.main("--examples")
