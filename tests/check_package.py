#!/usr/bin/env python3
"""Checks the Windows zip: exactly its nine files in one folder "velmora", the five programs importing system DLLs only,
and the version resource of each carrying the project version, its own file name and, for the
UTF-8 variants, a description that says so; the UTF-8 variants' manifest asks for UTF-8."""
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
        for key, value in re.findall(r"(ProductVersion|FileVersion|OriginalFilename|ProductName|"
                                     r"FileDescription)\x00+([ -~]+?)\x00", text):
            values.setdefault(key, value)
    return values


def main():
    zip_path, objdump, machine, version = sys.argv[1:5]
    errors = []
    with zipfile.ZipFile(zip_path) as archive, tempfile.TemporaryDirectory() as work:
        # One folder, named without the version, so that an upgrade unpacks where the
        # registrations point.
        names = sorted(archive.namelist())
        programs = {"velmora.exe": "gui", "velmora-check.exe": "console",
                    "velmora-utf8.exe": "gui", "velmora-check-utf8.exe": "console",
                    "velmora-setup.exe": "console"}
        expected = sorted("velmora/" + name
                          for name in ["readme.txt", "velmora.ini", "links.ini", "LICENSE.txt",
                                       *programs])
        if names != expected:
            errors.append(f"zip holds {names}, expected {expected}")
        archive.extractall(work)
        work = os.path.join(work, "velmora")
        names = [name[len("velmora/"):] for name in names]
        print(f"{zip_path}: {os.path.getsize(zip_path)} bytes; " +
              ", ".join(f"{n} {os.path.getsize(os.path.join(work, n))}" for n in names))
        for exe, subsystem in programs.items():
            path = os.path.join(work, exe)
            if not os.path.exists(path):
                continue
            if subprocess.run([sys.executable, os.path.join(HERE, "check_pe.py"), objdump, path,
                               machine, subsystem]).returncode != 0:
                errors.append(f"{exe} fails the PE check")
            with open(path, "rb") as f:
                data = f.read()
            values = version_strings(data)
            print(f"{exe}: {values}")
            utf8 = exe.endswith("-utf8.exe")
            if ("(UTF-8)" in values.get("FileDescription", "")) != utf8:
                errors.append(f"{exe}: description {values.get('FileDescription')!r}")
            if (b">UTF-8</activeCodePage>" in data) != utf8:
                errors.append(f"{exe}: the manifest's active code page is wrong")
            for key, wanted in (("ProductVersion", version), ("FileVersion", version),
                                ("OriginalFilename", exe), ("ProductName", "velmora")):
                if values.get(key) != wanted:
                    errors.append(f"{exe}: {key} is {values.get(key)!r}, expected {wanted!r}")
        for text in ("velmora.ini", "links.ini", "readme.txt", "LICENSE.txt"):
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
