#!/usr/bin/env bash
# Installs what building and testing velmora needs beyond a C++ machine with CMake, Ninja and
# GoogleTest: the mingw-w64 cross compilers, Wine (64- and 32-bit), the ja_JP.UTF-8 locale that
# the code page 932 runs need (and a Latin-1 one), and clang's libFuzzer. Debian 12; run as root. Does nothing that is already done.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

packages=(mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64 wine32:i386
          locales python3 googletest libgtest-dev libbenchmark-dev clang libclang-rt-14-dev xvfb xdotool libx11-6 libxi6
          desktop-file-utils libglib2.0-bin shared-mime-info)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  [ "$(id -u)" = 0 ] || { echo "install-deps: run as root to install: ${missing[*]}" >&2; exit 1; }
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Where the kernel cannot run i386 code, the 32-bit programs run under qemu-user. Debian 12's own
# qemu (7.2) takes about 50 s for each Wine process; the one in bookworm-backports (10.0)
# under a second.
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1 && ! qemu-i386-static --version 2>/dev/null | grep -q 'version \(8\|9\|[1-9][0-9]\)\.'; then
  [ "$(id -u)" = 0 ] || { echo "install-deps: run as root to install qemu-user-static" >&2; exit 1; }
  if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d; then
    printf 'Types: deb\nURIs: http://deb.debian.org/debian\nSuites: bookworm-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      > /etc/apt/sources.list.d/velmora-backports.sources
  fi
  apt-get update -q
  apt-get install -y -q --no-install-recommends -t bookworm-backports qemu-user-static
fi

# Without the Linux locale, Wine maps Unix file names wrongly under LC_ALL=ja_JP.UTF-8. The
# Latin-1 de_DE is where the native build's settings text is not UTF-8.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' || ! locale -a 2>/dev/null | grep -qx 'de_DE'; then
  [ "$(id -u)" = 0 ] || { echo "install-deps: run as root to generate the locales" >&2; exit 1; }
  for entry in 'ja_JP.UTF-8 UTF-8' 'de_DE ISO-8859-1'; do
    grep -qx "$entry" /etc/locale.gen || echo "$entry" >> /etc/locale.gen
  done
  locale-gen
fi
