#!/usr/bin/env bash
# Fails when a source includes from a layer it may not use. The layers, each
# using only those to its right (and itself):
#   app     -> search diag uninstall config services i18n ui platform
#   search  -> config services i18n ui platform
#   diag    -> uninstall config services i18n ui platform
#   uninstall, config -> services i18n platform
#   services -> i18n platform
#   i18n    -> platform
#   ui      -> platform
#   platform
# config reads the INFs through the services' reader (the "SERENUM" scan
# shares its bytes); uninstall asks the spooler queries of services.
# An include that climbs out of its layer with ../ would pass unseen by the
# rule above, and the stand-ins are test doubles the program never builds
# on: both fail too. Code shared with the stand-ins lives in platform.
set -euo pipefail
src=$(realpath "${1:-$(dirname "$0")/../src}")
declare -A may=(
  [app]="app search diag uninstall config services i18n ui platform"
  [search]="search config services i18n ui platform"
  [diag]="diag uninstall config services i18n ui platform"
  [uninstall]="uninstall services i18n platform"
  [config]="config services i18n platform"
  [services]="services i18n platform"
  [i18n]="i18n platform"
  [ui]="ui platform"
  [platform]="platform"
)
bad=0
for layer in "${!may[@]}"; do
  [ -d "$src/$layer" ] || continue
  while IFS=: read -r file line text; do
    used=${text#*[\"<]}
    used=${used%%[\">]*}
    case "$used" in
      standins/*)
        echo "$file:$line: $layer may not include the stand-ins: $text" >&2; bad=1; continue ;;
      ./* | ../* | */./* | */../* | .. | */..)
        target=$(realpath -m "$(dirname "$file")/$used")
        case "$target/" in
          "$src/$layer/"*) ;;
          *) echo "$file:$line: $layer may not climb out of its layer with ../: $text" >&2; bad=1 ;;
        esac
        continue ;;
      */*) ;;
      *) continue ;;  # beside the file, or a system header
    esac
    first=${used%%/*}
    # <...> names system and library headers too: only a layer's name is checked there.
    if [[ $text =~ \#[[:space:]]*include[[:space:]]*\< ]] && [ -z "${may[$first]+x}" ]; then
      continue
    fi
    case " ${may[$layer]} " in
      *" $first "*) ;;
      *) echo "$file:$line: $layer may not include from $first: $text" >&2; bad=1 ;;
    esac
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]' "$src/$layer" || true)
done
exit $bad
