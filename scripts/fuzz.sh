#!/usr/bin/env bash
# Runs every fuzz target of build folder $1, starting from the checked-in seeds (new inputs go
# to a scratch corpus), with the target's dictionary when it has one. $2 is either a number of
# seconds per target (free exploration) or "smoke": a fixed number of inputs per target from a
# fixed random seed, so that the same code always meets the same inputs and a finding in CI can
# be reproduced. Findings are written to $3 (default fuzz-findings/) and make the script fail.
set -uo pipefail
cd "$(dirname "$0")/.."
build=$1
seconds=$2
findings=$(realpath -m "${3:-fuzz-findings}")
mkdir -p "$findings"
status=0
# An impossible allocation asked of the allocator (cfitsio sizes its buffers from the header of a
# damaged compressed frame) fails as it does in a plain build, where the library then reports
# the failure and the load is refused, instead of stopping the sanitized target.
export ASAN_OPTIONS="allocator_may_return_null=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
# Inputs per target for the smoke run: about ten seconds of each on this kind of machine.
declare -A smoke_runs=([fuzz_fits]=3000 [fuzz_interpreter]=300 [fuzz_tables]=2500)
for target in "$build"/fuzz_*; do
  name=$(basename "$target")
  if [ "$seconds" = smoke ]; then
    budget=(-seed=1 -runs="${smoke_runs[$name]:-1000}" -max_total_time=600)
  else
    budget=(-max_total_time="$seconds")
  fi
  seeds="$PWD/tests/fuzz/corpus/$name"
  work=$(mktemp -d)
  # A target's dictionary (tests/fuzz/<target>.dict) gives the mutator its tokens.
  dict=()
  [ -f "$PWD/tests/fuzz/$name.dict" ] && dict=(-dict="$PWD/tests/fuzz/$name.dict")
  # The targets change into their own scratch folder, so every path given here is absolute.
  if ! "$target" "${budget[@]}" -timeout=20 -rss_limit_mb=2048 "${dict[@]}" \
       -artifact_prefix="$findings/$name-" "$work" "$seeds" >"$work.log" 2>&1; then
    echo "$name: FINDING (see $findings and the log below)"
    tail -40 "$work.log"
    status=1
  else
    echo "$name: $(grep -E '^#[0-9]+.*DONE|^Done [0-9]+ runs' "$work.log" | tail -1)"
  fi
  rm -rf "$work" "$work.log"
done
exit $status
