#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need, when missing.
set -euo pipefail
# wine32 (from the i386 architecture) runs the shipped 32-bit program.
pkgs=(cmake ninja-build g++ googletest
      g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 binutils-mingw-w64-i686
      wine wine64 wine32:i386 xvfb xauth x11-apps xdotool imagemagick locales
      fonts-wqy-microhei fonts-arphic-uming python3 icoutils)
pkgs+=(libjpeg62-turbo-dev dpkg-dev)  # libjpeg: the host build's, and apt-get source for the Windows builds
pkgs+=(osslsigncode openssl xorriso zip unzip)  # scripts/release.sh: signing, the CD image, the archive
pkgs+=(clang-format)  # scripts/check-format.sh
pkgs+=(cups-client gcab)  # the helper library's tests: cupstestppd checks the PPDs, gcab makes driver.cab
SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
missing=()
for p in "${pkgs[@]}"; do
  [ -n "$p" ] || continue
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  # A mirror caught mid-sync fails one index now and then; a second try
  # usually gets it, and the install below tells plainly if a list is short.
  if ! $SUDO apt-get update -qq; then
    sleep 10
    $SUDO apt-get update -qq || echo "deps: apt-get update reported errors; installing from the lists it has"
  fi
  rest=() i386=()
  for p in "${missing[@]}"; do
    case $p in *:i386) i386+=("$p") ;; *) rest+=("$p") ;; esac
  done
  [ ${#rest[@]} -eq 0 ] || DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${rest[@]}" >/dev/null
  # 32-bit Wine only runs where the kernel runs 32-bit programs, and its
  # libraries must match the 64-bit ones to the version. When one
  # architecture's security index is short (a mirror mid-sync), the two
  # disagree: the release's own versions are then taken for both (the 64-bit
  # ones updated to them where older). Without it the tests skip the 32-bit
  # suites and say why.
  if [ ${#i386[@]} -gt 0 ] &&
     ! DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${i386[@]}" >/dev/null 2>&1; then
    # Wine's 64-bit half is named too, so that apt cannot drop it to make
    # room; its GStreamer library goes to the 32-bit one's version.
    release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    gst=libgstreamer-plugins-base1.0-0
    gst_version=$(apt-cache policy "$gst:i386" 2>/dev/null | sed -n 's/^ *Candidate: //p')
    if [ -n "$release" ] && [ -n "$gst_version" ] && [ "$gst_version" != "(none)" ] &&
       DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --allow-downgrades \
         -o APT::Default-Release="$release" "${i386[@]}" wine64 libwine \
         "$gst:i386=$gst_version" "$gst:amd64=$gst_version" >/dev/null; then
      echo "deps: ${i386[*]} installed from $release's own versions"
    else
      echo "deps: could not install ${i386[*]}: the 32-bit suites will be skipped with that reason"
    fi
  fi
fi
# Chinese locales for the Wine screenshots.
if ! locale -a 2>/dev/null | grep -qi 'zh_CN.utf8' || ! locale -a 2>/dev/null | grep -qi 'zh_TW.utf8'; then
  for l in "zh_CN.UTF-8 UTF-8" "zh_TW.UTF-8 UTF-8" "en_US.UTF-8 UTF-8"; do
    grep -q "^$l" /etc/locale.gen 2>/dev/null || echo "$l" | $SUDO tee -a /etc/locale.gen >/dev/null
  done
  $SUDO locale-gen >/dev/null
fi
"$(dirname "$0")/libjpeg.sh" fetch  # Debian's libjpeg-turbo sources, once, for the Windows builds
