#!/usr/bin/env bash
# Runs pelm on a short scripted session in a fresh folder under the build directory.
set -euo pipefail
build="${1:-build}"
root="$(cd "$(dirname "$0")/.." && pwd)"
demo="$root/$build/demo"
rm -rf "$demo"
mkdir -p "$demo"
cp "$root/tests/sessions/common/device.ccd" "$demo/device.ccd"
cd "$demo"
"$root/$build/pelm" < "$root/scripts/demo-session.txt"
echo
echo "demo run finished in $demo"
