#!/usr/bin/env bash
# The demo: generates a synthetic night (40 frames with dark, flat, a drifting star field and
# a moving asteroid with a double-peaked light curve) in a fresh folder under the build
# directory and reduces it with pelm the way an observer would, from the command file
# scripts/demo-night.txt, ending with the asteroid's rotation period.
set -euo pipefail
build="${1:-build}"
root="$(cd "$(dirname "$0")/.." && pwd)"
night="$root/$build/demo-night"
rm -rf "$night"
"$root/$build/simnight" --out "$night" --frames 40 --seed 1 --double-peak
cd "$night"
# Working path: this folder; file types: raw fit, dark-corrected drk, dark+flat-corrected fts;
# frame numbers in three digits; corrected frames renamed img... -> fmg...
{
  printf '%-80s\n' ''
  printf '%-3s\n' '' '' fit drk fts '' '' '' 3 f
} > path.dat
"$root/$build/pelm" < "$root/scripts/demo-night.txt" > session.log
echo "pelm reduced the demo night in $night"
echo "  console transcript:   $night/session.log"
echo "  star lists:           $night/stars.lst"
echo "  alignment table:      $night/align.dat"
echo "  stacked frame:        $night/stacked.fit (stacked along the asteroid's track)"
echo "  photometry output:    $night/night.txt (the log file of the photometry run)"
echo "  light curve:          $night/night.res (differential magnitudes with Julian dates)"
echo "  light-curve picture:  $night/night.svg"
echo "  period search:        $night/period.txt, periodogram.svg, phased.svg"
echo "  ALCDEF session:       $night/night.alc (for the light-curve archive)"
echo "  tables (ECSV):        $night/night.ecsv (photometry), night_lc.ecsv (light curve), align.ecsv"
echo "  what was put in:      $night/truth.txt"
echo
echo "alignment against the truth (du, dv of the last frames):"
tail -n 3 align.dat
grep '^frame' truth.txt | tail -n 3 | awk '{printf "  truth %s du %s dv %s\n", $2, $4, $5}'
echo
echo "rotation period of the asteroid:"
grep -a "^  best period" session.log | sed 's/^ *//'
grep "^# asteroid:" truth.txt | sed 's/.* period \([0-9.]*\) h.*/true period (h) = \1/'
