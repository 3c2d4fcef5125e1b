#!/usr/bin/env bash
# Installs what building and testing velmora needs beyond a C++ machine with CMake, Ninja and
# GoogleTest: the mingw-w64 cross compilers, Wine (64- and 32-bit), qemu-user for running the
# 32-bit programs emulated, the ja_JP.UTF-8 locale that the code page 932 runs need (and a
# Latin-1 one), clang's libFuzzer, and the file managers' choosers (GTK 3 for Python, KDE's
# trader). Debian 12; run as root. Does nothing that is already done.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

packages=(mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64 wine32:i386
          locales python3 googletest libgtest-dev libbenchmark-dev clang libclang-rt-14-dev xvfb xdotool libx11-6 libxi6
          desktop-file-utils libglib2.0-bin shared-mime-info groff-base
          lintian dpkg-dev man-db git python3-gi gir1.2-gtk-3.0 kde-cli-tools)

need_root() {
  [ "$(id -u)" = 0 ] || { echo "install-deps: run as root to $1" >&2; exit 1; }
}

# The release this machine runs ("bookworm"); the backports suite and the fallback below name it.
codename=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}") || codename=
codename=${codename:-bookworm}

# A mirror in the middle of a sync can serve a package list that does not match its index ("File
# has unexpected size"); a later try usually gets a consistent one. Sets lists_failed to the lists
# that still failed after the last try.
lists_failed=
update_lists() {
  local log pause
  log=$(mktemp)
  for pause in 10 20 30 0; do
    apt-get update -q -o Acquire::Retries=3 >"$log" 2>&1 || true
    lists_failed=$(grep -o '^E: Failed to fetch [^ ]*' "$log" | cut -d' ' -f5- || true)
    if [ -z "$lists_failed" ] && ! grep -q '^E:' "$log"; then
      rm -f "$log"
      return 0
    fi
    if [ "$pause" != 0 ]; then
      echo "install-deps: apt-get update failed; trying again in $pause s" >&2
      sleep "$pause"
    fi
  done
  cat "$log" >&2
  rm -f "$log"
  echo "install-deps: after 4 tries these package lists still could not be fetched:" >&2
  if [ -n "$lists_failed" ]; then printf '  %s\n' $lists_failed >&2; else echo "  (none named; see apt's output above)" >&2; fi
  echo "install-deps: the mirror is probably in the middle of a sync. Run this script again in a" \
       "few minutes, or point the source in /etc/apt/sources.list(.d) at another mirror." >&2
  return 1
}

# Installs with the lists that arrived. When one architecture's list of a suite is missing, apt
# would pair new amd64 packages with old i386 ones, which multiarch refuses; the release's own
# suite, preferred over its updates, has both at one version.
install_packages() {
  local lists_ok=$1
  shift
  apt-get install -y -q --no-install-recommends "$@" && return 0
  [ "$lists_ok" = yes ] && return 1
  echo "install-deps: installing again, preferring $codename itself over the suites whose lists" \
       "failed (security updates may come later: run this script again once the mirror is whole)" >&2
  apt-get install -y -q --no-install-recommends -t "$codename" "$@"
}

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  need_root "install: ${missing[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  lists_ok=yes
  update_lists || lists_ok=no
  install_packages "$lists_ok" "${missing[@]}" ||
    { echo "install-deps: could not install: ${missing[*]}" >&2; exit 1; }
fi

# The 32-bit programs run under qemu-user where the kernel cannot run i386 code, and once
# forced through it everywhere else, so that both roads are tried on every machine. Debian 12's
# own qemu (7.2) takes about 50 s for each Wine process; the one in backports (10.0) under a
# second. The backports source uses the mirror this machine already takes Debian from.
if ! qemu-i386-static --version 2>/dev/null | grep -q 'version \(8\|9\|[1-9][0-9]\)\.'; then
  need_root "install qemu-user-static"
  backports="$codename-backports"
  if ! apt-get indextargets --format '$(RELEASE)' 2>/dev/null | grep -qx "$backports"; then
    mirror=$(apt-get indextargets --format '$(SITE) $(RELEASE)' 'Created-By: Packages' 2>/dev/null |
             awk -v suite="$codename" '$2 == suite { print $1; exit }')
    if [ -z "$mirror" ]; then
      echo "install-deps: no Debian source for $codename is configured, so $backports cannot be" \
           "added; add it by hand and install qemu-user-static from it" >&2
      exit 1
    fi
    printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      "$mirror" "$backports" > /etc/apt/sources.list.d/velmora-backports.sources
  fi
  update_lists || true
  apt-get install -y -q --no-install-recommends -t "$backports" qemu-user-static ||
    { echo "install-deps: could not install qemu-user-static from $backports" >&2; exit 1; }
fi

# Without the Linux locale, Wine maps Unix file names wrongly under LC_ALL=ja_JP.UTF-8. The
# Latin-1 de_DE is where the native build's settings text is not UTF-8, and zh_CN.GBK, zh_TW.BIG5
# and ko_KR.EUC-KR double-byte locales whose rules a UTF-8 file name must not bend.
wanted=('ja_JP.UTF-8 UTF-8:ja_JP.utf8' 'de_DE ISO-8859-1:de_DE' 'zh_CN.GBK GBK:zh_CN.gbk'
        'zh_TW.BIG5 BIG5:zh_TW.big5' 'ko_KR.EUC-KR EUC-KR:ko_KR.euckr')
generate=no
for want in "${wanted[@]}"; do
  locale -a 2>/dev/null | grep -qix "${want#*:}" || generate=yes
done
if [ "$generate" = yes ]; then
  need_root "generate the locales"
  for want in "${wanted[@]}"; do
    entry=${want%:*}
    grep -qx "$entry" /etc/locale.gen || echo "$entry" >> /etc/locale.gen
  done
  locale-gen
fi
