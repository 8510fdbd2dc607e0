#!/usr/bin/env bash
# Regenerates fortran_reference.txt: each case of fortran_cases.txt formatted by gfortran.
# Each output line is the case ("F w d value" or "I w value") followed by "|" and the field.
# gfortran is needed for this alone (make fortran-reference installs it).
set -euo pipefail
if ! command -v gfortran >/dev/null 2>&1; then
  echo "make_fortran_reference.sh: gfortran is missing (scripts/install-deps.sh fortran installs it)" >&2
  exit 1
fi
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cat > "$work/ref.f90" <<'F90'
program ref
  implicit none
  character(len=200) :: line, fmt
  character(len=1) :: kind
  integer :: w, d, ios
  integer(kind=8) :: iv
  real(kind=8) :: v
  do
    read(*, '(A)', iostat=ios) line
    if (ios /= 0) exit
    if (len_trim(line) == 0) cycle
    read(line, *) kind
    if (kind == 'F') then
      read(line, *) kind, w, d, v
      write(fmt, '(A,I0,A,I0,A)') '(A,A,F', w, '.', d, ',A)'
      write(*, fmt) trim(line), '|', v, '|'
    else
      read(line, *) kind, w, iv
      write(fmt, '(A,I0,A)') '(A,A,I', w, ',A)'
      write(*, fmt) trim(line), '|', iv, '|'
    end if
  end do
end program ref
F90
gfortran -o "$work/ref" "$work/ref.f90"
"$work/ref" < "$here/fortran_cases.txt" > "$here/fortran_reference.txt"
