#!/usr/bin/env bash
# Builds the simulator natively and runs it with the given arguments.
# Build output goes to stderr; stdout and stdin belong to the simulator.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

BRISKO_SIM="${BRISKO_SIM:-build/native/tools/brisko-sim/brisko-sim}"

bash scripts/bootstrap.sh --native >&2
cmake --preset native --log-level=WARNING >&2
cmake --build --preset native --target brisko-sim >&2
exec "$BRISKO_SIM" "$@"
