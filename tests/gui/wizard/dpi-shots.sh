#!/usr/bin/env bash
# Runs the DpiShots tests at 144 and 192 DPI in a prefix of their own: a
# program reads the DPI (LogPixels) when it starts.
# usage: dpi-shots.sh WINE_RUN PREFIX TESTS_EXE SHOTS_DIR
set -euo pipefail
run=$1 prefix=$2 exe=$3 shots=$4
for dpi in 144 192; do
  "$run" --prefix "$prefix" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
  ZP_DPI=$dpi ZP_SHOTS_DIR=$shots "$run" --prefix "$prefix" "$exe" --gtest_filter='DpiShots.*'
done
