#!/usr/bin/env python3
"""Checks a Windows program without running it: its machine, its GUI or console subsystem, and
that it imports system DLLs only (no libstdc++, libgcc or winpthread beside it)."""
import subprocess
import sys

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "msvcrt.dll", "advapi32.dll", "shell32.dll",
               "ole32.dll"}


def main():
    objdump, exe, machine, subsystem = sys.argv[1:5]
    dump = subprocess.run([objdump, "-p", exe], capture_output=True, text=True, check=True).stdout
    errors = []
    if f"file format {machine}" not in dump:
        errors.append(f"not {machine}")
    wanted = {"gui": "(Windows GUI)", "console": "(Windows CUI)"}[subsystem]
    if not any(line.startswith("Subsystem") and wanted in line for line in dump.splitlines()):
        errors.append(f"subsystem is not {subsystem}")
    dlls = sorted({line.split(":", 1)[1].strip().lower() for line in dump.splitlines()
                   if "DLL Name:" in line})
    foreign = [dll for dll in dlls if dll not in SYSTEM_DLLS]
    if foreign:
        errors.append("imports non-system DLLs: " + ", ".join(foreign))
    print(f"{exe}: {machine}, {subsystem}, imports {', '.join(dlls)}")
    for error in errors:
        print("error:", error)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
