#!/usr/bin/env bash
# Shows the two quick dialogs in their real windows under Wine and Xvfb, as the add-in opens them
# (its code with the Win32 platform: Form_Load, Init on a sample mail, the remembered move folder,
# the localisation), in English and in German (each with its locale), at 96 and at 144 dots per
# inch, and saves a PNG of each window (frame included):
#
#   scripts/dialog-screenshots.sh [OUTDIR]
#
# Builds the screenshot program in the Windows build folder (BRISKO_BUILD_DIR, default
# build/windows, configured with the "windows" preset when missing) and writes
# OUTDIR/dialog-<task|appointment>-<en|de>-<96|144>.png (default OUTDIR: the build folder).
# Each resolution has a Wine prefix of its own (<build>/wine-dpi<n>): the screen's resolution
# is a setting of the prefix, read when a program starts. Wine's fonts (the package fonts-wine)
# are copied into those prefixes.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BRISKO_BUILD_DIR:-$root/build/windows}"
out="${1:-$build}"

if [ ! -f "$build/CMakeCache.txt" ]; then
  if [ "$build" = "$root/build/windows" ]; then
    (cd "$root" && cmake --preset windows)
  else
    echo "dialog-screenshots: $build is not a configured build folder" >&2
    exit 2
  fi
fi
cmake --build "$build" --target dialog_screenshots brisko_lang_files

mkdir -p "$out"
out="$(cd "$out" && pwd)"
rc=0
for dpi in 96 144; do
  state="$build/wine-dpi$dpi"
  "$root/scripts/wine-run.sh" --state-dir "$state" reg add 'HKCU\Control Panel\Desktop' /v LogPixels \
    /t REG_DWORD /d "$dpi" /f >/dev/null
  # Wine's own TrueType fonts (fonts-wine: Tahoma for "MS Shell Dlg", Marlett for the caption
  # buttons), where this Wine looks for them: the prefix's Fonts folder.
  cp -n /usr/share/wine/fonts/*.ttf "$state/prefix/drive_c/windows/Fonts/" 2>/dev/null || true
  # The next program starts with a fresh wineserver, which reads the setting.
  WINEPREFIX="$state/prefix" "${BRISKO_WINESERVER:-wineserver}" -w || true
  rm -f "$out"/dialog-*-"$dpi".png
  # The add-in's language and the process's locale (Wine takes it from LC_ALL) together.
  for lang in en de; do
    locale=en_US.UTF-8
    [ "$lang" = de ] && locale=de_DE.UTF-8
    LC_ALL="$locale" "$root/scripts/wine-run.sh" --state-dir "$state" "$build/tests/formwin/dialog_screenshots.exe" \
      "Z:$out" "$lang" || rc=$?
  done
done
ls "$out"/dialog-*.png
exit "$rc"
