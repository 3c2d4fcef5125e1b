#!/usr/bin/env python3
"""The manual pages: groff reads them without a warning, and each names every option that the
program's own --help names, so that the two cannot drift apart.

  check_man_pages.py GROFF MAN-FOLDER PROGRAM..."""
import os
import re
import subprocess
import sys


SECTIONS = ["NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "FILES", "ENVIRONMENT", "EXIT STATUS",
            "EXAMPLES", "SEE ALSO"]


def main():
    groff, folder, *programs = sys.argv[1:]
    errors = []
    for program in programs:
        name = os.path.basename(program)
        page = os.path.join(folder, name + ".1")
        lint = subprocess.run([groff, "-ww", "-z", "-man", page], capture_output=True, text=True)
        if lint.returncode != 0 or lint.stderr:
            errors.append(f"{page}: {lint.stderr.strip()}")
        text = subprocess.run([groff, "-man", "-Tutf8", "-P", "-cbou", page], capture_output=True,
                              text=True, env=dict(os.environ, LC_ALL="C.UTF-8")).stdout
        text = text.replace("\u2010", "-").replace("\u2212", "-")
        # The sections a user looks for, in the order man pages keep them.
        with open(page, encoding="utf-8") as f:
            sections = [line[4:].strip().strip('"') for line in f if line.startswith(".SH ")]
        wanted = [s for s in SECTIONS if s in sections]
        if wanted != SECTIONS or [s for s in sections if s in SECTIONS] != SECTIONS:
            errors.append(f"{page} has the sections {sections}, wanted {SECTIONS} among them")
        if name == "velmora":
            continue  # velmora takes no options: every argument counts
        helped = subprocess.run([program, "--help"], capture_output=True, text=True).stdout
        for option in sorted(set(re.findall(r"(?<![\w-])(--?[a-z][a-z-]*)", helped))):
            if option not in text:
                errors.append(f"{page} does not name {option}, which {name} --help names")
        print(f"{page}: read without a warning")
    for error in errors:
        print("error:", error)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
