#!/usr/bin/env bash
# Installs the peers the side-by-side benchmark runs against, from Debian's archive, only when
# they are missing: numpy/astropy calibration, sep and source-extractor star extraction,
# photutils aperture and PSF photometry, scipy resampling, and siril-cli for a whole night.
set -euo pipefail
need=()
py=/usr/bin/python3
$py -c 'import astropy.io.fits' >/dev/null 2>&1 || need+=(python3-astropy)
$py -c 'import photutils' >/dev/null 2>&1 || need+=(python3-photutils)
$py -c 'import sep' >/dev/null 2>&1 || need+=(python3-sep)
$py -c 'import scipy.ndimage' >/dev/null 2>&1 || need+=(python3-scipy)
command -v source-extractor >/dev/null 2>&1 || need+=(source-extractor)
command -v siril-cli >/dev/null 2>&1 || need+=(siril)
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
