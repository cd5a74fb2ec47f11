#!/usr/bin/env bash
# The install benchmark: the same ~256 MiB of files (4 large, 1000 small)
#   copy   plain copy with wine's xcopy
#   zprun  our installer's engine (zprun: stage 0, the run, stage 3), which
#          checks each content's CRC-32; zprun-nocrc the same package
#          without the CRCs
#   nsis   an NSIS installer (amd64 stub, SetCompress off, silent), with and
#          without its CRC check of the installer file
# all under the same wine64 and wineserver, ROUNDS rounds in turn; prints the
# median seconds per case and the ratios of one run.
#
#   bench/install/run.sh [BUILD_DIR [WORK_DIR]]     (ROUNDS=5 by default)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath -m "${1:-$root/build/win64}")
work=$(realpath -m "${2:-$build/bench-install}")
rounds=${ROUNDS:-5}
source "$root/bench/lib.sh"

if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build" "$work"; fi

if [ ! -f "$build/CMakeCache.txt" ]; then (cd "$root" && cmake --preset win64 -B "$build" >/dev/null); fi
cmake --build "$build" -j2 --target zprun bench_install_package >/dev/null

export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
wine=/usr/lib/wine/wine64

mkdir -p "$work"
"$root/scripts/wine-run" --prefix "$WINEPREFIX" "$build/bench/install/bench_install_package.exe" "$(win "$work")"
(cd "$work" && makensis -V1 nsis.nsi && makensis -V1 -DNOCRC nsis.nsi)

persistent_wineserver
app="$WINEPREFIX/drive_c/Program Files/ZpInstall Bench"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/ZpInstall Bench"

run_case() {
  case $1 in
    copy) "$wine" xcopy /E /I /Q /Y "$(win "$work/files")" "$(win "$work/target-copy/bench")" ;;
    zprun) "$wine" "$work/setup.exe" install "$(win "$work/setup.exe")" "$(win "$work/target-zprun")" ;;
    zprun-nocrc)
      "$wine" "$work/setup-nocrc.exe" install "$(win "$work/setup-nocrc.exe")" "$(win "$work/target-zprun-nocrc")" ;;
    nsis) "$wine" "$work/setup-nsis.exe" /S "/D=$(win "$work/target-nsis")" ;;
    nsis-nocrc) "$wine" "$work/setup-nsis-nocrc.exe" /S "/D=$(win "$work/target-nsis-nocrc")" ;;
  esac >"$work/output-$1.txt"  # a file: wine writes to /dev/null slowly, line by line
}

clean() { rm -rf "$work"/target-* "$app" "$menu"; sync; }

cases=${CASES:-copy zprun zprun-nocrc nsis nsis-nocrc}
clean
for c in $cases; do run_case "$c"; done  # warm-up: code and package in the page cache
for c in $cases; do
  diff -rq "$work/files" "$work/target-$c/bench" >/dev/null || { echo "$c: installed files differ" >&2; exit 1; }
done

declare -A times
timed_rounds "$cases" "$rounds"

echo "files: $(find "$work/files" -type f | wc -l), $(du -sm "$work/files" | cut -f1) MiB; rounds: $rounds"
printf '%-11s %8s %10s %10s  %s\n' case median "x copy" "x nsis" "all runs (s)"
ratio() { [ -n "${times[$2]:-}" ] && printf '%9.2fx' "$(echo "$1 / $(median "${times[$2]}")" | bc -l)" || printf '%10s' -; }
for c in $cases; do
  m=$(median "${times[$c]}")
  printf '%-11s %7.2fs %s %s  %s\n' "$c" "$m" "$(ratio "$m" copy)" "$(ratio "$m" nsis)" "${times[$c]}"
done
# What checking the contents' CRCs costs: the same package with and without them.
# The two run one after the other in every round, so the median of the
# rounds' own ratios sees through the load that other programs put on the
# machine from round to round.
if [ -n "${times[zprun]:-}" ] && [ -n "${times[zprun-nocrc]:-}" ]; then
  read -ra with <<<"${times[zprun]}"
  read -ra without <<<"${times[zprun-nocrc]}"
  ratios=$(for ((i = 0; i < ${#with[@]}; i++)); do echo "${with[$i]} / ${without[$i]}" | bc -l; done | tr '\n' ' ')
  printf 'zprun with CRCs / without: medians %s, median of the rounds %.3fx\n' \
    "$(ratio "$(median "${times[zprun]}")" zprun-nocrc)" "$(median "$ratios")"
fi
