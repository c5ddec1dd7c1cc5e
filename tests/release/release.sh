#!/usr/bin/env bash
# scripts/release.sh on copies of the built tree (out/win32, its brand
# variants, out/medium): the signatures verify with the run's test
# certificate as the trusted root, the CD image reads back (Joliet names) as
# the medium with autorun.inf, the archive round-trips, the checksums match;
# a real certificate's run; and the inputs it must refuse.
# RELEASE_PROGRAM, RELEASE_VARIANTS and RELEASE_MEDIUM choose the inputs.
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 1
passed=0 failed=0
ok() { passed=$((passed + 1)); echo "ok $1"; }
fail() { failed=$((failed + 1)); echo "FAIL $1: $2"; }
finish() { echo "$passed passed, $failed failed"; [ "$failed" -eq 0 ]; exit; }

tmp=$(mktemp -d /tmp/release-test.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
program=${RELEASE_PROGRAM:-out/win32}
medium=${RELEASE_MEDIUM:-out/medium}
if [ -n "${RELEASE_VARIANTS+set}" ]; then
  read -r -a variants <<<"$RELEASE_VARIANTS"
else
  variants=()
  for b in $(sed -n 's/^set(BRANDS \(.*\))$/\1/p' cmake/pictures.cmake); do
    [ -f "out/win32-${b,,}/Setup.exe" ] && variants+=("out/win32-${b,,}")
  done
fi
if [ ! -f "$program/Setup.exe" ] || [ ! -f "$medium/install.ini" ]; then
  fail "inputs" "$program/Setup.exe or $medium is not built (scripts/build.sh)"
  finish
fi

# The copies the release is made from.
in=$tmp/in
mkdir -p "$in/win32"
cp "$program/Setup.exe" "$in/win32/"
cp -r "$medium" "$in/medium"
vars=""
for d in "${variants[@]}"; do
  mkdir -p "$in/$(basename "$d")"
  cp "$d/Setup.exe" "$in/$(basename "$d")/"
  vars+="$in/$(basename "$d") "
done
release() {  # OUT [VAR=VALUE...]: runs scripts/release.sh on the copies
  local o=$1
  shift
  env -u RELEASE_SIGN_CERT -u RELEASE_SIGN_KEY -u RELEASE_SIGN_PKCS12 -u RELEASE_SIGN_CA \
    -u RELEASE_SIGN_PASS_FILE -u RELEASE_TIMESTAMP_URL RELEASE_PROGRAM="$in/win32" \
    RELEASE_VARIANTS="$vars" RELEASE_MEDIUM="$in/medium" RELEASE_OUT="$o" "$@" scripts/release.sh
}

rel=$tmp/release
log=$(release "$rel" 2>&1)
rc=$?
version=$(sed -n 's/^FILE_VERSION=//p' VERSION)
name=printer-installer-$version
if [ $rc -ne 0 ]; then
  fail "release runs" "exit $rc: $log"
  finish
fi
if grep -q "for testing only" <<<"$log" && [ -f "$rel/test-signing-certificate.pem" ]; then
  ok "without a certificate: signed with a test certificate, said to be for testing only"
else
  fail "test signing" "no testing-only line or no test certificate: $log"
fi

# --- signatures -------------------------------------------------------------------
ca=$rel/test-signing-certificate.pem
signed=("$rel/Setup.exe")
for d in "${variants[@]}"; do signed+=("$rel/$(basename "$d" | sed 's/^win32-//')/Setup.exe"); done
bad=""
for f in "${signed[@]}"; do
  out=$(osslsigncode verify -CAfile "$ca" -in "$f" 2>&1) || bad+="$f: $out "
  grep -q "Message digest algorithm *: SHA256" <<<"$out" || bad+="$f: not SHA-256 "
done
# A signed program changed afterwards must fail the same check.
cp "$rel/Setup.exe" "$tmp/tampered.exe"
printf 'X' | dd of="$tmp/tampered.exe" bs=1 seek=4096 conv=notrunc status=none
osslsigncode verify -CAfile "$ca" -in "$tmp/tampered.exe" >/dev/null 2>&1 && bad+="a changed program verifies "
if [ -z "$bad" ] && [ ${#signed[@]} -eq $((1 + ${#variants[@]})) ]; then
  ok "the program and ${#variants[@]} variant(s) are signed (SHA-256) and verify; a changed copy does not"
else
  fail "signatures" "$bad"
fi

# --- the medium: image and archive ---------------------------------------------------------
# What both must hold: the medium, the signed program, autorun.inf.
expect=$tmp/expect
cp -r "$in/medium" "$expect"
cp "$rel/Setup.exe" "$expect/Setup.exe"
iso=$rel/$name.iso
# Windows reads the Joliet tree: Rock Ridge left aside, the names are the medium's.
joliet=$tmp/joliet
xorriso -no_rc -read_fs norock -indev "$iso" -osirrox on -extract / "$joliet" >"$tmp/x.log" 2>&1
autorun=$(tr -d '\r' <"$joliet/autorun.inf" 2>/dev/null)
if grep -qx '\[autorun\]' <<<"$autorun" && grep -qix 'open=Setup.exe' <<<"$autorun" &&
   grep -qix 'icon=Setup.exe,0' <<<"$autorun"; then
  ok "autorun.inf opens Setup.exe and shows its icon"
else
  fail "autorun.inf" "reads: $autorun"
fi
cp "$joliet/autorun.inf" "$expect/" 2>/dev/null
listed=$(xorriso -no_rc -read_fs norock -indev "$iso" -find / -type f 2>/dev/null | tr -d "'" | sed 's|^/||' | sort)
want=$(cd "$expect" && find . -type f | sed 's|^\./||' | sort)
if [ "$listed" = "$want" ] && diff -r "$expect" "$joliet" >"$tmp/diff" 2>&1; then
  ok "the image's Joliet tree is the medium with the signed program and autorun.inf"
else
  fail "image" "$(diff <(echo "$want") <(echo "$listed") | head -5; head -5 "$tmp/diff" 2>/dev/null)"
fi
vol=$(xorriso -no_rc -indev "$iso" -pvd_info 2>/dev/null | sed -n 's/^Volume Id *: *//p')
if [ "$vol" = "PRINTER_INSTALLER_${version//./_}" ]; then
  ok "the image's volume ID names the version"
else
  fail "volume ID" "'$vol'"
fi
mkdir "$tmp/unzip"
if (cd "$tmp/unzip" && unzip -q "$rel/$name.zip") && diff -r "$expect" "$tmp/unzip/$name" >"$tmp/diff" 2>&1 &&
   [ "$(ls "$tmp/unzip")" = "$name" ]; then
  ok "the archive unpacks to $name/ holding the same medium"
else
  fail "archive" "$(head -5 "$tmp/diff")"
fi

# --- checksums ---------------------------------------------------------------------------
summed=$(awk '{print $2}' "$rel/SHA256SUMS" | sort)
held=$(cd "$rel" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | sort)
if (cd "$rel" && sha256sum --quiet -c SHA256SUMS >"$tmp/sums" 2>&1) && [ "$summed" = "$held" ]; then
  ok "SHA256SUMS covers every file of the release and matches"
else
  fail "checksums" "$(cat "$tmp/sums") listed: $summed held: $held"
fi

# --- a real certificate: a root and a code-signing certificate it issued --------------------
pki=$tmp/pki
mkdir "$pki"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Release test root" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign" \
  -keyout "$pki/root.key" -out "$pki/root.pem" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -subj "/CN=Release test publisher" \
  -keyout "$pki/sign.key" -out "$pki/sign.csr" 2>/dev/null
printf 'keyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >"$pki/ext"
openssl x509 -req -in "$pki/sign.csr" -CA "$pki/root.pem" -CAkey "$pki/root.key" -CAcreateserial \
  -days 2 -extfile "$pki/ext" -out "$pki/sign.pem" 2>/dev/null
real=$tmp/real
log=$(release "$real" RELEASE_SIGN_CERT="$pki/sign.pem" RELEASE_SIGN_KEY="$pki/sign.key" \
  RELEASE_SIGN_CA="$pki/root.pem" 2>&1)
rc=$?
who=$(osslsigncode verify -CAfile "$pki/root.pem" -in "$real/Setup.exe" 2>&1)
if [ $rc -eq 0 ] && ! grep -q "testing" <<<"$log" && [ ! -e "$real/test-signing-certificate.pem" ] &&
   grep -q "Subject: /CN=Release test publisher" <<<"$who" && grep -q "^Succeeded" <<<"$who"; then
  ok "with RELEASE_SIGN_CERT and RELEASE_SIGN_KEY: signed by that certificate, nothing for testing"
else
  fail "real certificate" "exit $rc: $log / $who"
fi
# A certificate that does not chain to the root named stops the release,
# and the failed run leaves the earlier release as it was.
log=$(release "$real" RELEASE_SIGN_CERT="$pki/sign.pem" RELEASE_SIGN_KEY="$pki/sign.key" \
  RELEASE_SIGN_CA="$ca" 2>&1)
rc=$?
if [ $rc -ne 0 ] && grep -q "does not verify" <<<"$log" &&
   (cd "$real" && sha256sum --quiet -c SHA256SUMS) && [ "$(ls "$real")" = "$(ls "$rel" | grep -v test-)" ]; then
  ok "a signature that does not verify against RELEASE_SIGN_CA stops the release; the earlier one stays"
else
  fail "wrong root" "exit $rc: $log"
fi

# --- what it refuses -------------------------------------------------------------------
refusals=""
refuses() {  # WHAT PATTERN OUT [VAR=VALUE...]
  local what=$1 pattern=$2 o=$3 out rc
  shift 3
  out=$(release "$o" "$@" 2>&1)
  rc=$?
  if [ $rc -eq 0 ] || ! grep -q "$pattern" <<<"$out"; then refusals+="$what (exit $rc: $out) "; fi
}
# Half a signing setup must not fall back to test signing.
refuses "a certificate without its key" "go together" "$tmp/half" RELEASE_SIGN_CERT="$pki/sign.pem"
[ -e "$tmp/half/Setup.exe" ] && refusals+="half setup signed something "
# A medium assembled with another program than the one being released.
cp -r "$in/medium" "$tmp/stale"
printf 'x' >>"$tmp/stale/Setup.exe"
refuses "a stale medium" "assemble the medium again" "$tmp/o2" RELEASE_MEDIUM="$tmp/stale"
# A folder that is not an earlier release is not emptied.
mkdir "$tmp/keep" && echo precious >"$tmp/keep/notes.txt"
refuses "a foreign output folder" "not emptying" "$tmp/keep"
[ -f "$tmp/keep/notes.txt" ] || refusals+="the foreign folder's file is gone "
# A program built with another version than VERSION says.
fake=$tmp/tree
mkdir -p "$fake/scripts" "$fake/cmake"
cp scripts/release.sh "$fake/scripts/"
cp cmake/pictures.cmake "$fake/cmake/"
sed 's/^FILE_VERSION=.*/FILE_VERSION=9.8.7.6/' VERSION >"$fake/VERSION"
out=$(env RELEASE_PROGRAM="$in/win32" RELEASE_VARIANTS="" RELEASE_MEDIUM="$in/medium" \
  RELEASE_OUT="$tmp/o3" "$fake/scripts/release.sh" 2>&1)
rc=$?
{ [ $rc -ne 0 ] && grep -q "VERSION says 9.8.7.6" <<<"$out"; } || refusals+="another version (exit $rc: $out) "
if [ -z "$refusals" ]; then
  ok "refuses half a signing setup, a stale medium, a foreign output folder, a program of another version"
else
  fail "refusals" "$refusals"
fi
finish
