#!/usr/bin/env python3
"""cmake --install of the native build puts the programs, the desktop file and the settings in
place, and a second install keeps the user's edited settings."""
import os
import subprocess
import sys
import tempfile


def main():
    cmake, build = sys.argv[1:3]
    errors = []
    with tempfile.TemporaryDirectory() as prefix:
        def install():
            subprocess.run([cmake, "--install", build, "--prefix", prefix], check=True,
                           stdout=subprocess.DEVNULL)
        install()
        for path in ("bin/velmora", "bin/velmora-check", "bin/velmora.ini",
                     "share/applications/velmora.desktop", "share/velmora/velmora-linux.ini"):
            if not os.path.isfile(os.path.join(prefix, path)):
                errors.append(f"{path} is not installed")
        desktop = open(os.path.join(prefix, "share/applications/velmora.desktop")).read()
        if "Exec=velmora %f" not in desktop or "MimeType=" not in desktop:
            errors.append("the desktop file does not offer velmora for files")
        settings = os.path.join(prefix, "bin/velmora.ini")
        with open(settings, "w") as f:
            f.write("[Path]\ndefault=edited\n")
        install()
        if open(settings).read() != "[Path]\ndefault=edited\n":
            errors.append("a second install overwrote the edited settings")
    for error in errors:
        print("error:", error)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
