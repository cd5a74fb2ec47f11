# Sourced by the install scripts that take WINE_RUN PREFIX ZPBUILD_EXE
# ZPRUN_EXE WORK: their arguments, host paths as Wine sees them, running a
# program in the prefix, and failing with a reason.
set -euo pipefail
run=$1 prefix=$2 zpbuild=$3 zprun=$4 work=$5
win() { printf 'Z:%s' "${1//\//\\}"; }
wine() { "$run" --prefix "$prefix" "$@"; }
fail() { echo "FAILED: $*"; exit 1; }
# build PROJECT INSTALLER: zpbuild makes the installer with zprun's image.
build() { wine "$zpbuild" build "$(win "$1")" --stub "$(win "$zprun")" -o "$(win "$2")" >/dev/null; }
