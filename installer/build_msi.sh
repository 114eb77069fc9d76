#!/usr/bin/env bash
# Builds the package from its generated source:
#   build_msi.sh <package.wxs> <key rows> <output.msi>
# wixl makes the package; msibuild then adds what wixl can't express: registry keys without values
# (<key rows>: Registry table rows from registration.py), the condition that turns the safe item
# library stand-in's feature off when REDEMPTIONREG is set, and the registry location of that
# property's search (wixl writes the AppSearch row but no RegLocator row).
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 <package.wxs> <key rows> <output.msi>" >&2; exit 2; }
wxs="$1" keys="$2" msi="$3"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# wixl's GLib warnings about attributes it ignores go to the log only when it fails.
if ! wixl -a x86 -o "$work/pkg.msi" "$wxs" 2>"$work/wixl.log"; then
  cat "$work/wixl.log" >&2
  exit 1
fi
(cd "$work" && msiinfo export pkg.msi Registry >Registry.idt)
cat "$keys" >>"$work/Registry.idt"
printf 'Feature_\tLevel\tCondition\ns38\ti2\tS255\nCondition\tFeature_\tLevel\nFR\t0\tREDEMPTIONREG\n' \
  >"$work/Condition.idt"
# Root 0: HKEY_CLASSES_ROOT; Type 2: a raw registry value.
printf 'Signature_\tRoot\tKey\tName\tType\ns72\ti2\ts255\tS255\tI2\nRegLocator\tSignature_\nRedemptionReg\t0\tRedemption.SafeMailItem\\CLSID\t\t2\n' \
  >"$work/RegLocator.idt"
(cd "$work" && msibuild pkg.msi -i Registry.idt Condition.idt RegLocator.idt)
mv "$work/pkg.msi" "$msi"
