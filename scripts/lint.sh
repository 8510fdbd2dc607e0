#!/usr/bin/env bash
# House-keeping checks on tracked sources: no trailing blanks, no tabs, no CR, a final newline.
# Transcripts under tests/sessions/ are exempt: their trailing blanks are expected text.
set -uo pipefail
cd "$(dirname "$0")/.."
bad=0
while IFS= read -r f; do
  case "$f" in tests/sessions/*|*.fit|*.fits) continue ;; esac
  [ -f "$f" ] || continue
  if grep -n -E ' +$' "$f" >/dev/null; then echo "$f: trailing blanks"; bad=1; fi
  if grep -n -P '\t' "$f" >/dev/null && [ "$(basename "$f")" != Makefile ]; then echo "$f: tab"; bad=1; fi
  if grep -n -P '\r' "$f" >/dev/null; then echo "$f: carriage return"; bad=1; fi
  if [ -s "$f" ] && [ "$(tail -c 1 "$f" | od -An -c | tr -d ' ')" != '\n' ]; then echo "$f: no final newline"; bad=1; fi
done < <(git ls-files '*.cpp' '*.h' '*.sh' '*.md' '*.txt' 'CMakeLists.txt' 'Makefile')
exit $bad
