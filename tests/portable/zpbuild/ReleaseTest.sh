#!/usr/bin/env bash
# ReleaseTest.sh linux|windows BUILD_DIR WIN32_BUILD_DIR WORK
# Makes one download of scripts/release from the builds at hand, unpacks it
# into an empty folder and builds the demo with it as a publisher would: no
# flags, the image and the translations found beside zpbuild. The Windows
# download runs under wine with the 64-bit zpbuild.exe in it (wine64 cannot
# run the 32-bit one that ships).
set -euo pipefail
kind=$1 build=$2 win32=$3 work=$4
root=$(cd "$(dirname "$0")/../../.." && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }
if [ ! -f "$win32/src/startup/Install.exe" ]; then
  echo "$win32/src/startup/Install.exe is missing: build the win32 preset"
  exit 77
fi

rm -rf "$work" && mkdir -p "$work/dist" "$work/unpacked"
if [ "$kind" = linux ]; then
  archive=$("$root/scripts/release" --no-build --only linux --native "$build" --win32 "$win32" --out "$work/dist")
  tar -C "$work/unpacked" -xzf "$archive"
  zpbuild() { (cd "$work" && "unpacked/$folder/zpbuild" "$@"); }
else
  archive=$("$root/scripts/release" --no-build --only windows --win32 "$win32" --out "$work/dist" \
    --windows-zpbuild "$build/tools/zpbuild/zpbuild.exe")
  (cd "$work/unpacked" && cmake -E tar xf "$archive")
  zpbuild() { (cd "$work" && "$root/scripts/wine-run" --prefix "$build/wineprefix" "unpacked/$folder/zpbuild.exe" "$@"); }
fi
folder=$(basename "$archive" | sed 's/\.tar\.gz$//; s/\.zip$//')
version=$(sed -n 's/^project(ZpInstall VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
case $folder in zpinstall-$version-linux-x86_64 | zpinstall-$version-windows) ;; *) fail "archive named $folder" ;; esac
for f in Install.exe lang/de.toml zpbuild.md README.txt; do
  [ -f "$work/unpacked/$folder/$f" ] || fail "$folder/$f is missing"
done
cmp -s "$win32/src/startup/Install.exe" "$work/unpacked/$folder/Install.exe" || fail "Install.exe is not the 32-bit image"

# The demo as it is, and once more with a shipped translation.
cp -r "$root/examples/demo" "$work/demo"
zpbuild build demo/demo.toml -o Setup.exe >"$work/build.txt" 2>&1 || fail "build: $(cat "$work/build.txt")"
zpbuild build demo/demo.toml -o SetupDe.exe --set translations.include=zpinstall:de >"$work/build.txt" 2>&1 ||
  fail "build with zpinstall:de: $(cat "$work/build.txt")"
for setup in Setup.exe SetupDe.exe; do
  zpbuild verify $setup >"$work/verify.txt" 2>&1 || fail "verify $setup: $(cat "$work/verify.txt")"
done
echo "$folder builds the demo"
