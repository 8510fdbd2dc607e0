#!/usr/bin/env bash
# Checks on tracked sources: house-keeping (no trailing blanks, no tabs, no CR, a final
# newline), the layering (scripts/check-layers.sh: every include an arrow that
# docs/architecture.md allows), then clang-tidy (checks in .clang-tidy) and cppcheck over the
# program's code.
# Transcripts under tests/sessions/ are exempt from the house-keeping: their trailing blanks
# are expected text. `scripts/lint.sh --quick` does the house-keeping and the layering only.
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
scripts/check-layers.sh || bad=1
[ "${1:-}" = --quick ] && exit $bad

scripts/install-deps.sh lint

folders=(core textio image calib align phot motion sky results lightcurve app tools)
# clang-tidy reads the compile commands of a configure-only build folder.
cmake -S . -B build-lint -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DCMAKE_CXX_COMPILER=clang++ -DBUILD_TESTING=OFF >/dev/null || exit 1
mapfile -t sources < <(git ls-files "${folders[@]/%//*.cpp}")
jobs=${JOBS:-2}
if ! printf '%s\n' "${sources[@]}" |
     xargs -P "$jobs" -n 4 clang-tidy -p build-lint --quiet --warnings-as-errors='*' 2>/dev/null; then
  echo "clang-tidy: findings above"
  bad=1
fi
if ! cppcheck --std=c++20 --enable=warning,performance,portability --inline-suppr --quiet \
     --error-exitcode=1 --suppress=missingIncludeSystem -I . "${folders[@]}" tests/fuzz; then
  echo "cppcheck: findings above"
  bad=1
fi
exit $bad
