#!/usr/bin/env python3
"""cmake --install of the native build: the three programs alone in bin/, the example in
share/velmora/, and a desktop entry that validates and claims no file type, so that installing
changes no type's default program or "Open with" list (velmora-setup adds velmora where the user
asks). The prefix holds a space and shell characters, as a home folder may, quotation marks,
'%' (a field code in Exec) or letters beyond ASCII, and the real GLib (gio launch) must start
velmora from the entry; one that no entry can carry is refused before anything is installed."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

# Ordinary files of every kind a user opens, by their MIME types; text/x-csrc and others come
# through their parent types (text/plain, application/xml, ...).
ORDINARY = ["text/plain", "text/x-csrc", "text/markdown", "application/pdf", "application/json",
            "image/png", "image/jpeg", "image/svg+xml", "audio/mpeg", "video/mp4",
            "application/zip", "application/vnd.oasis.opendocument.text",
            "application/vnd.openxmlformats-officedocument.wordprocessingml.document",
            "application/octet-stream"]


def launched(entry, work, recorder):
    """What the program that GLib starts for `entry` receives, when given a file to open: the
    recorder's arguments, through velmora and the settings in a folder of the test's own."""
    config = os.path.join(work, "config")
    os.makedirs(os.path.join(config, "velmora"), exist_ok=True)
    with open(os.path.join(config, "velmora", "velmora.ini"), "w") as f:
        f.write(f'[Path]\ndefault={recorder} opened "%P"\n')
    record = os.path.join(work, "record")
    if os.path.exists(record):
        os.remove(record)
    target = os.path.join(work, "a b.txt")
    done = subprocess.run(["gio", "launch", entry, target], capture_output=True, text=True,
                          env=dict(os.environ, XDG_CONFIG_HOME=config, VELMORA_RECORD=record))
    if done.returncode != 0:
        return done.stderr.strip()
    deadline = time.time() + 10
    while not os.path.exists(record) and time.time() < deadline:
        time.sleep(0.02)
    time.sleep(0.1)
    with open(record, "rb") as f:
        return f.read().split(b"\0")[:-1] == [b"opened", target.encode()]


def uninstall(cmake, build, prefix, name, errors):
    """The uninstall step leaves no file in the prefix: the install's own, velmora's folder and
    the applications folder's cache it made are gone."""
    done = subprocess.run([cmake, "--build", build, "--target", "uninstall"], capture_output=True,
                          text=True)
    left = [os.path.join(root, file) for root, _, files in os.walk(prefix) for file in files]
    if done.returncode != 0 or left or os.path.exists(os.path.join(prefix, "share", "velmora")):
        errors.append(f"uninstall under {name!r} left {left}: {done.stdout}{done.stderr}")


def check_prefix(cmake, build, recorder, work, name, errors, offered):
    prefix = os.path.join(work, name)
    subprocess.run([cmake, "--install", build, "--prefix", prefix], check=True,
                   stdout=subprocess.DEVNULL)
    found = sorted(os.listdir(os.path.join(prefix, "bin")))
    if found != ["velmora", "velmora-check", "velmora-setup"]:
        errors.append(f"bin/ holds {found}, not the three programs alone")
    for path in ("share/applications/velmora.desktop", "share/applications/velmora-links.desktop",
                 "share/velmora/velmora-linux.ini",
                 "share/man/man1/velmora.1.gz", "share/man/man1/velmora-check.1.gz",
                 "share/man/man1/velmora-setup.1.gz", "share/doc/velmora/copyright"):
        if not os.path.isfile(os.path.join(prefix, path)):
            errors.append(f"{path} is not installed under {name!r}")
    entry = os.path.join(prefix, "share/applications/velmora.desktop")
    for validating in (entry, os.path.join(prefix, "share/applications/velmora-links.desktop")):
        validated = subprocess.run(["desktop-file-validate", validating], capture_output=True,
                                   text=True)
        if validated.returncode != 0 or validated.stdout or validated.stderr:
            errors.append(f"desktop-file-validate of {os.path.basename(validating)} under "
                          f"{name!r}: " + validated.stdout + validated.stderr)
    with open(entry, encoding="utf-8") as f:
        text = f.read()
    print(f"prefix {name!r}: " + re.search(r"^Exec=.*$", text, re.M).group(0))
    opened = launched(entry, work, recorder)
    if opened is not True:
        errors.append(f"gio launch of the entry under {name!r} did not open the file through "
                      f"velmora: {opened}")
    if re.search(r"^MimeType=", text, re.M):
        errors.append(f"the desktop entry under {name!r} claims file types")
    check_settings_fix(prefix, work, name, errors)
    if offered:
        check_offered(prefix, work, errors)
        check_links(prefix, work, recorder, errors)
    uninstall(cmake, build, prefix, name, errors)


def check_settings_fix(prefix, work, name, errors):
    """Without a settings file, the installed velmora-check names the command that makes one
    from the installed example; run by the shell, it does."""
    config = os.path.join(work, "fresh config")
    shutil.rmtree(config, ignore_errors=True)
    env = dict(os.environ, XDG_CONFIG_HOME=config, LC_ALL="C.UTF-8")
    report = subprocess.run([os.path.join(prefix, "bin", "velmora-check"), "t"],
                            capture_output=True, text=True, env=env).stdout
    found = re.search(r"Start from the example: (.*), then edit it\.", report)
    if not found:
        errors.append(f"velmora-check under {name!r} names no way to make the settings: {report}")
        return
    subprocess.run(["sh", "-c", found.group(1)], check=True)
    made = os.path.join(config, "velmora", "velmora.ini")
    with open(made, "rb") as f, open(os.path.join(prefix, "share/velmora/velmora-linux.ini"),
                                      "rb") as example:
        if f.read() != example.read():
            errors.append(f"the command velmora-check gave under {name!r} made another file")
    shutil.rmtree(config)


# Links as people and attackers write them: blanks, quotation marks, shell characters, a long
# one and one past what Windows takes, letters beyond ASCII raw and percent-encoded, a line
# break.
HOSTILE_LINKS = [
    "https://example.com/a b", 'https://example.com/say"hi"', "https://example.com/100%25%",
    "https://example.com/^caret&and|pipe", "https://example.com/it's", "https://example.com/`id`",
    "https://example.com/" + "x" * 2080, "https://example.com/" + "y" * 33000,
    "https://bücher.example/straße", "https://xn--bcher-kva.example/stra%C3%9Fe",
    "https://example.com/line\nbreak", "http://example.com/plain?q=1&r=2#frag",
]


def recorded_after(command, record, env):
    """What the recorder got from `command` (None when nothing started), waiting for the
    detached program."""
    if os.path.exists(record):
        os.remove(record)
    subprocess.run(command, capture_output=True, env=env, timeout=60)
    deadline = time.time() + 3
    while not os.path.exists(record) and time.time() < deadline:
        time.sleep(0.02)
    time.sleep(0.1)
    if not os.path.exists(record):
        return None
    with open(record, "rb") as f:
        return f.read()


def check_links(prefix, work, recorder, errors):
    """gio open of a link, with velmora's link entry the default for http and https: the
    template's program gets the link exactly as GLib handed it to velmora, as one argument, or
    nothing starts (only for a link with a quotation mark). What GLib hands over is learnt from
    an entry that starts the recorder directly."""
    config, data = os.path.join(work, "links config"), os.path.join(work, "links data")
    shutil.rmtree(config, ignore_errors=True)
    shutil.rmtree(data, ignore_errors=True)
    os.makedirs(os.path.join(config, "velmora"))
    os.makedirs(os.path.join(data, "applications"))
    with open(os.path.join(config, "velmora", "velmora.ini"), "w") as f:
        f.write('[Path]\ndefault=' + recorder + ' "%P"\n')
    with open(os.path.join(data, "applications", "direct.desktop"), "w") as f:
        f.write(f'[Desktop Entry]\nType=Application\nName=direct\nExec="{recorder}" %u\n'
                "MimeType=x-scheme-handler/http;x-scheme-handler/https;\n")
    record = os.path.join(work, "link record")
    env = dict(os.environ, XDG_CONFIG_HOME=config, XDG_DATA_HOME=data, VELMORA_RECORD=record,
               XDG_DATA_DIRS=os.path.join(prefix, "share") + ":/usr/share", HOME=work)
    env.pop("DISPLAY", None)

    def choose(entry):
        with open(os.path.join(config, "mimeapps.list"), "w") as f:
            f.write(f"[Default Applications]\nx-scheme-handler/http={entry}\n"
                    f"x-scheme-handler/https={entry}\n")

    through = 0
    for link in HOSTILE_LINKS:
        choose("direct.desktop")
        handed = recorded_after(["gio", "open", link], record, env)
        choose("velmora-links.desktop")
        got = recorded_after(["gio", "open", link], record, env)
        if got is None and '"' not in link:
            # Only a quotation mark keeps a link from velmora's command line (it has no escape).
            errors.append(f"gio open {link[:60]!r} started nothing through velmora")
        elif got is not None and got != handed:
            errors.append(f"gio open {link[:60]!r}: GLib handed {handed!r:.200}, the program got "
                          f"{got!r:.200}")
        through += got is not None
    for link in ("javascript:alert(1)", "file:///etc/passwd"):
        if recorded_after(["gio", "open", link], record, env) is not None:
            errors.append(f"gio open {link} reached velmora, which registers http and https only")
    print(f"links: {through} of {len(HOSTILE_LINKS)} hostile links reached the program through "
          "velmora, each as GLib handed it; the others started nothing")


def check_offered(prefix, work, errors):
    # What GLib (Nautilus, Thunar, Nemo, ...) offers for a type: only this prefix's
    # applications and the system's MIME database, with an empty PATH.
    env = {"XDG_DATA_DIRS": os.path.join(prefix, "share") + ":/usr/share",
           "XDG_DATA_HOME": os.path.join(work, "none"), "HOME": os.path.join(work, "none"),
           "PATH": ""}
    gio = shutil.which("gio")
    for mime in ORDINARY:
        listed = subprocess.run([gio, "mime", mime], capture_output=True, text=True,
                                env=env).stdout
        if "velmora.desktop" in listed:
            errors.append(f"velmora is offered for {mime} after installing alone: {listed!r}")
    print(f"offered for none of {len(ORDINARY)} types of ordinary files")


def main():
    cmake, build, recorder = sys.argv[1:4]
    errors = []
    with tempfile.TemporaryDirectory() as work:
        for index, name in enumerate(["my home $x", "100%", "x%fy", "it's \"q\" `t` 100%",
                                      "ünï 表 😀"]):
            check_prefix(cmake, build, recorder, work, name, errors, offered=index == 0)
        # Names no entry can carry, or CMake cannot install to: refused before anything is
        # installed, with the reason.
        for name, why in ((b"line\nbreak", "control character"), (b"back\\slash", "backslash"),
                          (b"latin-1 \xe9", "not UTF-8"), (b"surrogate \xed\xa0\x80", "not UTF-8")):
            prefix = os.path.join(work.encode(), name)
            refused = subprocess.run([cmake, "--install", build, "--prefix", prefix],
                                     capture_output=True)
            said = " ".join(refused.stderr.decode("utf-8", "replace").split())
            if refused.returncode == 0 or why not in said:
                errors.append(f"the prefix {name!r} was not refused for its {why}: {said}")
            if os.path.exists(prefix):
                errors.append(f"something was installed under the refused prefix {name!r}")
    for error in errors:
        print("error:", error)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
