#!/usr/bin/env python3
"""velmora-setup on Linux, end to end: velmora installed into a prefix, the XDG folders in a
temporary folder, and GIO answering what a GLib file manager would do (`gio mime` for a type's
default, `gio open` to open a file)."""
import argparse
import os
import re
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time
import unittest

ARGS = None
EDITOR = "[Desktop Entry]\nType=Application\nName=Editor\nExec=/bin/true %f\n" \
         "MimeType=text/plain;image/png;\n"
# Foreign lines of every kind, no line end on the last one: remove gives back every byte.
ORIGINAL = (b"# the user's own\n[Default Applications]\nimage/gif=viewer.desktop\n\n"
            b"[Added Associations]\ntext/plain=editor.desktop\n# keep\n"
            b"[Removed Associations]\ntext/html=browser.desktop;")


def gio_default(env, mime):
    out = subprocess.run(["gio", "mime", mime], capture_output=True, text=True,
                         env=dict(env, LC_ALL="C.UTF-8"), timeout=60).stdout
    line = out.splitlines()[0] if out else ""
    return line.rsplit(": ", 1)[1] if line.startswith("Default application") else None


def gio_registered(env, mime):
    out = subprocess.run(["gio", "mime", mime], capture_output=True, text=True,
                         env=dict(env, LC_ALL="C.UTF-8"), timeout=60).stdout
    return out.split("Registered applications:")[-1].split("Recommended")[0].split()


class Setup(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="velmora-setup-")
        os.chmod(cls.work, 0o755)
        cls.prefix = os.path.join(cls.work, "prefix")
        subprocess.run([ARGS.cmake, "--install", ARGS.build, "--prefix", cls.prefix],
                       check=True, stdout=subprocess.DEVNULL)
        cls.setup = os.path.join(cls.prefix, "bin", "velmora-setup")
        # Settings beside the installed velmora: status counts velmora without any as not set up.
        with open(os.path.join(cls.prefix, "bin", "velmora.ini"), "w") as f:
            f.write("[Path]\ndefault=true\n")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def setUp(self):
        self.dir = os.path.join(self.work, self.id().rsplit(".", 1)[-1])
        self.data = os.path.join(self.dir, "data")
        self.config = os.path.join(self.dir, "config")
        os.makedirs(os.path.join(self.data, "applications"))
        os.makedirs(self.config)
        with open(os.path.join(self.data, "applications", "editor.desktop"), "w") as f:
            f.write(EDITOR)
        subprocess.run(["update-desktop-database", os.path.join(self.data, "applications")],
                       check=True)
        self.list = os.path.join(self.config, "mimeapps.list")
        self.env = dict(os.environ, XDG_DATA_HOME=self.data, XDG_CONFIG_HOME=self.config,
                        XDG_DATA_DIRS=os.path.join(self.prefix, "share") + ":/usr/share",
                        HOME=self.dir)

    def run_setup(self, *args, status=0, prefix=()):
        done = subprocess.run([*prefix, self.setup, *args], capture_output=True, text=True,
                              env=self.env, timeout=60)
        if status is not None:
            self.assertEqual(done.returncode, status, done.stdout + done.stderr)
        return done.stdout

    def recording_settings(self, word):
        """Settings beside the installed velmora that start the recorder with `word` and the
        target; the class's own come back after the test."""
        beside = os.path.join(self.prefix, "bin", "velmora.ini")
        with open(beside) as f:
            kept = f.read()
        self.addCleanup(self.write_text, beside, kept)
        self.write_text(beside, f'[Path]\ndefault={ARGS.recorder} {word} "%P"\n')

    @staticmethod
    def write_text(path, text):
        with open(path, "w") as f:
            f.write(text)

    def opened_by_gio(self, target, record):
        """What the recorder that velmora starts records when GIO opens `target`."""
        subprocess.run(["gio", "open", target], env=dict(self.env, VELMORA_RECORD=record),
                       check=True, timeout=60)
        deadline = time.time() + 30
        while not os.path.exists(record) and time.time() < deadline:
            time.sleep(0.1)
        with open(record, "rb") as f:
            return f.read()

    def listed(self):
        with open(self.list, "rb") as f:
            return f.read()

    def test_installing_changes_no_default(self):
        types = ["text/plain", "image/png", "application/pdf", "image/jpeg", "video/mp4"]
        before = dict(self.env, XDG_DATA_DIRS="/usr/share")
        for mime in types:
            self.assertEqual(gio_default(self.env, mime), gio_default(before, mime), mime)
            self.assertNotIn("velmora.desktop", gio_registered(self.env, mime), mime)

    def test_open_with_lists_velmora_and_keeps_the_default(self):
        self.assertEqual(gio_default(self.env, "text/plain"), "editor.desktop")
        out = self.run_setup("open-with", "text/plain", ".PNG")
        self.assertIn("The default program of text/plain stays editor.desktop.\n", out)
        for mime in ("text/plain", "image/png"):
            self.assertEqual(gio_default(self.env, mime), "editor.desktop", mime)
            self.assertIn("velmora.desktop", gio_registered(self.env, mime), mime)
        once = self.listed()
        self.run_setup("open-with", "text/plain", "image/png")
        self.assertEqual(self.listed(), once)
        self.assertIn("[Added Associations] image/png=velmora.desktop", self.run_setup("status"))

    def test_default_opens_files_with_velmora(self):
        record = os.path.join(self.dir, "record")
        self.recording_settings("opened")
        self.run_setup("default", ".txt")
        self.assertEqual(gio_default(self.env, "text/plain"), "velmora.desktop")
        target = os.path.join(self.dir, "a b.txt")
        open(target, "w").close()
        self.assertEqual(self.opened_by_gio(target, record),
                         b"opened\0" + target.encode() + b"\0\n")
        self.run_setup("remove")
        self.assertEqual(gio_default(self.env, "text/plain"), "editor.desktop")

    def test_links_make_velmora_the_browser_and_remove_gives_the_old_one_back(self):
        # A browser of the user's is the default for links; links takes its place for http and
        # https alone, names it, opens links through velmora, and remove gives it back.
        with open(os.path.join(self.data, "applications", "browser.desktop"), "w") as f:
            f.write("[Desktop Entry]\nType=Application\nName=Browser\nExec=/bin/true %u\n"
                    "MimeType=x-scheme-handler/http;x-scheme-handler/https;\n")
        with open(self.list, "wb") as f:
            f.write(ORIGINAL + b"\n[Default Applications]\nx-scheme-handler/https=browser.desktop\n"
                    b"x-scheme-handler/http=browser.desktop\n")
        before = self.listed()
        self.assertEqual(gio_default(self.env, "x-scheme-handler/https"), "browser.desktop")
        out = self.run_setup("links")
        self.assertIn("velmora-links.desktop is the default for x-scheme-handler/https now, in "
                      "place of browser.desktop.", out)
        for scheme in ("http", "https"):
            self.assertEqual(gio_default(self.env, "x-scheme-handler/" + scheme),
                             "velmora-links.desktop")
        self.assertEqual(gio_default(self.env, "text/plain"), "editor.desktop")
        record = os.path.join(self.dir, "record")
        self.recording_settings("link")
        link = "https://example.com/a b?q=1&r='2'"
        got = self.opened_by_gio(link, record).split(b"\0")
        self.assertEqual((got[0], len(got)), (b"link", 3), got)
        self.assertTrue(got[1].startswith(b"https://example.com/a"), got)
        self.assertIn("x-scheme-handler/https=velmora-links.desktop", self.run_setup("status"))
        self.run_setup("remove")
        self.assertEqual(self.listed(), before)
        self.assertEqual(gio_default(self.env, "x-scheme-handler/https"), "browser.desktop")

    def test_the_gtk_chooser_lists_velmora_after_open_with_and_not_after_remove(self):
        # What GNOME Files' "Open With" dialog shows: GTK's own chooser, with the real libraries.
        probe = subprocess.run(["/usr/bin/python3", "-c", "import gi; gi.require_version('Gtk', "
                                "'3.0'); from gi.repository import Gtk"], capture_output=True)
        if probe.returncode != 0:
            self.skipTest("GTK 3 for Python is not installed (scripts/install-deps.sh installs "
                          "python3-gi and gir1.2-gtk-3.0)")
        read, write = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-nolisten", "tcp"],
                                pass_fds=[write], stderr=subprocess.DEVNULL)
        os.close(write)
        self.addCleanup(xvfb.wait)
        self.addCleanup(xvfb.terminate)
        with os.fdopen(read) as f:
            display = ":" + f.readline().strip()
        chooser = os.path.join(os.path.dirname(os.path.abspath(__file__)), "gtk_chooser.py")

        def listed():
            done = subprocess.run(["/usr/bin/python3", chooser, "text/plain"], capture_output=True,
                                  text=True, env=dict(self.env, DISPLAY=display), timeout=120)
            self.assertEqual(done.returncode, 0, done.stderr)
            return done.stdout.split()

        self.assertIn("editor.desktop", listed())
        self.assertNotIn("velmora.desktop", listed())
        self.run_setup("open-with", ".txt")
        self.assertIn("velmora.desktop", listed())
        self.run_setup("remove")
        self.assertNotIn("velmora.desktop", listed())

    def test_kdes_trader_lists_velmora_after_open_with_and_links_and_not_after_remove(self):
        # What Dolphin's "Open With" asks: KDE's trader, reading the same lists through its own
        # cache.
        if shutil.which("ktraderclient5") is None:
            self.skipTest("KDE's trader is not installed (scripts/install-deps.sh installs "
                          "kde-cli-tools)")
        env = dict(self.env, XDG_CACHE_HOME=os.path.join(self.dir, "cache"),
                   QT_QPA_PLATFORM="offscreen")

        def offered(mime):
            done = subprocess.run(["ktraderclient5", "--mimetype", mime, "--short"],
                                  capture_output=True, text=True, env=env, timeout=120)
            self.assertEqual(done.returncode, 0, done.stderr)
            return [os.path.basename(word) for word in done.stdout.split()
                    if word.endswith(".desktop")]

        self.assertIn("editor.desktop", offered("text/plain"))
        self.assertNotIn("velmora.desktop", offered("text/plain"))
        # The link entry names its types itself, so it is offered once installed; "links" makes
        # it the first, the one KDE opens links with.
        links_before = offered("x-scheme-handler/https")
        self.run_setup("open-with", ".txt")
        self.run_setup("links")
        self.assertIn("velmora.desktop", offered("text/plain"))
        self.assertEqual(offered("x-scheme-handler/https")[0], "velmora-links.desktop")
        self.run_setup("remove")
        self.assertNotIn("velmora.desktop", offered("text/plain"))
        self.assertEqual(offered("x-scheme-handler/https"), links_before)

    def test_remove_gives_back_every_byte(self):
        with open(self.list, "wb") as f:
            f.write(ORIGINAL)
        self.run_setup("open-with", "text/plain", "image/png", "image/gif")
        self.run_setup("default", "application/pdf", "text/plain")
        self.assertNotEqual(self.listed(), ORIGINAL)
        self.assertEqual(gio_default(self.env, "image/png"), "editor.desktop")
        self.run_setup("remove")
        self.assertEqual(self.listed(), ORIGINAL)
        self.assertFalse(os.path.exists(os.path.join(self.config, "velmora")))
        self.assertIn("nothing to remove", self.run_setup("remove"))
        self.assertEqual(self.listed(), ORIGINAL)

    def test_a_linked_list_is_edited_where_it_lies(self):
        kept = os.path.join(self.dir, "dotfiles-mimeapps.list")
        with open(kept, "wb") as f:
            f.write(ORIGINAL)
        os.symlink(kept, self.list)
        self.run_setup("open-with", "image/png")
        self.assertTrue(os.path.islink(self.list))
        self.assertIn(b"image/png=velmora.desktop;", self.listed())
        self.run_setup("remove")
        self.assertTrue(os.path.islink(self.list))
        self.assertEqual(self.listed(), ORIGINAL)

    def test_a_list_that_was_not_there_goes_again(self):
        self.run_setup("open-with", "text/plain")
        self.assertTrue(os.path.exists(self.list))
        self.run_setup("remove")
        self.assertEqual(sorted(os.listdir(self.config)), [])

    def test_status_and_repair(self):
        with open(self.list, "wb") as f:
            f.write(ORIGINAL)
        self.run_setup("open-with", "image/png")
        self.assertIn("desktop entry: " + self.prefix, self.run_setup("status"))
        edited = self.listed().replace(b"image/png=velmora.desktop;\n", b"")
        with open(self.list, "wb") as f:
            f.write(edited)
        self.assertIn("(missing)", self.run_setup("status", status=1))
        self.run_setup("repair")
        self.run_setup("status")
        self.assertIn("velmora.desktop", gio_registered(self.env, "image/png"))
        self.run_setup("remove")
        self.assertEqual(self.listed(), ORIGINAL)

    def test_the_users_later_choice_wins(self):
        with open(os.path.join(self.data, "applications", "other.desktop"), "w") as f:
            f.write(EDITOR.replace("Name=Editor", "Name=Other"))
        subprocess.run(["update-desktop-database", os.path.join(self.data, "applications")],
                       check=True)
        self.run_setup("open-with", "text/plain")
        subprocess.run(["gio", "mime", "text/plain", "other.desktop"], env=self.env, check=True,
                       capture_output=True)
        self.assertEqual(gio_default(self.env, "text/plain"), "other.desktop")
        status = self.run_setup("status")
        self.assertIn("changed since, by you or a program you ran: left as it is", status)
        self.assertNotIn("repair", status)
        self.assertIn("nothing to repair", self.run_setup("repair"))
        self.assertEqual(gio_default(self.env, "text/plain"), "other.desktop")
        self.run_setup("remove")
        self.assertEqual(gio_default(self.env, "text/plain"), "other.desktop")
        self.assertNotIn("velmora.desktop", gio_registered(self.env, "text/plain"))
        self.assertIn(b"text/plain=other.desktop", self.listed())

    def test_status_says_when_gio_does_not_offer_what_the_lines_add(self):
        self.run_setup("open-with", "image/png")
        self.run_setup("status")
        # A menu editor hides an entry with a copy of it that says Hidden=true.
        hidden = os.path.join(self.data, "applications", "velmora.desktop")
        shutil.copy(os.path.join(self.prefix, "share", "applications", "velmora.desktop"), hidden)
        with open(hidden, "a") as f:
            f.write("Hidden=true\n")
        self.assertNotIn("velmora.desktop", gio_registered(self.env, "image/png"))
        out = self.run_setup("status", status=1)
        self.assertIn("GIO: does not offer velmora.desktop for image/png", out)
        self.assertIn("that entry is hidden (Hidden=true", out)
        os.remove(hidden)
        self.run_setup("status")
        self.run_setup("remove")
        self.assertFalse(os.path.exists(self.list))

    def test_status_checks_what_velmora_needs(self):
        self.run_setup("open-with", "text/plain")
        beside = os.path.join(self.prefix, "bin", "velmora.ini")
        os.rename(beside, beside + ".away")
        try:
            out = self.run_setup("status", status=1)
            self.assertIn("velmora starts nothing without settings: mkdir -p", out)
            self.assertIn("velmora-linux.ini", out)
        finally:
            os.rename(beside + ".away", beside)
        self.run_setup("status")

    def test_a_changed_record_changes_nothing(self):
        with open(self.list, "wb") as f:
            f.write(ORIGINAL)
        self.run_setup("open-with", "image/png")
        record = os.path.join(self.config, "velmora", "setup.list")
        with open(record, "rb") as f:
            genuine = f.read()
        forged = [b"edit\tAdded Associations\ttext/plain\teditor.desktop\t-L--\t\n",
                  b"edit\tRemoved Associations\ttext/html\tvelmora.desktop\t-L--\t\n",
                  b"edit\tDefault Applications\tx y\tvelmora.desktop\t-L--\t\n",
                  b"edit\tDefault Applications\timage/gif\t../evil\t-L--\t\n"]
        for line in forged:
            with self.subTest(line=line):
                with open(record, "wb") as f:
                    f.write(genuine + line)
                listed = self.listed()
                for command in ("remove", "repair", "status", "open-with"):
                    args = [command, "image/gif"] if command == "open-with" else [command]
                    out = self.run_setup(*args, status=1)
                    self.assertIn("holds an edit with ", out)
                    self.assertIn("which velmora-setup never writes: it goes by no such record", out)
                    self.assertEqual(self.listed(), listed)
        with open(record, "wb") as f:
            f.write(genuine)
        self.run_setup("remove")
        self.assertEqual(self.listed(), ORIGINAL)

    def test_refusals_write_nothing(self):
        cases = [(["open-with", "no/such-type"], 2), (["open-with", ".no-such-ext"], 2),
                 (["open-with"], 2), (["status", "text/plain"], 2), (["send-to"], 2),
                 (["open-with", "text/plain", "--ini", "x.ini"], 2)]
        for args, status in cases:
            with self.subTest(args=args):
                self.run_setup(*args, status=status)
                self.assertEqual(os.listdir(self.config), [])
        # Where no desktop looks for velmora's desktop entry there is nothing to register; the
        # refusal says where it is installed and what would make it seen.
        self.env["XDG_DATA_DIRS"] = "/usr/share"
        said = self.run_setup("open-with", ".txt", status=1)
        self.assertRegex(said, r"velmora.desktop is installed in \S+/share/applications, which is "
                               r"not among the folders desktops look in")
        self.assertEqual(os.listdir(self.config), [])

    def test_lists_it_cannot_edit_in_place_are_refused(self):
        other = os.path.join(self.dir, "elsewhere.list")

        def dangling():
            os.symlink(os.path.join(self.dir, "gone.list"), self.list)

        def hard_link():
            with open(self.list, "wb") as f:
                f.write(ORIGINAL)
            os.link(self.list, other)

        def read_only():
            with open(self.list, "wb") as f:
                f.write(ORIGINAL)
            os.chmod(self.list, 0o444)

        cases = [("a dangling link", dangling, "is a link to a file that does not exist"),
                 ("a hard link", hard_link, "has other names (hard links)"),
                 ("read-only", read_only, "is read-only"),
                 ("a folder", lambda: os.mkdir(self.list), "is not a regular file")]
        for name, prepare, why in cases:
            with self.subTest(case=name):
                prepare()
                before = {entry: os.lstat(os.path.join(self.config, entry))
                          for entry in os.listdir(self.config)}
                out = self.run_setup("open-with", "text/plain", status=1)
                self.assertIn(why, out)
                self.assertTrue(out.endswith("; nothing was changed\n"), out)
                after = {entry: os.lstat(os.path.join(self.config, entry))
                         for entry in os.listdir(self.config)}
                self.assertEqual({k: (v.st_ino, v.st_nlink, v.st_mtime_ns, v.st_mode)
                                  for k, v in after.items()},
                                 {k: (v.st_ino, v.st_nlink, v.st_mtime_ns, v.st_mode)
                                  for k, v in before.items()})
                for entry in (self.list, other):
                    if os.path.isdir(entry) and not os.path.islink(entry):
                        os.rmdir(entry)
                    elif os.path.lexists(entry):
                        os.remove(entry)

    def test_a_pin_glib_ignores_keeps_the_default(self):
        for pin in (b"text/plain=gone.desktop;\n", b"text/plain=\n"):
            with self.subTest(pin=pin):
                with open(self.list, "wb") as f:
                    f.write(b"[Default Applications]\n" + pin)
                self.assertEqual(gio_default(self.env, "text/plain"), "editor.desktop")
                self.run_setup("open-with", "text/plain")
                self.assertEqual(gio_default(self.env, "text/plain"), "editor.desktop")
                self.run_setup("remove")
                self.assertEqual(self.listed(), b"[Default Applications]\n" + pin)

    def test_runs_at_the_same_time_take_turns(self):
        with open(self.list, "wb") as f:
            f.write(ORIGINAL)
        types = ["text/plain", "image/png", "image/gif", "application/pdf", "image/jpeg",
                 "video/mp4", "application/json", "text/markdown"]
        runs = [subprocess.Popen([self.setup, "open-with", mime], env=self.env,
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
                for mime in types]
        for run in runs:
            self.assertEqual(run.wait(timeout=120), 0, run.stdout.read())
        status = self.run_setup("status")
        for mime in types:
            self.assertIn(f"[Added Associations] {mime}=velmora.desktop", status)
            self.assertIn("velmora.desktop", gio_registered(self.env, mime), mime)
        self.assertEqual(gio_default(self.env, "text/plain"), "editor.desktop")
        self.run_setup("remove")
        self.assertEqual(self.listed(), ORIGINAL)

    def test_a_stopped_holder_is_waited_for_ten_seconds(self):
        with open(self.list, "wb") as f:
            f.write(ORIGINAL)
        # A run that holds the turn, stopped while it waits on a gio that never answers.
        mark = os.path.join(self.dir, "gio-started")
        fake = self.fake_gio(f"echo $$ > {mark}.new && mv {mark}.new {mark}\nexec sleep 600\n")
        holder = subprocess.Popen([self.setup, "open-with", "image/png"],
                                  env=dict(self.env, PATH=fake), stdout=subprocess.DEVNULL)
        self.addCleanup(holder.wait)
        self.addCleanup(holder.kill)
        deadline = time.monotonic() + 60
        while not os.path.exists(mark) and time.monotonic() < deadline:
            time.sleep(0.01)
        holder.send_signal(signal.SIGSTOP)
        with open(mark) as f:
            self.addCleanup(os.killpg, int(f.read()), signal.SIGKILL)
        started = time.monotonic()
        out = self.run_setup("open-with", "text/plain", status=1)
        self.assertGreaterEqual(time.monotonic() - started, 10)
        self.assertEqual(out, f"another velmora-setup (process {holder.pid}) is running: waiting\n"
                              f"velmora-setup: another velmora-setup (process {holder.pid}) is "
                              "still running after 10 s (stopped, or waiting itself); nothing "
                              "was changed\n")
        self.assertEqual(self.listed(), ORIGINAL)

    def fake_gio(self, body):
        """A folder for PATH whose gio runs `body` (sh) and whose other programs are the
        system's."""
        folder = os.path.join(self.dir, "fake-bin")
        os.makedirs(folder, exist_ok=True)
        gio = os.path.join(folder, "gio")
        self.write_text(gio, "#!/bin/sh\n" + body)
        os.chmod(gio, 0o755)
        return folder + ":" + os.environ["PATH"]

    def test_a_gio_that_misbehaves_is_given_up_and_the_list_given_back(self):
        with open(self.list, "wb") as f:
            f.write(ORIGINAL)
        cases = {
            "trickles": ("while :; do printf x; sleep 3; done\n", "did not answer within 10 s"),
            "floods": ("exec yes\n", "said more than 64 KiB"),
            "leaves a child on the pipe": ("sleep 600 &\nexec /usr/bin/gio \"$@\"\n", None),
        }
        for name, (body, cause) in cases.items():
            with self.subTest(name):
                env = dict(self.env, PATH=self.fake_gio(body))
                started = time.monotonic()
                done = subprocess.run([self.setup, "open-with", "text/plain"], env=env,
                                      capture_output=True, text=True, timeout=60)
                took = time.monotonic() - started
                if cause is None:
                    # gio itself answered at once: its child is no reason to wait.
                    self.assertEqual(done.returncode, 0, done.stdout)
                    self.assertLess(took, 8)
                    self.run_setup("remove")
                else:
                    self.assertEqual(done.returncode, 1, done.stdout)
                    self.assertIn(cause + "); nothing was changed", done.stdout)
                    self.assertLess(took, 30)
                self.assertEqual(self.listed(), ORIGINAL)
        # Asked to end while it waits, it ends then, within the deadline, and gives the list back.
        env = dict(self.env, PATH=self.fake_gio("sleep 600\n"))
        run = subprocess.Popen([self.setup, "open-with", "text/plain"], env=env,
                               stdout=subprocess.PIPE, text=True)
        time.sleep(1)
        started = time.monotonic()
        run.send_signal(signal.SIGTERM)
        out = run.communicate(timeout=60)[0]
        self.assertLess(time.monotonic() - started, 10)
        self.assertIn("(velmora-setup was asked to end while waiting for gio); nothing was changed",
                      out)
        self.assertEqual(run.returncode, -signal.SIGTERM)
        self.assertEqual(self.listed(), ORIGINAL)

    def test_a_list_glib_cannot_read_is_refused(self):
        good = b"[Added Associations]\ntext/plain=editor.desktop;\n"
        lists = {
            "a comment after the header": (b"[Added Associations]#c\n", 1),
            "a byte-order mark": (b"\xef\xbb\xbf" + good, 1),
            "CR-only line ends": (good.replace(b"\n", b"\r"), 1),
            "a NUL byte": (b"[Added Associations]\ntext/plain=a\0b;\n", 2),
            "invalid UTF-8": (b"[Default Applications]\ntext/plain=\xff;\n", 2),
            "a broken first header": (b"[Added Associations\ntext/plain=editor.desktop;\n", 1),
        }
        for name, (text, line) in lists.items():
            with self.subTest(name):
                with open(self.list, "wb") as f:
                    f.write(text)
                for command in (("open-with", "text/plain"), ("default", "text/plain"),
                                ("status",)):
                    out = self.run_setup(*command, status=1)
                    self.assertIn(f"{self.list}, line {line}, ", out)
                    self.assertIn("GLib cannot read it", out)
                    self.assertEqual(self.listed(), text)
                # GIO indeed reads no line of it: velmora.desktop added by hand is not seen.
                if b"text/plain=" not in text:
                    text += b"\ntext/plain=velmora.desktop;\n"
                with open(self.list, "wb") as f:
                    f.write(re.sub(rb"(text/plain=[^\r\n]*)", rb"\1velmora.desktop;", text, count=1))
                self.assertNotIn("velmora.desktop", gio_registered(self.env, "text/plain"))

    def test_a_missing_config_folder_is_made_for_the_user_and_taken_away_again(self):
        config = os.path.join(self.dir, "fresh", ".config")
        env = dict(self.env, XDG_CONFIG_HOME=config)
        done = subprocess.run([self.setup, "open-with", "text/plain"], env=env,
                              capture_output=True, text=True, timeout=60)
        self.assertEqual(done.returncode, 0, done.stdout)
        self.assertEqual(os.stat(config).st_mode & 0o777, 0o700)
        self.assertIn("velmora.desktop", gio_registered(env, "text/plain"))
        done = subprocess.run([self.setup, "remove"], env=env, capture_output=True, text=True,
                              timeout=60)
        self.assertEqual(done.returncode, 0, done.stdout)
        self.assertFalse(os.path.exists(config))
        self.assertTrue(os.path.isdir(os.path.dirname(config)))

    def test_a_run_stopped_anywhere_leaves_the_default_and_no_debris(self):
        with open(self.list, "wb") as f:
            f.write(ORIGINAL)
        for signal_number in (signal.SIGTERM, signal.SIGKILL):
            for delay in range(0, 80, 4):
                with self.subTest(signal=signal_number, delay=delay):
                    # image/png has no line yet: velmora's would come first, were it alone.
                    run = subprocess.Popen([self.setup, "open-with", "image/png"], env=self.env,
                                           stdout=subprocess.DEVNULL)
                    time.sleep(delay / 1000)
                    run.send_signal(signal_number)
                    run.wait(timeout=60)
                    self.assertEqual(gio_default(self.env, "image/png"), "editor.desktop")
                    # The next run clears what a killed one left, and finds the list whole.
                    self.run_setup("status", status=None)
                    left = [entry for entry in os.listdir(self.config)
                            if ".velmora-setup-" in entry]
                    self.assertEqual(left, [])
                    self.run_setup("remove")
                    self.assertEqual(self.listed(), ORIGINAL)

    def test_behaves_as_a_command_line_tool(self):
        self.assertRegex(self.run_setup("--version"),
                         r"^velmora-setup \d+\.\d+\.\d+\nMIT licence, copyright 2026 the "
                         r"velmora authors \(LICENSE\)\n$")
        self.assertIn("usage: velmora-setup", self.run_setup("-h"))
        cases = [(["open-with", "txt"], 'velmora-setup: "txt" is no type: write the extension '
                                        'with its dot, ".txt" (try velmora-setup --help)\n'),
                 (["frob"], 'velmora-setup: unknown command "frob" (try velmora-setup --help)\n')]
        for args, said in cases:
            with self.subTest(args=args):
                self.assertEqual(self.run_setup(*args, status=2), said)
                self.assertEqual(os.listdir(self.config), [])

    def test_an_unwritable_config_folder_changes_nothing(self):
        with open(self.list, "wb") as f:
            f.write(ORIGINAL)
        for path in (self.dir, self.data, self.config, self.list):
            os.chmod(path, os.stat(path).st_mode | 0o755 if os.path.isdir(path) else 0o644)
        os.chmod(self.list, 0o666)  # the list itself could be written
        os.chmod(self.config, 0o555)
        # root writes anywhere: the program runs as nobody then.
        prefix = (["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
                  if os.geteuid() == 0 else [])
        out = self.run_setup("open-with", "image/png", status=1, prefix=prefix)
        self.assertEqual(len(out.strip().splitlines()), 1, out)
        # The system's own reason, as strerror words it.
        self.assertIn(f"cannot make {self.config}/velmora (Permission denied); nothing was "
                      "changed", out)
        os.chmod(self.config, 0o755)
        self.assertEqual(self.listed(), ORIGINAL)
        self.assertEqual(os.listdir(self.config), ["mimeapps.list"])


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--cmake", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--recorder", required=True)
    ARGS, rest = parser.parse_known_args()
    # Without GIO nothing here could answer as a file manager would: skipped, and said why.
    missing = [tool for tool in ("gio", "update-desktop-database") if shutil.which(tool) is None]
    if missing:
        print(f"skipped: {' and '.join(missing)} not installed (libglib2.0-bin and "
              "desktop-file-utils; scripts/install-deps.sh installs them)")
        sys.exit(77)
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)
