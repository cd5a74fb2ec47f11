#!/usr/bin/env bash
# The catalogue benchmark: an MQL4 catalogue as publishers ship one (about
# 800 sources of a few KB and a few binaries, made by make-pack.py), built
#   zp         by zpbuild (compression on, its default) on the 32-bit
#              Install.exe, the image publishers ship
#   nsis-zlib  by makensis with its default compressor (x86-unicode stub)
#   nsis-lzma  by makensis with its best, SetCompressor /SOLID lzma
# and compares the installers' sizes; then installs the catalogue under the
# same wine64 and wineserver, ROUNDS rounds in turn, by
#   zprun      our engine (zprun's image, 64-bit: the 32-bit image does not
#              run here), on the same package
#   nsis-lzma  the NSIS installer (amd64-unicode stub, /SOLID lzma, silent)
#   copy       Wine's xcopy of the catalogue's folder: the same folders and
#              files made with no package to read, the floor
# and prints the median seconds and the ratio of one run.
# Every run installs into a folder of its own, and the folders go only when
# the rounds are done: a file system that has just freed a catalogue's worth
# of inodes searches long for new ones (ext4 passes over recently deleted
# inodes), which would add the same second to every case and measure the
# benchmark's own clean-up rather than the installers.
#
#   bench/mql4/run.sh [WORK_DIR]     (ROUNDS=5 by default)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(realpath -m "${1:-$root/build/bench-mql4}")
rounds=${ROUNDS:-5}
source "$root/bench/lib.sh"
native=$root/build/native win64=$root/build/win64 win32=$root/build/win32
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$work"; fi

for preset in native win64 win32; do
  [ -f "$root/build/$preset/CMakeCache.txt" ] || (cd "$root" && cmake --preset $preset >/dev/null)
done
cmake --build "$native" --target zpbuild >/dev/null
cmake --build "$win64" --target zprun >/dev/null
cmake --build "$win32" --target Install >/dev/null
zpbuild=$native/tools/zpbuild/zpbuild
zprun=$(find "$win64" -name zprun.exe | head -n 1)

mkdir -p "$work"
[ -d "$work/pack/MQL4" ] || python3 "$root/bench/mql4/make-pack.py" "$work/pack" >/dev/null
printf '[product]\nname = "ZpInstall Catalogue"\n\n[[files]]\nsource = "pack/MQL4"\ntarget = %s\n' \
  "'{metatrader}\\MQL4'" >"$work/catalogue.toml"
nsis() {  # name, target, compressor line
  cat >"$work/$1.nsi" <<NSI
Unicode true
Target $2
$3
SilentInstall silent
RequestExecutionLevel user
OutFile $1.exe
InstallDir "C:\\nsis-mql4"
Section
  SetOutPath "\$INSTDIR\\MQL4"
  File /r "pack/MQL4/*.*"
SectionEnd
NSI
  (cd "$work" && makensis -V1 "$1.nsi")
}

seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N); echo "$e - $s" | bc; }
zp_build=$(seconds "$zpbuild" build "$work/catalogue.toml" -o "$work/zp.exe" --stub "$win32/src/startup/Install.exe")
"$zpbuild" build "$work/catalogue.toml" -o "$work/zp-zprun.exe" --stub "$zprun" >/dev/null
"$zpbuild" verify "$work/zp.exe" >/dev/null
zlib_build=$(seconds nsis nsis-zlib x86-unicode "SetCompressor zlib")
lzma_build=$(seconds nsis nsis-lzma x86-unicode "SetCompressor /SOLID lzma")
nsis nsis-lzma-amd64 amd64-unicode "SetCompressor /SOLID lzma"

size() { stat -c %s "$1"; }
image=$(size "$win32/src/startup/Install.exe")
zp=$(size "$work/zp.exe") zlib=$(size "$work/nsis-zlib.exe") lzma=$(size "$work/nsis-lzma.exe")
echo "files: $(find "$work/pack" -type f | wc -l), $(du -sb "$work/pack" | cut -f1) bytes"
printf '%-10s %10s %9s %9s   %s\n' installer bytes "x zlib" "x lzma" "build (s)"
row() { printf '%-10s %10d %8.2fx %8.2fx   %.2f\n' "$1" "$2" "$(echo "$2 / $zlib" | bc -l)" "$(echo "$2 / $lzma" | bc -l)" "$3"; }
row zp "$zp" "$zp_build"
row nsis-zlib "$zlib" "$zlib_build"
row nsis-lzma "$lzma" "$lzma_build"
echo "zp without its program image ($image bytes): $((zp - image)) bytes," \
     "$(printf '%.2f' "$(echo "($zp - $image) / $lzma" | bc -l)")x the whole NSIS (lzma) installer"

export WINEPREFIX=$win64/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
wine=/usr/lib/wine/wine64
"$root/scripts/wine-run" --prefix "$WINEPREFIX" cmd /c exit >/dev/null 2>&1 || true
persistent_wineserver
app="$WINEPREFIX/drive_c/Program Files/ZpInstall Catalogue"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/ZpInstall Catalogue"

runs=0
run_case() {  # installs into $work/targets/CASE-N, a new folder each time
  local target=$work/targets/$1-$((++runs))
  case $1 in
    zprun) "$wine" "$work/zp-zprun.exe" install "$(win "$work/zp-zprun.exe")" "$(win "$target")" ;;
    nsis-lzma) "$wine" "$work/nsis-lzma-amd64.exe" /S "/D=$(win "$target")" ;;
    copy) "$wine" xcopy /E /I /Q /Y "$(win "$work/pack/MQL4")" "$(win "$target/MQL4")" ;;
  esac >"$work/output-$1.txt"
}
clean() { rm -rf "$app" "$menu"; sync; }

cases="zprun nsis-lzma copy"
rm -rf "$work/targets" && clean
for c in $cases; do run_case "$c"; done  # warm-up
for c in $cases; do
  diff -rq "$work/pack/MQL4" "$work/targets/$c-"*/MQL4 >/dev/null || { echo "$c: installed files differ" >&2; exit 1; }
done
declare -A times
timed_rounds "$cases" "$rounds"
rm -rf "$work/targets"
echo "install, rounds: $rounds"
zprun_median=$(median "${times[zprun]}") lzma_median=$(median "${times[nsis-lzma]}")
for c in $cases; do printf '%-10s %7.2fs   %s\n' "$c" "$(median "${times[$c]}")" "${times[$c]}"; done
printf 'zprun / nsis-lzma: %.2fx the time\n' "$(echo "$zprun_median / $lzma_median" | bc -l)"
