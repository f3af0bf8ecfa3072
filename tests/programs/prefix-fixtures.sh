#!/bin/sh
# Plants in the test prefix what a Windows program can't make under Wine, before the suites
# start: links (Wine shows a Unix symbolic link to a folder as a link; its own calls make
# none) and a drive letter the system takes for a network share. The leftover-scan tests
# look for them under C:\velmora-fixtures and on N:, and say so when they are missing.
#   prefix-fixtures.sh <prefix> <wine-run>
set -eu
prefix=$1 run=$2
base="$prefix/drive_c/velmora-fixtures"
rm -rf "$base"
mkdir -p "$base/canary/kept" "$base/App/data" "$base/Linked/real" "$base/share/App"
echo canary >"$base/canary/kept/canary.txt"
echo data >"$base/App/data/one.bin"
echo real >"$base/Linked/real/app.exe"
echo shared >"$base/share/App/app.exe"
# A link inside an install folder that leads to the canary folder, and an install folder
# that is itself a link.
ln -s ../../canary "$base/App/data/to-canary"
ln -s ../canary "$base/App/canary-link"
ln -s real "$base/Linked/app-link"
# N: is a drive mapped to a share, as the system sees it.
ln -sfn ../drive_c/velmora-fixtures/share "$prefix/dosdevices/n:"
# mountmgr reads the 64-bit view; a 32-bit reg.exe would write the 32-bit one.
"$run" reg add 'HKLM\Software\Wine\Drives' /v n: /d network /f /reg:64 >/dev/null 2>&1 || true
"$run" --server -k >/dev/null 2>&1 || true
"$run" --server -w >/dev/null 2>&1 || true
