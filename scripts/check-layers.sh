#!/usr/bin/env bash
# Fails when a source file includes from a layer it may not depend on. The layers, each allowed
# to include only from those listed for it (besides itself):
#   platform <- base <- json <- http <- web <- rest <- methods, proxy <- app
# http and web do not see json; methods and proxy do not see each other.
set -euo pipefail
cd "$(dirname "$0")/../src"
declare -A allowed=(
  [platform]=""
  [base]="platform"
  [json]="base platform"
  [http]="base platform"
  [web]="http base platform"
  [rest]="web http json base platform"
  [methods]="rest web http json base platform"
  [proxy]="rest web http json base platform"
  [app]="methods proxy rest web http json base platform"
)
status=0
for layer in "${!allowed[@]}"; do
  [ -d "$layer" ] || continue
  while IFS=: read -r file line text; do
    target=$(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([a-z0-9_]*\)\/.*/\1/p' <<<"$text")
    [ -z "$target" ] || [ "$target" = "$layer" ] && continue
    if [[ " ${allowed[$layer]} " != *" $target "* ]]; then
      echo "src/$file:$line: $layer may not include from $target: $text" >&2
      status=1
    fi
  done < <(grep -rn '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$layer" || true)
done
[ $status -eq 0 ] && echo "layers: every include points the allowed way"
exit $status
