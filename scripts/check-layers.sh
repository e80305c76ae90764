#!/usr/bin/env bash
# Prints which source folders include which, and fails when a folder includes one that is
# not below it in the layer order, so that includes point one way only.
set -euo pipefail
cd "$(dirname "$0")/../src"
layers=(foundation fetch scraping racecards odds/capture odds/files results structure schedule history snapshots session demo app)
rank() { local i; for i in "${!layers[@]}"; do [ "${layers[$i]}" = "$1" ] && echo "$i" && return; done; echo -1; }
bad=0
for from in "${layers[@]}"; do
    [ -d "$from" ] || continue
    targets=$(grep -rhoE '#include "[a-z_/]+/[a-z_0-9]+\.h"' "$from" | sed -E 's/#include "(.*)\/[a-z_0-9]+\.h"/\1/' | sort -u)
    echo "$from -> $(echo $targets | tr '\n' ' ')"
    for to in $targets; do
        [ "$to" = "$from" ] && continue
        if [ "$(rank "$to")" -lt 0 ] || [ "$(rank "$to")" -ge "$(rank "$from")" ]; then
            echo "  $from must not include $to" >&2
            bad=1
        fi
    done
done
exit $bad
