#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's archive, only when it is missing.
set -euo pipefail
need=()
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v g++ >/dev/null 2>&1 || need+=(g++)
command -v gfortran >/dev/null 2>&1 || need+=(gfortran)
[ -f /usr/lib/x86_64-linux-gnu/cmake/GTest/GTestConfig.cmake ] || need+=(libgtest-dev)
# FITS interoperability tests: astropy writes and reads frames, fitsverify checks saved ones.
/usr/bin/python3 -c 'import astropy.io.fits' >/dev/null 2>&1 || need+=(python3-astropy)
command -v fitsverify >/dev/null 2>&1 || need+=(fitsverify)
# The aperture cross-check compares soft-aperture sums with photutils' subpixel sums.
/usr/bin/python3 -c 'import photutils' >/dev/null 2>&1 || need+=(python3-photutils)
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}" >/dev/null
fi
