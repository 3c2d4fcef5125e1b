#!/usr/bin/env python3
"""velmora-setup.exe under Wine, end to end, from folders whose names hold a space, '%' and a
letter outside the ANSI code page, in code pages 1252 and 932: the keys under HKCU (read back
with `reg export`, which keeps every character), a real open through ShellExecuteEx (`wine
start`), the Send To shortcut's bytes, status and repair after the folder moved, and remove
giving back the user's registry as it was, with someone else's values under the same keys."""
import argparse
import os
import re
import shutil
import subprocess
import sys
import time
import unittest

ARGS = None
# ł is in neither code page, and Windows' best fit would make it 'l'.
LETTER = "\u0142"


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Setup(unittest.TestCase):
    locale = "C.UTF-8"

    def setUp(self):
        self.dir = os.path.join(ARGS.build, "e2e-setup", type(self).__name__)
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        self.env = dict(os.environ, LC_ALL=self.locale)
        self.prefix = os.path.join(ARGS.build, "wineprefix")
        # What an earlier run that failed halfway left in the prefix goes first.
        self.setup_exe(self.folder("cleanup", ["velmora-utf8.exe"]), "remove")
        # A key an earlier run left that no record names would be in every "before" and hide a
        # run that leaves it again.
        self.wine("reg", "delete", "HKCU\\Software\\velmora", "/f", status=None)
        for key in ("HKCU\\Software\\Classes\\.vtest", "HKCU\\Software\\Classes\\.vtest2",
                    "HKCU\\Software\\Classes\\*\\shell\\other"):
            self.addCleanup(self.wine, "reg", "delete", key, "/f", status=None)

    def folder(self, name, programs):
        folder = os.path.join(self.dir, name)
        os.makedirs(folder)
        for program in ["velmora-setup.exe", *programs]:
            source = {"velmora-setup.exe": ARGS.setup, "velmora.exe": ARGS.velmora,
                      "velmora-utf8.exe": ARGS.velmora_utf8}[program]
            shutil.copy2(source, os.path.join(folder, program))
        # status counts a registration whose settings file is missing as not working.
        with open(os.path.join(folder, "velmora.ini"), "wb") as f:
            f.write(b"[Path]\r\n")
        return folder

    def wine(self, *args, cwd=None, status=0):
        done = subprocess.run([os.path.join(ARGS.build, "wine-run.sh"), *args], cwd=cwd,
                              env=self.env, capture_output=True, timeout=120)
        if status is not None:
            self.assertEqual(done.returncode, status, done.stdout + done.stderr)
        return done

    def setup_exe(self, folder, *args, status=0):
        """velmora-setup started from its folder; its output, written to a pipe, is UTF-8."""
        done = self.wine(os.path.join(folder, "velmora-setup.exe"), *args, cwd=folder,
                         status=None)
        out = done.stdout.decode("utf-8")
        if status is not None:
            self.assertEqual(done.returncode, status, out)
        return out

    def export(self, key="HKCU\\Software"):
        """The key as `reg export` writes it (UTF-16), without the header; "" when absent."""
        path = os.path.join(self.dir, "export.reg")
        if os.path.exists(path):
            os.remove(path)
        done = self.wine("reg", "export", key, windows_path(path), "/y", status=None)
        if done.returncode != 0:
            return ""
        with open(path, "rb") as f:
            return f.read().decode("utf-16")

    def value(self, key, name="@"):
        """One value of a key from its export, unescaped."""
        text = self.export(key)
        section = text.split("[" + key.replace("HKCU", "HKEY_CURRENT_USER") + "]")
        if len(section) < 2:
            return None
        lines = section[1].split("\r\n\r\n")[0]
        wanted = "@" if name == "@" else '"' + name + '"'
        for line in lines.split("\r\n"):
            if line.startswith(wanted + "="):
                raw = line[len(wanted) + 1:]
                if raw.startswith('"'):
                    return re.sub(r'\\(.)', r'\1', raw[1:-1])
                return raw
        return None

    def started_by_shell(self, folder, target):
        """`wine start TARGET` with velmora's settings in `folder` naming the recorder: the
        command line the recorder was started with, and the recorder's path."""
        started, recorder = self.started_or_nothing(folder, target, patience=60)
        self.assertIsNotNone(started, target)
        return started, recorder

    def open_with_shell(self, progid, extension, folder):
        """Opens a file of the type as Explorer does. Wine's HKEY_CLASSES_ROOT is HKLM alone, so
        the program id velmora-setup wrote under HKCU is copied there first."""
        key = "HKCU\\Software\\Classes\\" + progid
        text = self.export(key)
        self.assertIn("shell\\open\\command]", text)
        copy = text.replace("HKEY_CURRENT_USER\\Software\\Classes\\",
                            "HKEY_LOCAL_MACHINE\\Software\\Classes\\")
        copy += f'\r\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\{extension}]\r\n@="{progid}"\r\n'
        path = os.path.join(self.dir, "copy.reg")
        with open(path, "wb") as f:
            f.write(copy.encode("utf-16"))
        self.wine("reg", "import", windows_path(path))
        documents = os.path.join(self.prefix, "drive_c", "My Docs")
        os.makedirs(documents, exist_ok=True)
        open(os.path.join(documents, "a b" + extension), "w").close()
        try:
            return self.started_by_shell(folder, "C:\\My Docs\\a b" + extension)[0]
        finally:
            for removed in (progid, extension):
                self.wine("reg", "delete", "HKLM\\Software\\Classes\\" + removed, "/f",
                          status=None)

    def open_link_with_shell(self, folder, link, started=None):
        """Opens a link as the shell does once the user chose velmora as the browser: Wine's
        HKEY_CLASSES_ROOT is HKLM alone, and Wine reads the protocol's own command, so the
        command velmora-setup wrote for its link program id stands in for that choice there;
        Wine's own comes back after."""
        command = self.value("HKCU\\Software\\Classes\\velmora.url\\shell\\open\\command")
        self.assertIsNotNone(command)
        saved = os.path.join(self.dir, "https.reg")
        self.wine("reg", "export", "HKLM\\Software\\Classes\\https", windows_path(saved), "/y")
        escaped = command.replace("\\", "\\\\").replace('"', '\\"')
        choice = os.path.join(self.dir, "choice.reg")
        with open(choice, "wb") as f:
            f.write(("Windows Registry Editor Version 5.00\r\n\r\n"
                     "[HKEY_LOCAL_MACHINE\\Software\\Classes\\https\\shell\\open\\command]\r\n"
                     f'@="{escaped}"\r\n').encode("utf-16"))
        self.wine("reg", "import", windows_path(choice))
        try:
            return (started or self.started_by_shell)(folder, link)
        finally:
            self.wine("reg", "delete", "HKLM\\Software\\Classes\\https", "/f", status=None)
            self.wine("reg", "import", windows_path(saved))

    def test_links_offer_velmora_as_a_browser_and_remove_gives_everything_back(self):
        folder = self.folder("links", ["velmora.exe"])
        before = self.export()
        choices = "HKCU\\Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations"
        chosen = self.export(choices)
        out = self.setup_exe(folder, "links")
        self.assertIn("Settings > Apps > Default apps > velmora", out)
        self.assertEqual(self.value("HKCU\\Software\\velmora\\Capabilities\\URLAssociations",
                                    "https"), "velmora.url")
        self.assertEqual(self.value("HKCU\\Software\\RegisteredApplications", "velmora"),
                         "Software\\velmora\\Capabilities")
        self.assertEqual(self.value("HKCU\\Software\\Clients\\StartMenuInternet\\velmora"),
                         "velmora")
        # Only the user chooses the default browser: the choices stand as they were.
        self.assertTrue(self.export(choices) == chosen, "velmora-setup changed UserChoice")
        link = "https://example.com/a?q=1&r=%41^x|y'z"
        started, recorder = self.open_link_with_shell(folder, link)
        self.assertEqual(started, f'{recorder} "{link}"')
        self.setup_exe(folder, "remove")
        self.assertEqual(self.export(), before)

    def hostile_links(self, links):
        folder = self.folder("hostile links", ["velmora.exe"])
        self.setup_exe(folder, "links")
        self.addCleanup(self.setup_exe, folder, "remove")

        def started_by_each(folder, links):
            return [self.started_or_nothing(folder, link) for link in links]
        results = self.open_link_with_shell(folder, links, started_by_each)
        for link, (started, recorder) in zip(links, results):
            # The link as one argument, exactly, or nothing at all.
            if started is not None:
                self.assertEqual(started, f'{recorder} "{link}"')
        return [started for started, _ in results]

    def test_hostile_links_arrive_whole_or_start_nothing(self):
        if self.locale != Setup.locale:
            self.skipTest("the Western locale covers it")
        site = "https://example.com/"
        started = self.hostile_links([site + "a b  c", site + "%41%%20%P%1", site + "?a=1&b=^|'`x`",
                            site + "a" * 2080, site + "a" * 33000,
                            "https://b\u00fccher.example/%C3%BC", site + "a\nb",
                            # Schemes velmora is not registered for reach other programs.
                            "file:///C:/windows/win.ini", "javascript:alert(1)"])
        self.assertIsNotNone(started[0], "a plain link reaches velmora")
        self.assertEqual(started[-2:], [None, None])

    def test_a_link_with_a_quotation_mark_arrives_whole_or_starts_nothing(self):
        # The shell puts the link into "%1" as it is: velmora.exe is handed the link split
        # at its quotation mark, and the pieces joined are another link.
        if self.locale != Setup.locale:
            self.skipTest("the Western locale covers it")
        self.hostile_links(["https://example.com/a\"b"])

    def started_or_nothing(self, folder, target, patience=5):
        """As started_by_shell, or None when nothing was recorded once `start` ended and
        `patience` seconds more passed."""
        record = os.path.join(self.dir, "record")
        if os.path.exists(record):
            os.remove(record)
        # The settings reader takes one pair of quotation marks off a whole value: the
        # recorder's path goes unquoted, in a folder without spaces.
        recorder = os.path.join(self.dir, "recorder.exe")
        shutil.copy2(ARGS.recorder, recorder)
        with open(os.path.join(folder, "velmora.ini"), "wb") as f:
            f.write(b'[Path]\r\ndefault=' + windows_path(recorder).encode("utf-8") +
                    b' "%P"\r\n')
        env = dict(self.env, VELMORA_RECORD=windows_path(record), VELMORA_RECORD_UTF8="1")
        subprocess.run([os.path.join(ARGS.build, "wine-run.sh"), "start", target], env=env,
                       timeout=120, capture_output=True)
        deadline = time.time() + patience
        while not os.path.exists(record) and time.time() < deadline:
            time.sleep(0.2)
        if not os.path.exists(record):
            return None, windows_path(recorder)
        time.sleep(0.5)
        with open(record, "rb") as f:
            return f.read().split(b"\0")[0].decode("utf-8"), windows_path(recorder)

    def test_set_up_open_status_repair_and_remove(self):
        # Someone else's registrations under the keys velmora-setup writes to.
        self.wine("reg", "add", "HKCU\\Software\\Classes\\.vtest\\OpenWithProgids", "/v",
                  "Other.File", "/t", "REG_NONE", "/f")
        self.wine("reg", "add", "HKCU\\Software\\Classes\\.vtest", "/ve", "/d", "vtestfile", "/f")
        self.wine("reg", "add", "HKCU\\Software\\Classes\\*\\shell\\other", "/ve", "/d", "Other",
                  "/f")
        before = self.export()
        self.assertIn("Other.File", before)

        folder = self.folder("My 100% Tools " + LETTER, ["velmora.exe", "velmora-utf8.exe"])
        out = self.setup_exe(folder, "open-with", ".vtest", status=1)
        self.assertIn("use --program velmora-utf8.exe", out)
        self.assertEqual(self.export(), before)
        self.setup_exe(folder, "open-with", "foo", status=2)
        # The word as typed, one line, and a pointer to --help: no pattern is expanded to the
        # folder's files.
        with open(os.path.join(folder, "a.txt"), "w"):
            pass
        self.assertEqual(self.setup_exe(folder, "open-with", "*.txt", status=2).replace("\r", ""),
                         'velmora-setup: "*.txt" is no file type: give it as .EXT, for example '
                         '.txt (try velmora-setup --help)\n')
        self.assertRegex(self.setup_exe(folder, "--version"),
                         r"^velmora-setup \d+\.\d+\.\d+\r?\nMIT licence, copyright 2026 the "
                         r"velmora authors \(LICENSE\)\r?\n$")
        self.setup_exe(self.folder("empty", []), "context-menu", status=1)
        self.assertEqual(self.export(), before)

        utf8 = ["--program", "velmora-utf8.exe"]
        self.setup_exe(folder, "open-with", ".vtest", ".vtest2", *utf8)
        self.setup_exe(folder, "context-menu", *utf8)
        settings = os.path.join(self.prefix, "drive_c", "set tings")
        os.makedirs(settings, exist_ok=True)
        with open(os.path.join(settings, "x.ini"), "wb") as f:
            f.write(b"[Path]\r\n")
        self.setup_exe(folder, "send-to", *utf8, "--name", "Held key " + LETTER, "--ini",
                       "C:\\set tings\\x.ini")
        program = windows_path(os.path.join(folder, "velmora-utf8.exe"))
        command = '"' + program.replace("%", "%%") + '" "%1"'
        progids = self.export("HKCU\\Software\\Classes\\.vtest\\OpenWithProgids")
        progid = re.search(r'"(velmora\.file\.[0-9a-f]{8})"=hex\(0\):', progids).group(1)
        self.assertIn('"Other.File"', progids)
        self.assertEqual(self.value(f"HKCU\\Software\\Classes\\{progid}\\shell\\open\\command"),
                         command)
        self.assertEqual(self.value("HKCU\\Software\\Classes\\*\\shell\\velmora\\command"),
                         command)
        self.assertEqual(self.value("HKCU\\Software\\Classes\\.vtest"), "vtestfile")
        self.assertEqual(self.value("HKCU\\Software\\RegisteredApplications", "velmora"),
                         "Software\\\\velmora\\\\Capabilities".replace("\\\\", "\\"))
        link = os.path.join(self.prefix, "drive_c", "users", os.environ.get("USER", "root"),
                            "AppData", "Roaming", "Microsoft", "Windows", "SendTo",
                            f"Held key {LETTER}.lnk")
        links = [os.path.join(root, name) for root, _, names in
                 os.walk(os.path.join(self.prefix, "drive_c", "users")) for name in names
                 if name == f"Held key {LETTER}.lnk"]
        self.assertEqual(len(links), 1, links)
        link = links[0]
        with open(link, "rb") as f:
            self.assertIn(("My 100% Tools " + LETTER).encode("utf-16-le"), f.read())
        status = self.setup_exe(folder, "status")
        self.assertIn(f"target: {program} \"/ini=C:\\set tings\\x.ini\"", status)
        self.assertIn(f"program: {program[:-len('velmora-utf8.exe')]}velmora-utf8.exe (there)",
                      status)

        once = self.export()
        self.setup_exe(folder, "open-with", ".vtest", ".vtest2", *utf8)
        self.setup_exe(folder, "context-menu", *utf8)
        self.assertEqual(self.export(), once)

        recorder = windows_path(os.path.join(self.dir, "recorder.exe"))
        self.assertEqual(self.open_with_shell(progid, ".vtest", folder),
                         f'{recorder} "C:\\My Docs\\a b.vtest"')

        # velmora.exe itself, from a folder its code page spells: '%' survives the shell.
        plain = self.folder("plain 100%", ["velmora.exe"])
        self.setup_exe(plain, "open-with", ".vansi")
        self.assertEqual(self.open_with_shell("velmora.file", ".vansi", plain),
                         f'{recorder} "C:\\My Docs\\a b.vansi"')

        moved = os.path.join(self.dir, "moved " + LETTER + " 100%")
        os.rename(folder, moved)
        out = self.setup_exe(moved, "status", status=1)
        self.assertIn("velmora-setup repair", out)
        self.setup_exe(plain, "remove")  # one user: every registration goes, whichever folder
        self.assertNotIn(LETTER, self.export("HKCU\\Software\\velmora"))
        self.assertEqual(self.export(), before)

        self.setup_exe(moved, "context-menu", *utf8)
        self.setup_exe(moved, "status")
        os.rename(moved, folder)
        self.setup_exe(folder, "status", status=1)
        self.setup_exe(folder, "repair")
        self.setup_exe(folder, "status")
        self.assertEqual(self.value("HKCU\\Software\\Classes\\*\\shell\\velmora\\command"),
                         command)
        self.setup_exe(folder, "remove")
        self.assertEqual(self.export(), before)
        self.assertFalse(os.path.exists(link))
        self.assertIn("nothing to remove", self.setup_exe(folder, "remove"))
        self.assertEqual(self.export(), before)


    def test_what_stood_there_before_comes_back(self):
        # What Windows itself writes when velmora is picked once under "Open with", a menu
        # entry, values of other types where velmora-setup writes, and a Send To shortcut of
        # the user's, all there before. No name here needs another code page: one locale does.
        if self.locale != Setup.locale:
            self.skipTest("the Western locale covers it")
        folder = self.folder("plain prior", ["velmora.exe"])
        own = [("HKCU\\Software\\Classes\\Applications\\velmora.exe\\shell\\open\\command",
                ["/ve", "/d", '"C:\\elsewhere\\velmora.exe" "%1"']),
               ("HKCU\\Software\\Classes\\*\\shell\\velmora", ["/ve", "/d", "Mine"]),
               ("HKCU\\Software\\Classes\\.vtest\\OpenWithProgids",
                ["/v", "velmora.file", "/t", "REG_SZ", "/d", "another type"]),
               ("HKCU\\Software\\RegisteredApplications",
                ["/v", "velmora", "/t", "REG_DWORD", "/d", "7"])]
        for key, arguments in own:
            self.wine("reg", "add", key, *arguments, "/f")
        self.addCleanup(self.wine, "reg", "delete",
                        "HKCU\\Software\\Classes\\Applications\\velmora.exe", "/f", status=None)
        self.addCleanup(self.wine, "reg", "delete", "HKCU\\Software\\Classes\\*\\shell\\velmora",
                        "/f", status=None)
        self.addCleanup(self.wine, "reg", "delete", "HKCU\\Software\\RegisteredApplications",
                        "/v", "velmora", "/f", status=None)
        send_to = [os.path.join(root, name) for root, names, _ in
                   os.walk(os.path.join(self.prefix, "drive_c", "users")) for name in names
                   if name == "SendTo"][0]
        users_link = os.path.join(send_to, "velmora.lnk")
        with open(users_link, "wb") as f:
            f.write(b"L\0\0\0 the user's own shortcut")
        self.addCleanup(os.remove, users_link)
        before = self.export()

        self.setup_exe(folder, "open-with", ".vtest")
        self.setup_exe(folder, "context-menu")
        self.assertIn("is not velmora-setup's", self.setup_exe(folder, "send-to", status=1))
        self.setup_exe(folder, "send-to", "--name", "velmora here")
        self.assertEqual(self.value("HKCU\\Software\\Classes\\*\\shell\\velmora"), "Open with velmora")
        self.setup_exe(folder, "remove")
        self.assertEqual(self.export(), before)
        with open(users_link, "rb") as f:
            self.assertEqual(f.read(), b"L\0\0\0 the user's own shortcut")


    def test_settings_move_along_and_the_users_later_change_stays(self):
        if self.locale != Setup.locale:
            self.skipTest("the Western locale covers it")
        before = self.export()
        folder = self.folder("carried", ["velmora.exe"])
        os.makedirs(os.path.join(folder, "sets"))
        with open(os.path.join(folder, "sets", "photos.ini"), "wb") as f:
            f.write(b"[Path]\r\n")
        ini = windows_path(os.path.join(folder, "sets", "photos.ini"))
        self.setup_exe(folder, "open-with", ".vcarry", "--ini", ini)
        self.setup_exe(folder, "context-menu", "--ini", "sets\\photos.ini")
        moved = os.path.join(self.dir, "carried elsewhere")
        os.rename(folder, moved)
        self.setup_exe(moved, "status", status=1)
        out = self.setup_exe(moved, "repair")
        carried = windows_path(os.path.join(moved, "sets", "photos.ini"))
        self.assertIn(f"the settings file {ini} is now {carried}", out)
        self.assertEqual(self.value("HKCU\\Software\\Classes\\*\\shell\\velmora\\command"),
                         f'"{windows_path(moved)}\\velmora.exe" "/ini={carried}" "%1"')
        self.setup_exe(moved, "status")

        # A command the user put in velmora's place later is theirs: remove leaves it.
        mine = '"C:\\mine.exe" "%1"'
        self.wine("reg", "add", "HKCU\\Software\\Classes\\*\\shell\\velmora\\command", "/ve",
                  "/d", mine, "/f")
        self.assertIn("changed since, by you or a program you ran", self.setup_exe(moved, "status"))
        self.setup_exe(moved, "remove")
        self.assertEqual(self.value("HKCU\\Software\\Classes\\*\\shell\\velmora\\command"), mine)
        self.wine("reg", "delete", "HKCU\\Software\\Classes\\*\\shell\\velmora", "/f")
        self.assertEqual(self.export(), before)

    def start_setup(self, folder, *args):
        return subprocess.Popen([os.path.join(ARGS.build, "wine-run.sh"),
                                 os.path.join(folder, "velmora-setup.exe"), *args], cwd=folder,
                                env=self.env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)

    def test_runs_at_once_take_turns(self):
        if self.locale != Setup.locale:
            self.skipTest("the Western locale covers it")
        folder = self.folder("turns", ["velmora.exe"])
        before = self.export()
        pairs = [(("open-with", ".vtest"), ("open-with", ".vtest2")),
                 (("remove",), ("open-with", ".vtest2"))]
        for round_ in range(10):
            for first, second in pairs:
                runs = [self.start_setup(folder, *first), self.start_setup(folder, *second)]
                for run in runs:
                    out = run.communicate(timeout=120)[0].decode("utf-8", "replace")
                    self.assertEqual(run.returncode, 0, (round_, first, second, out))
        # The last pair may have ended either way round.
        self.assertNotIn("never writes", self.setup_exe(folder, "status", status=None))
        self.setup_exe(folder, "remove")
        self.assertEqual(self.export(), before)

    def test_a_stopped_run_is_waited_for_ten_seconds(self):
        if self.locale != Setup.locale:
            self.skipTest("the Western locale covers it")
        folder = self.folder("waits", ["velmora.exe"])
        before = self.export()
        holder = subprocess.Popen([os.path.join(ARGS.build, "wine-run.sh"), ARGS.turn_holder],
                                  env=self.env, stdout=subprocess.PIPE)
        self.addCleanup(holder.stdout.close)
        self.addCleanup(holder.wait)
        self.addCleanup(holder.kill)
        held = holder.stdout.readline().decode()
        self.assertRegex(held, r"^held \d+")
        pid = held.split()[1]
        started = time.monotonic()
        out = self.setup_exe(folder, "open-with", ".vtest", status=1).replace("\r", "")
        self.assertGreaterEqual(time.monotonic() - started, 10)
        self.assertEqual(out, "another velmora-setup (process %s) is running: waiting\n"
                              "velmora-setup: another velmora-setup (process %s) is still running "
                              "after 10 s (stopped, or waiting itself); nothing was changed\n"
                         % (pid, pid))
        self.assertEqual(self.export(), before)
        # Killed, it leaves the turn to the next run.
        holder.kill()
        holder.wait()
        self.setup_exe(folder, "open-with", ".vtest")
        self.setup_exe(folder, "remove")
        self.assertEqual(self.export(), before)

    def test_a_run_killed_at_any_moment_is_given_back_by_remove(self):
        if self.locale != Setup.locale:
            self.skipTest("the Western locale covers it")
        folder = self.folder("killed", ["velmora.exe"])
        self.wine("reg", "add", "HKCU\\Software\\Classes\\.vtest", "/ve", "/d", "vtestfile", "/f")
        before = self.export()
        started = time.monotonic()
        self.setup_exe(folder, "open-with", ".vtest", ".vtest2")
        whole = time.monotonic() - started
        self.setup_exe(folder, "remove")
        # Kills spread over a run's whole time, for set-up and for remove.
        halfway = 0
        for step in range(8):
            removing = step % 2 == 1
            if removing:
                self.setup_exe(folder, "open-with", ".vtest", ".vtest2")
            run = self.start_setup(folder, *(("remove",) if removing else
                                             ("open-with", ".vtest", ".vtest2")))
            time.sleep(whole * (step // 2 + 1) / 5)
            run.kill()
            run.communicate(timeout=120)
            if self.export() not in (before, ""):
                halfway += 1
            self.setup_exe(folder, "status", status=None)
            self.setup_exe(folder, "remove")
            self.assertEqual(self.export(), before, step)
        print("kills that left something to give back: %d of 8" % halfway, file=sys.stderr)

    def test_a_failure_says_what_windows_said(self):
        if self.locale != Setup.locale:
            self.skipTest("the Western locale covers it")
        folder = self.folder("cause", ["velmora.exe"])
        send_to = [os.path.join(root, name) for root, names, _ in
                   os.walk(os.path.join(self.prefix, "drive_c", "users")) for name in names
                   if name == "SendTo"][0]
        # A folder where the shortcut would go: no shortcut can replace it.
        blocker = os.path.join(send_to, "blocked.lnk")
        os.makedirs(blocker)
        self.addCleanup(os.rmdir, blocker)
        before = self.export()
        out = self.setup_exe(folder, "send-to", "--name", "blocked", status=1).replace("\r", "")
        self.assertRegex(out, r"could not write the shortcut .*blocked\.lnk \(.+, error \d+\); "
                              r"nothing was changed\n$")
        self.assertEqual(self.export(), before)


class JapaneseLocale(Setup):
    locale = "ja_JP.UTF-8"


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--setup", required=True)
    parser.add_argument("--velmora", required=True)
    parser.add_argument("--velmora-utf8", required=True)
    parser.add_argument("--recorder", required=True)
    parser.add_argument("--turn-holder", required=True)
    ARGS, rest = parser.parse_known_args()
    # A Wine program whose server is not running starts one, and the server starts the system's
    # own programs, which keep the first program's descriptors: its output pipe would stay open
    # until the server ends, three seconds after its last program, and every read of a
    # program's output would wait for that. One idle program, with no pipe of ours, keeps the
    # server and what it started alive meanwhile.
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    idle = subprocess.Popen([os.path.join(ARGS.build, "wine-run.sh"), ARGS.turn_holder, "--idle"],
                            **quiet)
    subprocess.run([os.path.join(ARGS.build, "wine-run.sh"), "cmd", "/c", "exit"], timeout=300,
                   **quiet)
    try:
        unittest.main(argv=[sys.argv[0], *rest], verbosity=2)
    finally:
        idle.kill()
        idle.wait()
