#!/usr/bin/env python3
"""Checks that the folders of velmora's sources include each other without a circle, so that
each layer builds on the ones below it only, and that the backends (host/) depend on the seam
and the text rules, never on the launcher, the program or velmora-check above them, and that the
launcher never names the role only velmora-check may ask (Inspection), and that velmora-setup's
desktops (setup/linux, setup/windows) never include each other and its engine neither of them. Prints the folder graph;
exits 1 on a circle, a backend reaching up or the launcher reaching for that role."""
import os
import re
import sys

FOLDERS = ["app", "check", "host", "host/posix", "launcher", "platform", "setup/engine",
           "setup/linux", "setup/windows", "testing", "text"]
# What a backend may not include: the layers it serves.
BACKENDS = ["host", "host/posix"]
ABOVE_BACKENDS = ["app", "check", "launcher", "setup/engine", "setup/linux", "setup/windows"]
# velmora-setup's desktops each build on its engine alone; the engine knows neither.
SETUP_DESKTOPS = ["setup/linux", "setup/windows"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def folder_of(path):
    directory = os.path.dirname(path)
    return directory if directory in FOLDERS else None


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    edges = {folder: set() for folder in FOLDERS}
    for folder in FOLDERS:
        for name in sorted(os.listdir(os.path.join(root, folder))):
            if not name.endswith((".h", ".cc")) or name.endswith("_test.cc"):
                continue
            with open(os.path.join(root, folder, name), encoding="utf-8") as f:
                for included in INCLUDE.findall(f.read()):
                    target = folder_of(included)
                    if target and target != folder:
                        edges[folder].add(target)
    for folder in FOLDERS:
        print(f"{folder} -> {', '.join(sorted(edges[folder])) or '(nothing)'}")

    reaching_up = [f"{backend} -> {target}" for backend in BACKENDS
                   for target in sorted(edges[backend]) if target in ABOVE_BACKENDS]
    if reaching_up:
        print("backend reaching up: " + ", ".join(reaching_up))
        return 1

    crossing = [f"{folder} -> {target}" for folder in ["setup/engine"] + SETUP_DESKTOPS
                for target in sorted(edges[folder]) if target in SETUP_DESKTOPS]
    if crossing:
        print("velmora-setup's desktops reaching each other or the engine reaching a desktop: " +
              ", ".join(crossing))
        return 1

    # What only velmora-check asks stays out of the launcher's reach.
    for folder in ("app", "launcher", "text"):
        for name in sorted(os.listdir(os.path.join(root, folder))):
            if name.endswith((".h", ".cc")) and not name.endswith("_test.cc"):
                with open(os.path.join(root, folder, name), encoding="utf-8") as f:
                    if re.search(r"\b(Inspection|PlatformRoles)\b", f.read()):
                        print(f"{folder}/{name} names velmora-check's own role")
                        return 1

    # Depth-first search; a folder met again while still on the path closes a circle.
    state = {}

    def visit(folder, path):
        state[folder] = "open"
        for target in sorted(edges[folder]):
            if state.get(target) == "open":
                return path + [folder, target]
            if target not in state:
                circle = visit(target, path + [folder])
                if circle:
                    return circle
        state[folder] = "done"
        return None

    for folder in FOLDERS:
        if folder not in state:
            circle = visit(folder, [])
            if circle:
                start = circle.index(circle[-1])
                print("circle: " + " -> ".join(circle[start:]))
                return 1
    print("no circle")
    return 0


if __name__ == "__main__":
    sys.exit(main())
