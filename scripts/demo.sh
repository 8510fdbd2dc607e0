#!/usr/bin/env bash
# The demo: generates a synthetic night (40 frames with dark, flat, a drifting star field and
# a moving asteroid with a double-peaked light curve) in a fresh folder under the build
# directory and reduces it with pelm the way an observer would, from the command file
# scripts/demo-night.txt, ending with the asteroid's rotation period and its astrometry (the
# first frame carries a sky solution; the report goes to astrometry.psv).
set -euo pipefail
build="${1:-build}"
root="$(cd "$(dirname "$0")/.." && pwd)"
night="$root/$build/demo-night"
rm -rf "$night"
"$root/$build/simnight" --out "$night" --frames 40 --seed 1 --double-peak --sky
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
echo "  astrometry:           $night/astrometry.psv (ADES), astrometry.obs (80 columns)"
echo "  flags:                $night/photflags.txt (contamination of each measurement)"
echo "  night report:         $night/night-report.md (with night-offsets.svg, night-fwhm.svg)"
echo "  what was put in:      $night/truth.txt"
echo
echo "alignment against the truth (du, dv of the last frames):"
tail -n 3 align.dat
grep '^frame' truth.txt | tail -n 3 | awk '{printf "  truth %s du %s dv %s\n", $2, $4, $5}'
echo
echo "rotation period of the asteroid:"
grep -a "^  best period" session.log | sed 's/^ *//'
grep "^# asteroid:" truth.txt | sed 's/.* period \([0-9.]*\) h.*/true period (h) = \1/'
echo
echo "astrometry of the asteroid (arcsec):"
grep -a "^  rms of the residuals" session.log | sed 's/^ *//'
awk -F'|' 'FNR == NR { if ($0 ~ /^sky img/) { split($0, f, " "); ra[f[3]] = f[4]; de[f[3]] = f[5] } next }
  $4 ~ /^[0-9]/ { t = $4; gsub(/ /, "", t); if (t in ra) { c = cos($6 * 3.14159265358979 / 180);
    dr = ($5 - ra[t]) * c * 3600; dd = ($6 - de[t]) * 3600; e = sqrt(dr * dr + dd * dd); s += e * e; n++;
    if (e > w) w = e } }
  END { if (n) printf "ADES positions against the true track: rms %.3f, worst %.3f (%d positions)\n", sqrt(s / n), w, n }' \
  truth.txt astrometry.psv
