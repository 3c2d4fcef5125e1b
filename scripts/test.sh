#!/usr/bin/env bash
# The whole test suite: native (unit and end to end), the sanitizer build, Windows under Wine in
# the default and the Japanese locale, and a bounded fuzzing run of every fuzz target. What it
# needs is installed by scripts/install-deps.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

for preset in native asan windows windows64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

ctest --preset native
ctest --preset asan

# The product is the 32-bit velmora.exe. Where this machine cannot execute i386 code (a kernel
# without 32-bit support: wine32 then fails with "Exec format error"), the same sources built
# for x86_64 run the Windows suite under wine64; the 32-bit build gets the checks that need no
# Wine, and its programs from the zip run end to end through qemu-user (win32_qemu_*).
if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  ctest --preset windows
else
  echo "test.sh: this machine cannot run 32-bit code; the Windows suite runs the x86_64 build"
  ctest --preset windows -LE wine
  ctest --preset windows64
fi

bash scripts/fuzz.sh
