#!/usr/bin/env bash
# Builds the Windows zip and the Debian package a second time, from a clone of the same commit
# in another folder, minutes after the first build, and compares the bytes with those of
# build/windows and build/release. The same commit must give the same programs, zip and package.
set -euo pipefail
cd "$(dirname "$0")/.."
here=$PWD
work=$(mktemp -d /tmp/velmora-again.XXXXXX)
trap 'rm -rf "$work"' EXIT
cmake --build --preset windows --target package >/dev/null
cmake --build --preset release --target package >/dev/null
git clone -q "$here" "$work/other source"
cd "$work/other source"
git checkout -q "$(git -C "$here" rev-parse HEAD)"
for preset in windows release; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target package >/dev/null
done
status=0
compare() {
  local first=$1 second=$2
  if cmp -s "$first" "$second"; then
    echo "reproducible: $(basename "$first") $(sha256sum "$first" | cut -d' ' -f1)"
  else
    echo "reproducible: $(basename "$first") DIFFERS between $first and $second"
    status=1
  fi
}
for file in "$here"/build/windows/velmora-*-win32.zip "$here"/build/windows/velmora-*.zip.sha256 \
            "$here"/build/release/velmora_*.deb; do
  compare "$file" "build/${file#"$here"/build/}"
done
for program in velmora velmora-check velmora-utf8 velmora-check-utf8 velmora-setup; do
  compare "$here/build/windows/$program.exe" "build/windows/$program.exe"
done
exit $status
