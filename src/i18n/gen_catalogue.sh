#!/bin/sh
# Turns catalogue.txt (UTF-8) into catalogue_texts.inc: one
# I18N_TEXT(name, english, simplified, traditional) row per entry, each text
# as C string literal of its exact bytes (ASCII, code page 936, code page 950).
#
#   gen_catalogue.sh catalogue.txt out/catalogue_texts.inc [iconv]
#
# Runs on the build host for every build. Conversion is strict: a character
# that the target code page cannot hold, a text that does not come back
# unchanged, an empty or missing text, or an unknown escape stops the build
# with the entry and language named.
set -eu

in=$1
out=$2
ICONV=${3:-iconv}

work=$(mktemp -d "${TMPDIR:-/tmp}/catalogue.XXXXXX")
trap 'rm -rf "$work"' EXIT

line_no=0
where=0
fail() {
  printf '%s:%s: %s\n' "$in" "$where" "$*" >&2
  exit 1
}

# Converts one text (UTF-8, escapes still written out) into the code page $1
# and prints it as a C string literal.
literal() {
  charset=$1
  text=$2
  what=$3
  # Only \r, \n and {Brand} are special; anything else with a backslash is a typo.
  rest=$(printf '%s' "$text" | sed -e 's/\\[rn]//g')
  case $rest in
    *\\*) fail "$what: unknown escape (only \\r and \\n exist)" ;;
  esac
  # The brand marker becomes byte 0x01: it converts unchanged in every code
  # page and can never be part of a double-byte character.
  printf '%s' "$text" | sed -e 's/{Brand}/\\0001/g' >"$work/escaped"
  printf '%b' "$(cat "$work/escaped")" >"$work/utf8"
  [ -s "$work/utf8" ] || fail "$what: empty text"
  if ! "$ICONV" -f UTF-8 -t "$charset" <"$work/utf8" >"$work/bytes" 2>"$work/err"; then
    fail "$what: not representable in $charset: $(cat "$work/err")"
  fi
  "$ICONV" -f "$charset" -t UTF-8 <"$work/bytes" >"$work/back" 2>/dev/null ||
    fail "$what: $charset bytes do not convert back"
  cmp -s "$work/utf8" "$work/back" ||
    fail "$what: $charset changes the text on the way back"
  printf '"'
  od -An -v -tx1 <"$work/bytes" | tr -d ' \n' | sed -e 's/\(..\)/\\x\1/g'
  printf '"'
}

name=
en=
zhs=
zht=
count=0
entry_line=0

flush() {
  [ -n "$name" ] || return 0
  [ -n "$en" ] || fail "$name: no en text"
  [ -n "$zhs" ] || fail "$name: no zhs text"
  [ -n "$zht" ] || fail "$name: no zht text"
  # Assigned first so that a failed conversion stops the script.
  where=$entry_line
  en_lit=$(literal ASCII "$en" "$name en")
  zhs_lit=$(literal CP936 "$zhs" "$name zhs")
  zht_lit=$(literal CP950 "$zht" "$name zht")
  printf 'I18N_TEXT(%s,\n  %s,\n  %s,\n  %s)\n' \
    "$name" "$en_lit" "$zhs_lit" "$zht_lit" >>"$work/rows"
  count=$((count + 1))
  name=
  en=
  zhs=
  zht=
}

: >"$work/rows"
while IFS= read -r line || [ -n "$line" ]; do
  line_no=$((line_no + 1))
  where=$line_no
  case $line in
    '' | '#'*) continue ;;
    Str*)
      flush
      case $line in
        *[!A-Za-z0-9_]*) fail "bad entry name '$line'" ;;
      esac
      name=$line
      entry_line=$line_no
      ;;
    ' '*)
      [ -n "$name" ] || fail "text outside an entry"
      rest=${line#"${line%%[! ]*}"}
      key=${rest%% *}
      quoted=${rest#"$key"}
      quoted=${quoted#"${quoted%%[! ]*}"}
      case $quoted in
        \"*\") ;;
        *) fail "$name $key: text must stand between double quotes" ;;
      esac
      text=${quoted#\"}
      text=${text%\"}
      case $key in
        en) [ -z "$en" ] || fail "$name: second en text"; en=$text ;;
        zhs) [ -z "$zhs" ] || fail "$name: second zhs text"; zhs=$text ;;
        zht) [ -z "$zht" ] || fail "$name: second zht text"; zht=$text ;;
        *) fail "$name: unknown language '$key'" ;;
      esac
      ;;
    *) fail "cannot read '$line'" ;;
  esac
done <"$in"
flush

{
  echo "// Generated from src/i18n/catalogue.txt by gen_catalogue.sh. Do not edit."
  echo "// $count entries."
  cat "$work/rows"
} >"$work/out"
mkdir -p "$(dirname "$out")"
mv "$work/out" "$out"
