#!/usr/bin/env bash
# Makes the release from the built tree (docs/release.md):
#   out/release/Setup.exe                 the program, signed
#   out/release/<brand>/Setup.exe         each brand variant, signed
#   out/release/NAME.iso                  the medium as a CD image (ISO 9660 +
#                                         Joliet) with autorun.inf
#   out/release/NAME.zip                  the same medium as a zip archive
#   out/release/SHA256SUMS                over all of the above
# NAME is printer-installer-<FILE_VERSION of the file VERSION>.
#
# Signing (Authenticode, SHA-256, osslsigncode):
#   RELEASE_SIGN_CERT, RELEASE_SIGN_KEY  certificate (with its chain) and key,
#                                        PEM or DER; or
#   RELEASE_SIGN_PKCS12                  both in one PKCS#12 file;
#   RELEASE_SIGN_PASS_FILE               the key's password, when it has one;
#   RELEASE_SIGN_CA                      the root that the signature is checked
#                                        against (default: the system's roots);
#   RELEASE_TIMESTAMP_URL                a time-stamping server (RFC 3161).
# Without any of them the run makes a throwaway certificate, signs with it,
# leaves its certificate (never its key) in out/release and says that the
# result is for testing only.
#
# Inputs, for a release of another tree: RELEASE_PROGRAM (default out/win32),
# RELEASE_VARIANTS (folders, default out/win32-<brand> of each known brand
# that was built), RELEASE_MEDIUM (default out/medium), RELEASE_OUT (default
# out/release).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

die() { echo "release: $*" >&2; exit 1; }
need() { command -v "$1" >/dev/null || die "$1 is missing (scripts/deps.sh installs it)"; }
for t in osslsigncode openssl xorriso zip; do need "$t"; done

# --- the version ------------------------------------------------------------
version_of() {  # KEY
  sed -n "s/^$1=[[:space:]]*\\([^[:space:]]*\\)[[:space:]]*\$/\\1/p" VERSION | tail -1
}
file_version=$(version_of FILE_VERSION)
[[ $file_version =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]] ||
  die "VERSION: FILE_VERSION '$file_version' is not four dotted numbers"
name=printer-installer-$file_version

# --- the inputs -------------------------------------------------------------
program=${RELEASE_PROGRAM:-out/win32}
medium=${RELEASE_MEDIUM:-out/medium}
out=$(realpath -m -- "${RELEASE_OUT:-out/release}")
if [ -n "${RELEASE_VARIANTS+set}" ]; then
  read -r -a variants <<<"$RELEASE_VARIANTS"
else
  variants=()
  brands=$(sed -n 's/^set(BRANDS \(.*\))$/\1/p' cmake/pictures.cmake)
  for b in $brands; do
    d=out/win32-${b,,}
    [ -f "$d/Setup.exe" ] && variants+=("$d")
  done
fi
[ -f "$program/Setup.exe" ] || die "$program/Setup.exe is missing (build the win32 program first)"
[ -f "$medium/install.ini" ] || die "$medium is not a medium: no install.ini (scripts/assemble-medium.sh)"
[ -f "$medium/Setup.exe" ] || die "$medium has no Setup.exe"
# The medium carries the program it was assembled with: one built since
# would go out beside a medium that was never put together with it.
cmp -s "$program/Setup.exe" "$medium/Setup.exe" ||
  die "$medium/Setup.exe is not $program/Setup.exe: assemble the medium again (scripts/assemble-medium.sh)"
[ -e "$medium/autorun.inf" ] && die "$medium has an autorun.inf of its own; the release writes it"

# A program whose version resource is not VERSION's would go out under a
# name that is not its own.
resource_version() {  # EXE: the file version of its version resource
  local at ms ls
  at=$(LC_ALL=C grep -obUaP '\xbd\x04\xef\xfe' "$1" | head -1 | cut -d: -f1)
  [ -n "$at" ] || return 1
  read -r ms ls < <(od -An -tu4 -j $((at + 8)) -N8 "$1")
  echo "$((ms >> 16)).$((ms & 65535)).$((ls >> 16)).$((ls & 65535))"
}
for d in "$program" "${variants[@]}"; do
  [ -f "$d/Setup.exe" ] || die "$d/Setup.exe is missing"
  v=$(resource_version "$d/Setup.exe") || die "$d/Setup.exe: no version resource"
  [ "$v" = "$file_version" ] || die "$d/Setup.exe is version $v, VERSION says $file_version: build it again"
done

# --- the output folder --------------------------------------------------------
# Replaced only when it holds an earlier release (or nothing), and only by a
# whole release: everything is made in $rel first, so a failed run leaves no
# half of one behind.
if [ -e "$out" ]; then
  [ -d "$out" ] || die "$out is not a folder"
  if [ -n "$(ls -A "$out")" ] && [ ! -f "$out/SHA256SUMS" ]; then
    die "$out holds files but no earlier release (no SHA256SUMS): not emptying it"
  fi
fi
tmp=$(mktemp -d /tmp/release.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
rel=$tmp/release
mkdir "$rel"

# --- signing ------------------------------------------------------------------
sign_args=()
ca=""
testing=0
if [ -n "${RELEASE_SIGN_PKCS12:-}" ]; then
  [ -z "${RELEASE_SIGN_CERT:-}${RELEASE_SIGN_KEY:-}" ] ||
    die "RELEASE_SIGN_PKCS12 and RELEASE_SIGN_CERT/RELEASE_SIGN_KEY both set: name one"
  [ -f "$RELEASE_SIGN_PKCS12" ] || die "RELEASE_SIGN_PKCS12: $RELEASE_SIGN_PKCS12 does not exist"
  sign_args=(-pkcs12 "$RELEASE_SIGN_PKCS12")
elif [ -n "${RELEASE_SIGN_CERT:-}${RELEASE_SIGN_KEY:-}" ]; then
  # Half a signing setup is a mistake, never a reason to sign for testing.
  [ -n "${RELEASE_SIGN_CERT:-}" ] && [ -n "${RELEASE_SIGN_KEY:-}" ] ||
    die "RELEASE_SIGN_CERT and RELEASE_SIGN_KEY go together: one of them is not set"
  [ -f "$RELEASE_SIGN_CERT" ] || die "RELEASE_SIGN_CERT: $RELEASE_SIGN_CERT does not exist"
  [ -f "$RELEASE_SIGN_KEY" ] || die "RELEASE_SIGN_KEY: $RELEASE_SIGN_KEY does not exist"
  sign_args=(-certs "$RELEASE_SIGN_CERT" -key "$RELEASE_SIGN_KEY")
else
  testing=1
  openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 30 \
    -keyout "$tmp/test.key" -out "$rel/test-signing-certificate.pem" \
    -subj "/CN=Printer Installer test signing - not for distribution" \
    -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,digitalSignature,keyCertSign" \
    -addext "extendedKeyUsage=codeSigning" 2>"$tmp/openssl.log" ||
    { cat "$tmp/openssl.log" >&2; die "openssl could not make the test certificate"; }
  sign_args=(-certs "$rel/test-signing-certificate.pem" -key "$tmp/test.key")
  ca=$rel/test-signing-certificate.pem
fi
if [ -n "${RELEASE_SIGN_PASS_FILE:-}" ]; then
  [ -f "$RELEASE_SIGN_PASS_FILE" ] || die "RELEASE_SIGN_PASS_FILE: $RELEASE_SIGN_PASS_FILE does not exist"
  sign_args+=(-readpass "$RELEASE_SIGN_PASS_FILE")
fi
[ -n "${RELEASE_TIMESTAMP_URL:-}" ] && sign_args+=(-ts "$RELEASE_TIMESTAMP_URL")
if [ $testing = 0 ]; then
  ca=${RELEASE_SIGN_CA:-/etc/ssl/certs/ca-certificates.crt}
  [ -f "$ca" ] || die "no roots to check the signature against: set RELEASE_SIGN_CA"
fi

sign() {  # IN OUT
  mkdir -p "$(dirname "$2")"
  osslsigncode sign "${sign_args[@]}" -h sha256 -n "Printer Installer" \
    -in "$1" -out "$2" >"$tmp/sign.log" 2>&1 ||
    { cat "$tmp/sign.log" >&2; die "signing $1 failed"; }
  # What is shipped must verify: a wrong key, chain or password stops here.
  osslsigncode verify -CAfile "$ca" -in "$2" >"$tmp/verify.log" 2>&1 ||
    { cat "$tmp/verify.log" >&2; die "the signature of ${2#"$rel"/} does not verify against $ca"; }
  echo "signed ${2#"$rel"/}"
}
sign "$program/Setup.exe" "$rel/Setup.exe"
for d in "${variants[@]}"; do
  brand=$(basename "$d")
  brand=${brand#win32-}
  sign "$d/Setup.exe" "$rel/$brand/Setup.exe"
done

# --- the medium -----------------------------------------------------------------
stage=$tmp/$name
mkdir "$stage"
cp -r "$medium/." "$stage/"
cp "$rel/Setup.exe" "$stage/Setup.exe"
# Windows offers Setup.exe when the CD is inserted and shows its icon.
printf '%s\r\n' '[autorun]' 'open=Setup.exe' 'icon=Setup.exe,0' \
  "label=Printer Installer $file_version" >"$stage/autorun.inf"
# Volume ID: ISO 9660 d-characters, at most 32.
volid=$(echo "PRINTER_INSTALLER_$file_version" | tr . _)
xorriso -no_rc -outdev "$rel/$name.iso" -volid "${volid:0:32}" -joliet on \
  -map "$stage" / -commit >"$tmp/xorriso.log" 2>&1 ||
  { cat "$tmp/xorriso.log" >&2; die "xorriso could not write the image"; }
(cd "$tmp" && zip -q -r -X "$rel/$name.zip" "$name") || die "zip could not write the archive"

file_list=$(cd "$rel" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
(cd "$rel" && xargs -d '\n' sha256sum <<<"$file_list") >"$tmp/SHA256SUMS"
file_list+=$'\nSHA256SUMS'
mv "$tmp/SHA256SUMS" "$rel/SHA256SUMS"
rm -rf "$out"
mkdir -p "$(dirname "$out")"
mv "$rel" "$out"
echo "wrote $out: ${file_list//$'\n'/, }"
if [ $testing = 1 ]; then
  echo "release: signed with a throwaway test certificate: for testing only, not for distribution"
fi
