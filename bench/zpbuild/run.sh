#!/usr/bin/env bash
# zpbuild's build time on the files of the install benchmark (bench/install:
# 1004 files, 257 MiB), the project written two ways, which must give the
# same installer byte for byte:
#   pattern  one [[files]] entry: source = "files", target = '{metatrader}\bench'
#   tables   one [[files]] table per file
# built by the Linux zpbuild and by zpbuild.exe under wine64 (compression on,
# zpbuild's default), with makensis (SetCompress off) on the same files for
# reference; ROUNDS rounds after a warm-up, median seconds. makensis with its
# best compressor (SetCompressor /SOLID lzma) takes minutes here and runs
# once, after the rounds (LZMA=0 leaves it out).
#
#   bench/zpbuild/run.sh [WORK_DIR]     (ROUNDS=5 by default)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(realpath -m "${1:-$root/build/bench-zpbuild}")
rounds=${ROUNDS:-5}
source "$root/bench/lib.sh"
native=$root/build/native win64=$root/build/win64

for preset in native win64; do
  [ -f "$root/build/$preset/CMakeCache.txt" ] || (cd "$root" && cmake --preset $preset >/dev/null)
done
cmake --build "$native" --target zpbuild >/dev/null
cmake --build "$win64" --target zpbuild bench_install_package >/dev/null

export WINEPREFIX=$win64/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
mkdir -p "$work"
if [ "$(find "$work/files" -type f 2>/dev/null | wc -l)" != 1004 ]; then
  "$root/scripts/wine-run" --prefix "$WINEPREFIX" "$win64/bench/install/bench_install_package.exe" "$(win "$work")"
fi
stub=$win64/src/startup/Install.exe

printf '[product]\nname = "ZpInstall Bench"\n\n[[files]]\nsource = "files"\ntarget = %s\n' \
  "'{metatrader}\\bench'" >"$work/pattern.toml"
{
  printf '[product]\nname = "ZpInstall Bench"\n'
  # In the order of the pattern's records: by the path with "\" separators.
  (cd "$work/files" && find . -type f | sed 's|^\./||; s|/|\\|g' | LC_ALL=C sort) | while read -r f; do
    printf '\n[[files]]\nsource = "files/%s"\ntarget = "{metatrader}\\\\bench\\\\%s"\n' "${f//\\//}" "${f//\\/\\\\}"
  done
} >"$work/tables.toml"

persistent_wineserver

run_case() {
  case $1 in
    native-pattern) "$native/tools/zpbuild/zpbuild" build "$work/pattern.toml" -o "$work/out-$1.exe" --stub "$stub" ;;
    native-tables) "$native/tools/zpbuild/zpbuild" build "$work/tables.toml" -o "$work/out-$1.exe" --stub "$stub" ;;
    wine-pattern) /usr/lib/wine/wine64 "$win64/tools/zpbuild/zpbuild.exe" build "$(win "$work/pattern.toml")" \
                    -o "$(win "$work/out-$1.exe")" --stub "$(win "$stub")" ;;
    makensis) (cd "$work" && makensis -V1 nsis.nsi) ;;
  esac >"$work/output-$1.txt"
}

cases="native-pattern native-tables wine-pattern makensis"
for c in $cases; do run_case "$c"; done  # warm-up: programs and files in the page cache
cmp "$work/out-native-pattern.exe" "$work/out-native-tables.exe"
cmp "$work/out-native-pattern.exe" "$work/out-wine-pattern.exe"
echo "pattern and tables projects, Linux and Windows builds: byte-identical installers" \
     "($(stat -c %s "$work/out-native-pattern.exe") bytes)"

declare -A times
for ((r = 1; r <= rounds; r++)); do
  for c in $cases; do timed_case "$c"; done
done
echo "files: 1004, $(du -sm "$work/files" | cut -f1) MiB; rounds: $rounds"
for c in $cases; do printf '%-15s %6.2fs   %s\n' "$c" "$(median "${times[$c]}")" "${times[$c]}"; done
if [ "${LZMA:-1}" = 1 ]; then
  sed 's/^SetCompress off$/SetCompressor \/SOLID lzma/; s/^OutFile setup-nsis.exe$/OutFile setup-nsis-lzma.exe/' \
    "$work/nsis.nsi" >"$work/nsis-lzma.nsi"
  start=$(date +%s.%N)
  (cd "$work" && makensis -V1 nsis-lzma.nsi)
  lzma=$(echo "$(date +%s.%N) - $start" | bc)
  printf '%-15s %6.2fs   (one run); zpbuild (Linux, pattern) takes %.3fx its time\n' makensis-lzma "$lzma" \
    "$(echo "$(median "${times[native-pattern]}") / $lzma" | bc -l)"
fi
