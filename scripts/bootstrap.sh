#!/usr/bin/env bash
# Installs what the build and the tests need. Idempotent: quick when nothing is missing.
#   bootstrap.sh            everything: native toolchain, MinGW cross toolchain, Wine, Xvfb
#   bootstrap.sh --native   the native toolchain only (g++, CMake, Ninja, GoogleTest, Benchmark,
#                           clang with libFuzzer, inih for the language benchmark)
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'; }

native_pkgs=(g++ cmake ninja-build googletest libgtest-dev libgmock-dev libbenchmark-dev
             clang libclang-rt-14-dev libinih-dev)
windows_pkgs=(g++-mingw-w64-i686 mingw-w64-tools libwine-dev wine wine32:i386 wine64 xvfb xauth)
# Wine's own fonts (Tahoma for "MS Shell Dlg", Marlett for the caption buttons): dialogs as on Windows.
windows_pkgs+=(fonts-wine)
# The MSI package: wixl and msibuild (msitools).
windows_pkgs+=(wixl msitools)
pkgs=("${native_pkgs[@]}")
case "${1:-}" in
  --native) ;;
  "") pkgs+=("${windows_pkgs[@]}") ;;
  *) echo "usage: $0 [--native]" >&2; exit 2 ;;
esac
for p in "${pkgs[@]}"; do have_pkg "$p" || need+=("$p"); done
[ ${#need[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
if [[ " ${need[*]} " == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
echo "bootstrap: installing ${need[*]}" >&2
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" </dev/null >/dev/null
