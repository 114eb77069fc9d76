#!/usr/bin/env bash
# Builds the per-user MSI package build/windows/Brisko-<version>.msi (wixl, from msitools) and
# prints its path. Sets up what it needs (scripts/bootstrap.sh); build output goes to stderr.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash scripts/bootstrap.sh >&2
cmake --preset windows --log-level=WARNING >&2
cmake --build --preset windows --target brisko_msi >&2
version="$(sed -n 's/^project(Brisko VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
echo "build/windows/Brisko-$version.msi"
