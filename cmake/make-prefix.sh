#!/bin/sh
# Makes a private Wine prefix ready for the tests, once: creates it (the kind the runner's
# WINEARCH asks for, 64-bit by default), lets Wine draw window frames itself, keeps any
# debugger from starting on a crash, and puts Wine's fonts in. Each step is skipped when
# it has been done.
#   make-prefix.sh <wine-run> <prefix>
set -u
run=$1 prefix=$2
if [ ! -f "$prefix/system.reg" ]; then
  echo "make-prefix: creating the Wine prefix $prefix"
  env -u DISPLAY "$run" wineboot -i >/dev/null 2>&1
  # Windows on Xvfb have no window manager: let Wine draw frames itself, otherwise
  # destroying a window waits two seconds for the absent manager.
  "$run" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  "$run" --server -w
fi
# A program that crashes in the test prefix ends at once: no debugger is started for it
# (one would wait for ever for somebody to attach), in either registry view.
if [ ! -f "$prefix/velmora-no-debugger.stamp" ]; then
  key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug'
  for view in 64 32; do
    "$run" reg add "$key" /v Debugger /d "" /f /reg:$view >/dev/null 2>&1
    "$run" reg add "$key" /v Auto /d 1 /f /reg:$view >/dev/null 2>&1
  done
  "$run" --server -w
  touch "$prefix/velmora-no-debugger.stamp"
fi
# Wine's own fonts (Tahoma, Marlett for the caption buttons, ...) are not found by every
# loader build; put them into the prefix so windows and screenshots look the same everywhere.
for font in /usr/share/wine/fonts/*.ttf; do
  [ -f "$font" ] || continue
  [ -f "$prefix/drive_c/windows/Fonts/${font##*/}" ] || cp "$font" "$prefix/drive_c/windows/Fonts/"
done
