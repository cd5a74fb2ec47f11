#!/usr/bin/env bash
# Time to the first page, under wine64 and Xvfb: from starting the installer
# to its first page visible and painted (bench_first_page), for
#   zp-demo    our installer of the demo package (started as a double-click
#              starts it: the relay, then the wizard it starts with "spawn")
#   zp-big     our installer of ~256 MiB of files (1004 files)
#   zp-big-spawn  the same started with "spawn": the wizard alone
#   nsis-demo  an NSIS installer of the demo's files showing its first page
#   nsis-big   an NSIS installer of the ~256 MiB showing its first page (NSIS
#              reads its whole file for its CRC check first)
# ROUNDS rounds in turn after one warm-up round; prints the median and the
# fastest run per case and the ratios of both (on a shared machine the
# fastest run says most about the program itself).
#   bench/startup/run.sh [WORK_DIR]                 (ROUNDS=5 by default)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build/win64
work=$(realpath -m "${1:-$build/bench-startup}")
rounds=${ROUNDS:-5}
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$work"; fi

cd "$root"
cmake --preset native >/dev/null && cmake --build --preset native --target zpbuild >/dev/null
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target Install bench_first_page bench_install_package >/dev/null
zpbuild=$root/build/native/tools/zpbuild/zpbuild
image=$build/src/startup/Install.exe

export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
wine=/usr/lib/wine/wine64
source "$root/bench/lib.sh"
mkdir -p "$work"
# The ~256 MiB of files of the install benchmark.
"$root/scripts/wine-run" --prefix "$WINEPREFIX" "$build/bench/install/bench_install_package.exe" "$(win "$work")" >/dev/null

"$zpbuild" build examples/demo/demo.toml --stub "$image" -o "$work/zp-demo.exe" >/dev/null
cat >"$work/big.toml" <<'TOML'
[product]
name = "ZpInstall Bench"
version = "1.0"
[[files]]
source = "files"
target = '{app}\bench'
TOML
"$zpbuild" build "$work/big.toml" --stub "$image" -o "$work/zp-big.exe" >/dev/null
nsis() {  # name, source folder
  cat >"$work/$1.nsi" <<NSI
Unicode true
Target amd64-unicode
SetCompress off
RequestExecutionLevel user
OutFile $1.exe
InstallDir "C:\\nsis-startup"
Page directory
Page instfiles
Section
  SetOutPath "\$INSTDIR"
  File /r "$2/*.*"
SectionEnd
NSI
  (cd "$work" && makensis -V1 "$1.nsi")
}
rm -rf "$work/demo-files" && cp -r examples/demo/files "$work/demo-files"
nsis nsis-demo demo-files
nsis nsis-big files
ls -l "$work"/zp-*.exe "$work"/nsis-*.exe | awk '{printf "%12d  %s\n", $5, $9}'

persistent_wineserver
measure() {  # case
  case $1 in
    zp-big-spawn) "$wine" "$build/bench/startup/bench_first_page.exe" "$(win "$work/zp-big.exe")" spawn ;;
    *) "$wine" "$build/bench/startup/bench_first_page.exe" "$(win "$work/$1.exe")" ;;
  esac
}
cases="zp-demo zp-big zp-big-spawn nsis-demo nsis-big"
declare -A times
for c in $cases; do measure "$c" >/dev/null; done  # warm-up: page cache, fonts
for ((r = 1; r <= rounds; r++)); do
  for c in $cases; do times[$c]+="$(measure "$c" | tr -d '\r') "; done
done
fastest() { tr ' ' '\n' <<<"$1" | grep . | sort -g | head -n 1; }
echo "rounds: $rounds (milliseconds to the first page)"
printf '%-13s %6s %8s   %s\n' case median fastest "all runs"
for c in $cases; do
  printf '%-13s %6d %8d   %s\n' "$c" "$(median "${times[$c]}")" "$(fastest "${times[$c]}")" "${times[$c]}"
done
for f in median fastest; do
  zd=$($f "${times[zp-demo]}") zb=$($f "${times[zp-big]}") nb=$($f "${times[nsis-big]}")
  printf '%-8s zp-big / zp-demo %.2f, zp-big / nsis-big %.2f\n' "$f" "$(echo "$zb / $zd" | bc -l)" \
    "$(echo "$zb / $nb" | bc -l)"
done
