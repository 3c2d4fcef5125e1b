#!/usr/bin/env bash
# Runs the 32-bit product end to end once on a machine whose kernel cannot execute i386 code:
# wine32 goes through qemu-user for as long as this script runs. Slow (about 4 minutes for the
# Wine prefix and 3 more for the run), so it is not part of scripts/test.sh. Needs root, the
# windows preset built, and the packages qemu-user-static and wine32.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$PWD/build/windows
work=$(mktemp -d)
register=/proc/sys/fs/binfmt_misc/register
grep -q binfmt_misc /proc/mounts || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
echo ':velmora-qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' > "$register"
trap 'echo -1 > /proc/sys/fs/binfmt_misc/velmora-qemu-i386; rm -rf "$work"' EXIT

cp "$build/velmora.exe" "$build/tests/starter.exe" "$build/tests/recorder.exe" "$work/"
win=$(printf 'Z:%s' "$work" | tr / '\\')
printf '[Path]\r\ndefault=%s\\recorder.exe "%%P" %%O1\r\n' "$win" > "$work/velmora.ini"
printf '"%s\\velmora.exe" -x "C:\\a b\\t.txt"' "$win" > "$work/line"
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot --init
VELMORA_RECORD="$win\\record" wine "$work/starter.exe" "$win\\line"
expected="$win\\recorder.exe \"C:\\a b\\t.txt\" -x"
got=$(tr -d '\0' < "$work/record")
if [ "$got" = "$expected" ]; then
  echo "32-bit velmora.exe started: $got"
else
  echo "expected: $expected"
  echo "got:      $got"
  exit 1
fi
