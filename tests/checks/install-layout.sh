#!/usr/bin/env bash
# The installed layout: `cmake --install` of the Linux build writes bin/zpbuild
# and share/zpinstall/Install.exe (the 32-bit image), and that zpbuild builds
# an installer on that image with no --stub, from any working folder.
#   install-layout.sh BUILD_DIR SOURCE_DIR IMAGE
# Exits 77 (skipped) when the win32 image has not been built.
set -euo pipefail
build=$1 source=$2 image=$3
[ -f "$image" ] || { echo "no $image: build the win32 preset"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
cmp "$image" "$work/prefix/share/zpinstall/Install.exe"
# A changed byte of the DOS stub's text tells the installed copy from the build's.
printf 'Z' | dd of="$work/prefix/share/zpinstall/Install.exe" bs=1 seek=100 conv=notrunc status=none
cd "$work"
"$work/prefix/bin/zpbuild" build "$source/examples/demo/demo.toml" -o "$work/setup.exe" >/dev/null
size=$(stat -c %s "$work/prefix/share/zpinstall/Install.exe")
cmp -n 136 "$work/prefix/share/zpinstall/Install.exe" "$work/setup.exe"
cmp -i 140 -n $((size - 140)) "$work/prefix/share/zpinstall/Install.exe" "$work/setup.exe"
"$work/prefix/bin/zpbuild" verify "$work/setup.exe"
echo "installed zpbuild built $(stat -c %s "$work/setup.exe") bytes on the installed $size-byte image"
