#!/usr/bin/env bash
# The layering check: every `#include "<folder>/..."` of a tracked source must be an arrow that
# docs/architecture.md allows. The allowed arrows are the lines between the note's two
# "allowed-includes" markers ("folder: folders it may include", "*" for every folder). Also
# fails when a folder holding sources has no line there, or when a folder of PELM_LAYERS may
# include one that comes later in PELM_LAYERS (the libraries link lowest first).
# Prints one line per fault; exit status 1 when there is any.
set -uo pipefail
set -f  # "*" in the arrows is a word, not a file pattern
cd "$(dirname "$0")/.."
note=docs/architecture.md
declare -A allowed=()
while IFS= read -r line; do
  line=${line%%#*}
  [[ $line =~ ^[[:space:]]*([a-z0-9_]+):(.*)$ ]] || continue
  allowed[${BASH_REMATCH[1]}]=" $(echo ${BASH_REMATCH[2]}) "
done < <(sed -n '/<!-- allowed-includes: begin -->/,/<!-- allowed-includes: end -->/p' "$note")
if [ ${#allowed[@]} -eq 0 ]; then
  echo "$note: no allowed-includes block"
  exit 1
fi

bad=0
mapfile -t files < <(git ls-files --cached --others --exclude-standard '*.cpp' '*.h')
declare -A seen=()
for f in "${files[@]}"; do
  [[ $f == */* ]] || continue
  seen[${f%%/*}]=1
done
for folder in "${!seen[@]}"; do
  if [ -z "${allowed[$folder]+x}" ]; then
    echo "$folder/: a folder of sources with no line in $note (allowed-includes)"
    bad=1
  fi
done

for f in "${files[@]}"; do
  [[ $f == */* ]] || continue
  from=${f%%/*}
  may=${allowed[$from]:-}
  [[ $may == *" * "* ]] && continue
  while IFS=: read -r n to; do
    [ "$to" = "$from" ] && continue
    [ -n "${allowed[$to]+x}" ] || continue
    if [[ $may != *" $to "* ]]; then
      echo "$f:$n: includes $to/, an arrow $from -> $to that $note does not allow"
      bad=1
    fi
  done < <(grep -noE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z0-9_]+/' "$f" |
           sed -E 's/^([0-9]+):.*"([a-z0-9_]+)\/$/\1:\2/')
done

read -r -a layers < <(sed -n -E 's/^set\(PELM_LAYERS (.*)\)$/\1/p' CMakeLists.txt)
declare -A rank=()
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done
for folder in "${layers[@]}"; do
  if [ -z "${allowed[$folder]+x}" ]; then
    echo "CMakeLists.txt: $folder of PELM_LAYERS has no line in $note (allowed-includes)"
    bad=1
    continue
  fi
  for to in ${allowed[$folder]}; do
    [ "$to" = "*" ] && continue
    if [ -z "${rank[$to]+x}" ] || [ "${rank[$to]}" -ge "${rank[$folder]}" ]; then
      echo "CMakeLists.txt: $folder may include $to, which does not come before it in PELM_LAYERS"
      bad=1
    fi
  done
done
exit $bad
