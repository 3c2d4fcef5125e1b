#!/usr/bin/env python3
"""Checks the Windows zip: exactly the four files, both programs importing system DLLs only,
and the version resource of each carrying the project version and its own file name."""
import os
import re
import subprocess
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))


def version_strings(exe_bytes):
    """The StringFileInfo values of a PE file, read from its UTF-16 text."""
    values = {}
    for offset in (0, 1):
        text = exe_bytes[offset:].decode("utf-16-le", errors="replace")
        for key, value in re.findall(r"(ProductVersion|FileVersion|OriginalFilename|ProductName)"
                                     r"\x00+([ -~]+?)\x00", text):
            values.setdefault(key, value)
    return values


def main():
    zip_path, objdump, machine, version = sys.argv[1:5]
    errors = []
    with zipfile.ZipFile(zip_path) as archive, tempfile.TemporaryDirectory() as work:
        names = sorted(archive.namelist())
        expected = ["readme.txt", "velmora-check.exe", "velmora.exe", "velmora.ini"]
        if names != expected:
            errors.append(f"zip holds {names}, expected {expected}")
        archive.extractall(work)
        print(f"{zip_path}: {os.path.getsize(zip_path)} bytes; " +
              ", ".join(f"{n} {os.path.getsize(os.path.join(work, n))}" for n in names))
        for exe, subsystem in (("velmora.exe", "gui"), ("velmora-check.exe", "console")):
            path = os.path.join(work, exe)
            if not os.path.exists(path):
                continue
            if subprocess.run([sys.executable, os.path.join(HERE, "check_pe.py"), objdump, path,
                               machine, subsystem]).returncode != 0:
                errors.append(f"{exe} fails the PE check")
            with open(path, "rb") as f:
                values = version_strings(f.read())
            print(f"{exe}: {values}")
            for key, wanted in (("ProductVersion", version), ("FileVersion", version),
                                ("OriginalFilename", exe), ("ProductName", "velmora")):
                if values.get(key) != wanted:
                    errors.append(f"{exe}: {key} is {values.get(key)!r}, expected {wanted!r}")
        for text in ("velmora.ini", "readme.txt"):
            path = os.path.join(work, text)
            if os.path.exists(path):
                data = open(path, "rb").read()
                if data.count(b"\n") != data.count(b"\r\n") or b"\r\n" not in data:
                    errors.append(f"{text} does not have CRLF line endings")
    for error in errors:
        print("error:", error)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
