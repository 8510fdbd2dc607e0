#!/usr/bin/env bash
# Installs from Debian's archive what a part of the work needs, only what is missing.
#   scripts/install-deps.sh build   building pelm, its tools and benchmarks (make demo)
#   scripts/install-deps.sh test    the suite and its peers, and the sanitized and fuzz build
#   scripts/install-deps.sh lint    the checkers of make lint
#   scripts/install-deps.sh fortran gfortran, for make fortran-reference alone
# Several lists may be given at once (make test asks for build and test).
# gfortran only regenerates tests/textio/fortran_reference.txt, which is checked in, so
# neither the build nor the tests need it.
set -euo pipefail

# The compiler and CMake; libraries the program links go here too (found through pkg-config):
# cfitsio reads the frame formats beyond plain 16-bit integers, wcslib the sky solutions of
# frames, ERFA gives the time scales and the Earth's position of the exported results.
build=(cmake g++ pkg-config libcfitsio-dev wcslib-dev liberfa-dev)
# GoogleTest; astropy writes and reads frames and fitsverify checks saved ones (FITS tests),
# ccdproc and astroquery bring more real frames in their test data;
# photutils' subpixel sums are the aperture cross-check; clang with its sanitizer and
# libFuzzer runtimes builds the sanitized suite and the fuzz targets.
test=(libgtest-dev python3-astropy python3-photutils python3-ccdproc python3-astroquery fitsverify clang libclang-rt-dev)
lint=(clang clang-tidy cppcheck)
fortran=(gfortran)

# A package counts as present when the package manager has it installed or, for a tool,
# when a command of its name is on the PATH (a compiler or CMake installed another way).
present() {
  command -v "$1" >/dev/null 2>&1 && return 0
  [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" = installed ]
}

[ $# -gt 0 ] || set -- build
need=()
for list in "$@"; do
  case "$list" in
    build) packages=("${build[@]}") ;;
    test) packages=("${test[@]}") ;;
    lint) packages=("${lint[@]}") ;;
    fortran) packages=("${fortran[@]}") ;;
    *) echo "install-deps.sh: unknown list $list (build, test, lint or fortran)" >&2; exit 2 ;;
  esac
  for p in "${packages[@]}"; do
    present "$p" || need+=("$p")
  done
done
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}" >/dev/null
fi
