#!/usr/bin/env bash
# Runs a GUI test under wine64 and takes the screenshots it asks for with
# ImageMagick's import: the test writes NAME.req (the window's rectangle as
# WxH+X+Y) into the shots folder and waits for NAME.png.
#   run-with-shots.sh SHOTS_DIR WINE_RUN PREFIX TEST_EXE [ARGS...]
set -uo pipefail
shots=$1 wine_run=$2 prefix=$3; shift 3
mkdir -p "$shots"
rm -f "$shots"/*.req
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$shots" "$wine_run" "$prefix" "$@"
fi
export ZP_SHOTS_DIR=$shots
"$wine_run" --prefix "$prefix" "$@" &
test_pid=$!
while kill -0 $test_pid 2>/dev/null; do
  for req in "$shots"/*.req; do
    [ -e "$req" ] || continue
    name=${req%.req}
    import -silent -window root -crop "$(cat "$req")" +repage "png:$name.png.tmp" &&
      mv "$name.png.tmp" "$name.png"
    rm -f "$req"
  done
  sleep 0.1
done
wait $test_pid
