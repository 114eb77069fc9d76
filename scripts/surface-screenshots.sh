#!/usr/bin/env bash
# Draws the add-in's command surfaces from the simulated Outlook's state as real Win32 windows
# under Wine and Xvfb and saves a PNG of each (tests/formwin/surface_screenshots.cpp):
#
#   scripts/surface-screenshots.sh [OUTDIR]
#
# Writes OUTDIR/toolbar-standard.png (Outlook 2003's Standard bar), OUTDIR/menu-actions.png (the
# Actions menu with Move to Folder open) and OUTDIR/ribbon-tab.png (a mock-up of Outlook 2010's
# Brisko tab), at 96 dots per inch, made small with scripts/png-shrink.py (default OUTDIR: the
# build folder). Builds in BRISKO_BUILD_DIR (default build/windows, configured with the "windows"
# preset when missing); uses the prefix of scripts/dialog-screenshots.sh at 96 dpi.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BRISKO_BUILD_DIR:-$root/build/windows}"
out="${1:-$build}"

if [ ! -f "$build/CMakeCache.txt" ]; then
  if [ "$build" = "$root/build/windows" ]; then
    (cd "$root" && cmake --preset windows)
  else
    echo "surface-screenshots: $build is not a configured build folder" >&2
    exit 2
  fi
fi
cmake --build "$build" --target surface_screenshots brisko_lang_files

mkdir -p "$out"
out="$(cd "$out" && pwd)"
state="$build/wine-dpi96"
"$root/scripts/wine-run.sh" --state-dir "$state" reg add 'HKCU\Control Panel\Desktop' /v LogPixels \
  /t REG_DWORD /d 96 /f >/dev/null
cp -n /usr/share/wine/fonts/*.ttf "$state/prefix/drive_c/windows/Fonts/" 2>/dev/null || true
WINEPREFIX="$state/prefix" "${BRISKO_WINESERVER:-wineserver}" -w || true
rm -f "$out"/toolbar-standard.png "$out"/menu-actions.png "$out"/ribbon-tab.png
rc=0
LC_ALL=en_US.UTF-8 "$root/scripts/wine-run.sh" --state-dir "$state" "$build/tests/formwin/surface_screenshots.exe" \
  "Z:$out" || rc=$?
for f in toolbar-standard menu-actions ribbon-tab; do
  [ -f "$out/$f.png" ] && python3 "$root/scripts/png-shrink.py" "$out/$f.png"
done
ls "$out"/toolbar-standard.png "$out"/menu-actions.png "$out"/ribbon-tab.png 2>/dev/null || true
exit "$rc"
