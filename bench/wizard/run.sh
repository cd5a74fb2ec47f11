#!/usr/bin/env bash
# The wizard benchmark: a pack of 1,600 indicators (32 KiB each, 50 MiB) is
# installed and uninstalled three ways under the same wine64, Xvfb and
# wineserver, each driven through its pages by bench_wizard_drive as fast as
# a user who clicks Next at once:
#   wizard  our installer started as the elevated wizard ("spawn"): welcome,
#           licence, terminals, ready, progress, finish; the Uninstall.exe it
#           writes: welcome, progress, finish (Finish starts its self-removal)
#   engine  the same installer and uninstaller run by zprun, without a window
#           (its log lines go to a file)
#   nsis    an NSIS installer of the same files with Modern UI pages (welcome,
#           folder, progress with the details list shown, finish) and its
#           uninstaller (confirm, progress with details, finish)
# Every case installs into (and removes from) the same terminal folder. ROUNDS
# rounds (default 3); prints the median seconds and the ratios, and how the
# running window answered: the number of answers between the bar's ends and
# the longest time between two of them.
#   bench/wizard/run.sh [WORK_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build/win64
work=$(realpath -m "${1:-$build/bench-wizard}")
rounds=${ROUNDS:-3}
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$work"; fi

cd "$root"
cmake --preset native >/dev/null && cmake --build --preset native --target zpbuild >/dev/null
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target Install zprun bench_wizard_drive >/dev/null
zpbuild=$root/build/native/tools/zpbuild/zpbuild

# A prefix of its own: without a window manager on Xvfb, wine waits two
# seconds for one whenever a top-level window goes (a message box, the end
# of every installer). Windows that no window manager handles, as wine's
# "Managed" = "N" makes them, go at once, as they do on a desktop.
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
wine=/usr/lib/wine/wine64
source "$root/bench/lib.sh"
mkdir -p "$work"
if [ ! -f "$WINEPREFIX/.zp-ready" ]; then
  "$root/scripts/wine-run" --prefix "$WINEPREFIX" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
  /usr/lib/wine/wineserver -w
fi

count=1600
if [ "$(find "$work/files" -type f 2>/dev/null | wc -l)" != $count ]; then
  rm -rf "$work/files" && mkdir -p "$work/files"
  head -c $((count * 32768)) /dev/urandom |
    split -b 32768 -a 4 -d --additional-suffix=.ex4 - "$work/files/Pack Indicator "
fi
cat >"$work/pack.toml" <<'TOML'
[product]
name = "ZpInstall Wizard Bench"
version = "1.0"
[[files]]
source = "files"
target = '{indicators}\Pack'
TOML
"$zpbuild" build "$work/pack.toml" --stub "$build/src/startup/Install.exe" -o "$work/zp-pack.exe" >/dev/null
{
  cat <<'NSI'
Unicode true
Target amd64-unicode
SetCompress off
RequestExecutionLevel user
!include MUI2.nsh
Name "ZpInstall Wizard Bench"
OutFile nsis-pack.exe
InstallDir "$PROGRAMFILES64\MetaTrader 4"
ShowInstDetails show
ShowUninstDetails show
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_UNPAGE_FINISH
!insertmacro MUI_LANGUAGE English
Section
  SetOutPath "$INSTDIR\MQL4\Indicators\Pack"
  File "files/*.*"
  WriteUninstaller "$INSTDIR\nsis-uninstall.exe"
SectionEnd
Section Uninstall
NSI
  for f in "$work"/files/*; do printf '  Delete "$INSTDIR\\MQL4\\Indicators\\Pack\\%s"\n' "${f##*/}"; done
  cat <<'NSI'
  RMDir "$INSTDIR\MQL4\Indicators\Pack"
  Delete "$INSTDIR\nsis-uninstall.exe"
SectionEnd
NSI
} >"$work/nsis-pack.nsi"
(cd "$work" && makensis -V1 nsis-pack.nsi)

persistent_wineserver
drive_c=$WINEPREFIX/drive_c
terminal=$drive_c/Program\ Files/MetaTrader\ 4
app=$drive_c/Program\ Files/ZpInstall\ Wizard\ Bench
menu=$drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/ZpInstall\ Wizard\ Bench
drive() { "$wine" "$build/bench/wizard/bench_wizard_drive.exe" "$(win "$work/output-$case.txt")" "$@" | tr -d '\r'; }
run_case() {
  case=$1
  case $1 in
    wizard-install) drive "$(win "$work/zp-pack.exe")" spawn ;;
    wizard-uninstall) drive 'C:\Program Files\ZpInstall Wizard Bench\Uninstall.exe' spawn ;;
    engine-install) drive "$(win "$build/tests/windows/install/zprun.exe")" install "$(win "$work/zp-pack.exe")" \
      'C:\Program Files\MetaTrader 4' ;;
    engine-uninstall) drive "$(win "$build/tests/windows/install/zprun.exe")" uninstall \
      'C:\Program Files\ZpInstall Wizard Bench\Uninstall.exe' ;;
    nsis-install) drive "$(win "$work/nsis-pack.exe")" ;;
    nsis-uninstall) drive 'C:\Program Files\MetaTrader 4\nsis-uninstall.exe' '_?=C:\Program Files\MetaTrader 4' ;;
  esac
}
clean() {
  # The wizard's self-removal batch ends after the uninstaller: let it finish.
  local i=0
  while [ -e "$app/Uninstall.exe" ] && ((i++ < 100)); do sleep 0.1; done
  rm -rf "$terminal" "$app" "$menu"
  sync
}
installed() { diff -rq "$work/files" "$terminal/MQL4/Indicators/Pack" >/dev/null; }

declare -A times frames
one() {  # case: runs it and keeps its time and the window's answers
  local out
  out=$(run_case "$1") || { echo "$1 failed: $out" >&2; exit 1; }
  read -r ms answers longest positions <<<"$out"
  times[$1]+="$(echo "$ms / 1000" | bc -l) "
  frames[$1]+="$answers/${longest}ms/$positions "
}
kinds="wizard engine nsis"
clean
for k in $kinds; do  # warm-up, and the check that each installs and removes the files
  run_case "$k-install"
  installed || { echo "$k: installed files differ" >&2; exit 1; }
  run_case "$k-uninstall"
  [ -z "$(find "$terminal/MQL4" -type f 2>/dev/null)" ] || { echo "$k: files left after uninstall" >&2; exit 1; }
  clean
done
times=() frames=()
reversed=$(tr ' ' '\n' <<<"$kinds" | tac | tr '\n' ' ')
for ((r = 1; r <= rounds; r++)); do
  order=$kinds
  ((r % 2 == 0)) && order=$reversed
  for k in $order; do
    one "$k-install"
    one "$k-uninstall"
    clean
  done
done

echo "files: $count, $(du -sm "$work/files" | cut -f1) MiB; rounds: $rounds; load: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-17s %8s %10s %10s  %-24s %s\n' case median "x engine" "x nsis" "all runs (s)" "answers/longest gap/positions"
ratio() { printf '%9.2fx' "$(echo "$1 / $(median "${times[$2]}")" | bc -l)"; }
for action in install uninstall; do
  for k in $kinds; do
    c=$k-$action m=$(median "${times[$k-$action]}")
    printf '%-17s %7.2fs %s %s  %-24s %s\n' "$c" "$m" "$(ratio "$m" "engine-$action")" "$(ratio "$m" "nsis-$action")" \
      "$(printf '%.2f ' ${times[$c]})" "${frames[$c]}"
  done
done
