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
set -euo pipefail
src=${1:-$(dirname "$0")/../src}
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
    used=${text#*\"}
    used=${used%%/*}
    case " ${may[$layer]} " in
      *" $used "*) ;;
      *) echo "$file:$line: $layer may not include from $used: $text" >&2; bad=1 ;;
    esac
  done < <(grep -rnE '^#include "[a-z0-9_]+/' "$src/$layer" || true)
done
exit $bad
