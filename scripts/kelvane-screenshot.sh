#!/usr/bin/env bash
# Shows the four Kelvane controls in one window under Wine and Xvfb and saves
# a PNG screenshot of that window, for reviewing how the controls look.
#
#   scripts/kelvane-screenshot.sh [OUT.png]
#
# Builds the showcase program in the Windows build folder (KELVANE_BUILD_DIR,
# default build/windows, configured with the "windows" preset when missing)
# and writes OUT.png (default: <build folder>/kelvane-screenshot.png).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KELVANE_BUILD_DIR:-$root/build/windows}"
out="${1:-$build/kelvane-screenshot.png}"

if [ ! -f "$build/CMakeCache.txt" ]; then
  if [ "$build" = "$root/build/windows" ]; then
    (cd "$root" && cmake --preset windows)
  else
    echo "kelvane-screenshot: $build is not a configured build folder" >&2
    exit 2
  fi
fi
cmake --build "$build" --target kelvane_showcase

mkdir -p "$(dirname "$out")"
out="$(cd "$(dirname "$out")" && pwd)/$(basename "$out")"
rm -f "$out"
# Without a running test session wine-run.sh starts an Xvfb of its own.
"$root/scripts/wine-run.sh" --state-dir "$build/wine" "$build/tests/controls/kelvane_showcase.exe" "$out"
echo "kelvane-screenshot: $out"
