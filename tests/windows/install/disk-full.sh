#!/usr/bin/env bash
# disk-full.sh WINE_RUN PREFIX ZPBUILD_EXE ZPRUN_EXE WORK
# A terminal on a drive that fills up in the middle of a content: a 1 MiB
# tmpfs mounted as a Wine drive. The run ends with the system's message, the
# file that did not fit is gone, and what was installed before it stays.
# Needs root (to mount); says why and skips (code 77) otherwise.
source "$(dirname "$0")/script-common.sh"

rm -rf "$work" && mkdir -p "$work/src" "$work/mnt"
mount -t tmpfs -o size=1m zptest-full "$work/mnt" 2>"$work/mount.txt" ||
  { echo "skipped: cannot mount a tmpfs here ($(cat "$work/mount.txt"))"; exit 77; }
letter=
mkdir -p "$prefix/dosdevices"
for l in q r s t u v w x y; do [ -e "$prefix/dosdevices/$l:" ] || { letter=$l; break; }; done
[ -n "$letter" ] || { umount "$work/mnt"; fail "no free drive letter in the prefix"; }
trap 'rm -f "$prefix/dosdevices/$letter:"; umount "$work/mnt"' EXIT
ln -s "$work/mnt" "$prefix/dosdevices/$letter:"
drive=$(printf '%s' "$letter" | tr a-z A-Z):

printf 'small and first' >"$work/src/First.ex4"
head -c $((3 * 1024 * 1024)) /dev/urandom >"$work/src/Large.ex4"
cat >"$work/full.toml" <<TOML
[product]
name = "ZpTest Disk Full"
[[files]]
source = "src/First.ex4"
target = '{experts}\\First.ex4'
[[files]]
source = "src/Large.ex4"
target = '{experts}\\Large.ex4'
TOML
build "$work/full.toml" "$work/setup.exe"
mkdir -p "$work/mnt/Terminal"

set +e
log=$(wine "$work/setup.exe" install "$(win "$work/setup.exe")" "$drive\\Terminal" 2>"$work/error.txt")
code=$?
set -e
[ "$code" -ne 0 ] || fail "the run reported success on a full disk: $log"
grep -q 'Large.ex4' "$work/error.txt" || fail "the error does not name the file: $(cat "$work/error.txt")"
experts=$(find "$work/mnt/Terminal" -type d -iname experts | head -n 1)
[ "$(cat "$experts/First.ex4")" = "small and first" ] || fail "the file before the failure is gone"
[ ! -e "$experts/Large.ex4" ] || fail "a cut-off Large.ex4 of $(stat -c %s "$experts/Large.ex4") bytes is left"
[ ! -e "$prefix/drive_c/Program Files/ZpTest Disk Full/Uninstall.exe" ] || fail "an uninstaller was written"
rm -rf "$prefix/drive_c/Program Files/ZpTest Disk Full"
echo "full disk: $(cat "$work/error.txt")"
