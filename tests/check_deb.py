#!/usr/bin/env python3
"""The Debian package as a user takes it: lintian finds no error and no warning; dpkg installs
it; the installed velmora starts the example's template and man finds its page; dpkg removes it,
and nothing of it is left. Needs root, and changes the system only for the time of the test."""
import os
import subprocess
import sys


def run(*command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, timeout=600, **kwargs)


def main():
    deb = sys.argv[1]
    errors = []
    if os.geteuid() != 0:
        print("skipped: dpkg -i needs root")
        return 77
    linted = run("lintian", "--fail-on", "error,warning", "--tag-display-limit", "0", deb)
    if linted.returncode != 0:
        errors.append("lintian: " + linted.stdout + linted.stderr)
    name = run("dpkg-deb", "-f", deb, "Package").stdout.strip()
    files = [line.split()[-1].lstrip(".") for line in run("dpkg-deb", "-c", deb).stdout.splitlines()
             if not line.startswith("d")]
    if run("dpkg", "-s", name).returncode == 0:
        print(f"skipped: {name} is installed on this machine already")
        return 77
    installed = run("dpkg", "-i", deb)
    try:
        if installed.returncode != 0:
            errors.append("dpkg -i: " + installed.stdout + installed.stderr)
        # The example's default template echoes; velmora itself prints nothing and does not
        # wait, so the line comes from the program it started.
        started = run("/usr/bin/velmora", "/ini=/usr/share/velmora/velmora-linux.ini", "file.txt")
        if (started.returncode, started.stdout, started.stderr) != (
                0, "velmora started the default template for file.txt\n", ""):
            errors.append(f"velmora: {started}")
        page = run("man", "-w", "velmora")
        if page.returncode != 0 or not page.stdout.strip().startswith("/usr/share/man/man1/"):
            errors.append(f"man -w velmora: {page.stdout}{page.stderr}")
        checked = run("/usr/bin/velmora-check", "--version")
        if "MIT licence" not in checked.stdout:
            errors.append(f"velmora-check --version: {checked.stdout}")
        print(f"installed: {len(files)} files; {page.stdout.strip()}; {started.stdout.strip()!r}")
    finally:
        removed = run("dpkg", "--purge", name)
        if removed.returncode != 0:
            errors.append("dpkg --purge: " + removed.stdout + removed.stderr)
    left = [path for path in files if os.path.lexists(path)]
    if left or os.path.exists("/usr/share/velmora") or os.path.exists("/usr/share/doc/velmora"):
        errors.append(f"left after removal: {left}")
    for error in errors:
        print("error:", error)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
