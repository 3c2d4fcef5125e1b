#!/usr/bin/env bash
# The whole test suite: native (unit and end to end), the sanitizer build, Windows under Wine in
# the Western and the Japanese locale, each also with UTF-8 as the code page (the UTF-8 variants
# and the unit tests built with their manifest), and a bounded fuzzing run
# of every fuzz target. What it needs is installed by scripts/install-deps.sh. A failing suite
# does not stop the others: every suite runs, a summary of all of them ends the output, and the
# status is 1 when any failed.
set -uo pipefail
cd "$(dirname "$0")/.."

results=()
failed=0
suite() {
  local name=$1
  shift
  echo "test.sh: == $name"
  if "$@"; then
    results+=("passed  $name")
  else
    results+=("FAILED  $name")
    failed=$((failed + 1))
  fi
}

build() {
  cmake --preset "$1" -DVELMORA_REQUIRE_TESTS=ON >/dev/null && cmake --build --preset "$1"
}

# A probe that cannot run (the loader itself is an i386 program) answers "no".
kernel_runs_i386() {
  /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

for preset in native asan windows windows64; do
  suite "build $preset" build "$preset"
done

suite "native" ctest --preset native
suite "asan" ctest --preset asan

# The product is the 32-bit velmora.exe. Where this machine cannot execute i386 code, the same
# sources built for x86_64 run the Windows suite under wine64; the 32-bit build gets the checks
# that need no Wine, and its programs from the zip run end to end through qemu-user
# (win32_qemu_*). Where it can, one win32_qemu case is forced through qemu-user as well.
if kernel_runs_i386; then
  echo "test.sh: this kernel runs i386 code: the 32-bit programs run natively, and one case" \
       "through qemu-user (win32_qemu_forced_western)"
  suite "windows (32-bit, under wine32)" ctest --preset windows
  # Keys really held are read on both builds in every run: here the x86_64 one too.
  suite "windows64 held keys (under wine64)" ctest --preset windows64 -L keys
else
  echo "test.sh: this kernel cannot run i386 code, so the native road of the 32-bit programs" \
       "is not taken here: they run through qemu-user, and the Wine suites on the x86_64 build"
  suite "windows (32-bit, without Wine, and through qemu-user)" ctest --preset windows -LE wine
  suite "windows64 (under wine64)" ctest --preset windows64
fi

# The user's build and the Debian package: lintian, install, run, remove.
suite "release package (.deb)" bash -c 'cmake --preset release >/dev/null &&
  cmake --build --preset release --target package &&
  python3 tests/check_deb.py build/release/velmora_*.deb'
suite "reproducible zip and .deb" bash scripts/reproducible.sh
# The README's first command, as a new user runs it: the last line it prints is the template's.
readme_run() {
  local command last
  command=$(awk '/^```sh$/ { inside = 1; next } /^```$/ { if (inside) exit } inside' README.md)
  last=$(bash -c "$command" 2>&1 | tail -n 1)
  echo "README run command printed: $last"
  [ "$last" = "velmora started the default template for README.md" ]
}
suite "README run command" readme_run

suite "fuzz" bash scripts/fuzz.sh

echo "test.sh: summary"
printf '  %s\n' "${results[@]}"
echo "test.sh: $((${#results[@]} - failed)) passed, $failed failed"
[ "$failed" = 0 ]
