#!/usr/bin/env bash
# The main job: Brisko.dll with the real Torvik.dll, loaded over COM into the simulated Outlook
# (outlook-sim.exe under Wine) on the built-in sample mailbox; prints where the log was written.
# The safe item library stand-in (RedemptionStandIn.dll) is registered for the run as well.
# So is the context-menu events library stand-in (Grelmo.dll).
#
#   demo.sh [scenario file | -]            the demo, or a scenario, end to end through COM
#   demo.sh --native [scenario file | -]   the same with brisko-sim, natively (quick)
#
# Sets up what it needs (scripts/bootstrap.sh) and builds the programs first; build output goes
# to stderr, stdout and stdin belong to the simulator.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root="$(pwd)"

if [ "${1:-}" = "--native" ]; then
  shift
  bash scripts/bootstrap.sh --native >&2
  cmake --preset native --log-level=WARNING >&2
  cmake --build --preset native --target brisko-sim >&2
  exec build/native/tools/brisko-sim/brisko-sim "$@"
fi
if [ $# -gt 1 ]; then
  echo "usage: $0 [--native] [scenario file | -]" >&2
  exit 2
fi

bash scripts/bootstrap.sh >&2
cmake --preset windows --log-level=WARNING >&2
cmake --build --preset windows --target outlook-sim brisko_dll redemption_dll kelvane grelmo_dll >&2

args=()
if [ $# -eq 1 ] && [ "$1" != "-" ]; then
  [ -f "$1" ] || { echo "demo: no file $1" >&2; exit 2; }
  args+=("Z:$(realpath "$1")")
elif [ $# -eq 1 ]; then
  args+=("-")
fi
state="$root/build/windows/wine"
set +e
scripts/wine-run.sh --state-dir "$state" build/windows/tools/outlook-sim/outlook-sim.exe \
  --register "Z:$root/build/windows/addin/Brisko.dll" \
  --register "Z:$root/build/windows/standins/redemption/RedemptionStandIn.dll" \
  --register "Z:$root/build/windows/controls/Kelvane.dll" \
  --register "Z:$root/build/windows/standins/grelmo/Grelmo.dll" --clean "${args[@]}" | tr -d '\r' |
  while IFS= read -r line; do
    printf '%s\n' "$line"
    # The log's Windows path, and where it lies in the Wine prefix.
    case "$line" in
      *": log written to C:\\"*)
        win="${line#*: log written to C:\\}"
        printf '  (on this machine: %s)\n' "$state/prefix/drive_c/${win//\\//}" ;;
    esac
  done
rc=${PIPESTATUS[0]}
exit "$rc"
