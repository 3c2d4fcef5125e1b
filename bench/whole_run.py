#!/usr/bin/env python3
"""Times whole runs of velmora starting /bin/true against a minimal C program that only starts
the same child with posix_spawn and exits. Reports the median of paired runs and their ratio."""
import argparse
import os
import statistics
import subprocess
import tempfile
import time

MINIMAL = r"""
#include <spawn.h>
extern char **environ;
int main(int argc, char **argv) {
  pid_t pid;
  char *child[] = {"/bin/true", argv[argc - 1], 0};
  posix_spawn(&pid, "/bin/true", 0, 0, child, environ);
  return 0;
}
"""


def timed(command):
    start = time.perf_counter()
    subprocess.run(command, check=True)
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--velmora", default="build/native/velmora")
    parser.add_argument("--runs", type=int, default=400)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "minimal.c")
        minimal = os.path.join(work, "minimal")
        with open(source, "w") as f:
            f.write(MINIMAL)
        subprocess.run(["cc", "-O2", source, "-o", minimal], check=True)
        settings = os.path.join(work, "velmora.ini")
        with open(settings, "w") as f:
            f.write("[Path]\r\ndefault=/bin/true %P\r\n")
        velmora = [args.velmora, "/ini=" + settings, "/tmp/some file.txt"]
        baseline = [minimal, "/tmp/some file.txt"]
        for _ in range(20):  # warm the page cache
            timed(velmora), timed(baseline)
        pairs = [(timed(velmora), timed(baseline)) for _ in range(args.runs)]
    v = statistics.median(p[0] for p in pairs)
    b = statistics.median(p[1] for p in pairs)
    r = statistics.median(p[0] / p[1] for p in pairs)
    print(f"runs: {args.runs} pairs")
    print(f"velmora:        median {v * 1e3:.3f} ms")
    print(f"minimal starter: median {b * 1e3:.3f} ms")
    print(f"ratio (median of paired ratios): {r:.3f}")


if __name__ == "__main__":
    main()
