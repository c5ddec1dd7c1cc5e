#!/usr/bin/env bash
# Creates the Wine prefix named by WINEPREFIX (when it is not there yet) and
# makes its windows look as they do on a Windows of the user's language:
#  - Wine's Marlett (the glyphs of the caption buttons) is put into the
#    prefix's Fonts folder, where a Wine without a 32-bit part does not
#    otherwise find it; the other fonts of Wine stay out, as its Tahoma has
#    no Chinese and would win over the CJK fonts that stand in for it now;
#  - the fonts of captions, menus, message boxes and status bars take the
#    character set of the locale a program runs in (DEFAULT_CHARSET) instead
#    of the one the prefix was created in, so that a Chinese title bar or
#    message box shows Chinese, not boxes.
#
# WINEARCH=win32 makes a 32-bit Windows (the shipped program installs in
# process there); otherwise the prefix is a 64-bit Windows, where the same
# 32-bit program runs under WoW64.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the prefix}"
if [ "${WINEARCH:-}" = win32 ]; then wine=/usr/lib/wine/wine; else wine=/usr/lib/wine/wine64; fi
wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=/usr/lib/wine/wineserver
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  timeout 300 "$wine" wineboot -i >/dev/null 2>&1
  timeout 60 "$wineserver" -w >/dev/null 2>&1 || true
fi
fonts="$WINEPREFIX/drive_c/windows/Fonts"
mkdir -p "$fonts"
cp -n /usr/share/wine/fonts/marlett.ttf "$fonts/" 2>/dev/null || true
key='HKCU\Control Panel\Desktop\WindowMetrics'
for v in CaptionFont SmCaptionFont MenuFont MessageFont StatusFont IconFont; do
  cur=$("$wine" reg query "$key" /v "$v" 2>/dev/null | tr -d '\r' | awk '/REG_BINARY/ {print $3}')
  # LOGFONTW: the character set is byte 23 (hexadecimal digits 46 and 47).
  [ ${#cur} -ge 48 ] || continue
  "$wine" reg add "$key" /v "$v" /t REG_BINARY /d "${cur:0:46}01${cur:48}" /f >/dev/null 2>&1
done
timeout 60 "$wineserver" -w >/dev/null 2>&1 || true
