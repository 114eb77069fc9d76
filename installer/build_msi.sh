#!/usr/bin/env bash
# Builds the package from its generated source:
#   build_msi.sh <package.wxs> <tables folder> <output.msi>
# wixl makes the package; msibuild then adds what wixl can't express, as registration.py wrote it
# into the tables folder: registry keys without values (registry-keys.rows), the condition that
# turns the safe item library stand-in's feature off (Condition.idt), and the registry locations of
# the searches it reads (RegLocator.idt: wixl writes the AppSearch rows but no RegLocator rows).
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 <package.wxs> <tables folder> <output.msi>" >&2; exit 2; }
wxs="$1" tables="$2" msi="$3"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# wixl's GLib warnings about attributes it ignores go to the log only when it fails.
if ! wixl -a x86 -o "$work/pkg.msi" "$wxs" 2>"$work/wixl.log"; then
  cat "$work/wixl.log" >&2
  exit 1
fi
(cd "$work" && msiinfo export pkg.msi Registry >Registry.idt)
cat "$tables/registry-keys.rows" >>"$work/Registry.idt"
cp "$tables/Condition.idt" "$tables/RegLocator.idt" "$work/"
(cd "$work" && msibuild pkg.msi -i Registry.idt Condition.idt RegLocator.idt)
mv "$work/pkg.msi" "$msi"
