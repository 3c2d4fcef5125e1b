#!/usr/bin/env python3
"""cmake --install of the native build: the three programs alone in bin/, the example in
share/velmora/, and a desktop entry that validates and claims no file type, so that installing
changes no type's default program or "Open with" list (velmora-setup adds velmora where the user
asks). The prefix holds a space and shell characters, as a home folder may, or '%' (a field
code in Exec); one with a control character is refused."""
import os
import re
import shutil
import subprocess
import sys
import tempfile

# Ordinary files of every kind a user opens, by their MIME types; text/x-csrc and others come
# through their parent types (text/plain, application/xml, ...).
ORDINARY = ["text/plain", "text/x-csrc", "text/markdown", "application/pdf", "application/json",
            "image/png", "image/jpeg", "image/svg+xml", "audio/mpeg", "video/mp4",
            "application/zip", "application/vnd.oasis.opendocument.text",
            "application/vnd.openxmlformats-officedocument.wordprocessingml.document",
            "application/octet-stream"]


def exec_program(entry):
    """The program that Exec names, read back by the desktop entry rules: the string escapes,
    then "%%" for '%', then the quoted argument's escapes."""
    line = re.search(r"^Exec=(.*)$", entry, re.M).group(1)
    value = re.sub(r"\\(.)", lambda m: {"s": " ", "n": "\n", "t": "\t", "r": "\r"}.get(
        m.group(1), m.group(1)), line)
    quoted = re.match(r'"((?:[^"\\]|\\.)*)"', value.replace("%%", "\0"))
    return re.sub(r"\\(.)", r"\1", quoted.group(1)).replace("\0", "%")


def check_prefix(cmake, build, work, name, errors, offered):
    prefix = os.path.join(work, name)
    subprocess.run([cmake, "--install", build, "--prefix", prefix], check=True,
                   stdout=subprocess.DEVNULL)
    found = sorted(os.listdir(os.path.join(prefix, "bin")))
    if found != ["velmora", "velmora-check", "velmora-setup"]:
        errors.append(f"bin/ holds {found}, not the three programs alone")
    for path in ("share/applications/velmora.desktop", "share/velmora/velmora-linux.ini"):
        if not os.path.isfile(os.path.join(prefix, path)):
            errors.append(f"{path} is not installed under {name!r}")
    entry = os.path.join(prefix, "share/applications/velmora.desktop")
    validated = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
    if validated.returncode != 0 or validated.stdout or validated.stderr:
        errors.append(f"desktop-file-validate under {name!r}: " + validated.stdout +
                      validated.stderr)
    with open(entry, encoding="utf-8") as f:
        text = f.read()
    program = exec_program(text)
    if program != os.path.join(prefix, "bin", "velmora"):
        errors.append(f"Exec under {name!r} names {program!r}")
    print(f"prefix {name!r}: Exec=" + re.search(r"^Exec=(.*)$", text, re.M).group(1))
    if re.search(r"^MimeType=", text, re.M):
        errors.append(f"the desktop entry under {name!r} claims file types")
    if not offered:
        return
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
    cmake, build = sys.argv[1:3]
    errors = []
    with tempfile.TemporaryDirectory() as work:
        for index, name in enumerate(["my home $x", "100%", "x%fy"]):
            check_prefix(cmake, build, work, name, errors, offered=index == 0)
        refused = subprocess.run([cmake, "--install", build, "--prefix",
                                  os.path.join(work, "line\nbreak")], capture_output=True, text=True)
        if refused.returncode == 0 or "control character" not in " ".join(refused.stderr.split()):
            errors.append("a prefix with a line break was not refused: " + refused.stderr)
        if os.path.exists(os.path.join(work, "line\nbreak")):
            errors.append("something was installed under the refused prefix")
    for error in errors:
        print("error:", error)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
