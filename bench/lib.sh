# Helpers of the benchmark scripts under wine64; sourced, not run.

win() { printf 'Z:%s' "${1//\//\\}"; }  # a host path as wine sees it

# One persistent server for every run, so that no run pays for starting it;
# it goes when the script ends.
persistent_wineserver() {
  local server=/usr/lib/wine/wineserver
  "$server" -w
  "$server" -p &
  trap '/usr/lib/wine/wineserver -k || true' EXIT
  /usr/lib/wine/wine64 cmd /c exit >/dev/null
}

# Runs run_case CASE and adds its wall-clock seconds to times[CASE] (an
# associative array of the caller).
timed_case() {
  local start end
  start=$(date +%s.%N)
  run_case "$1"
  end=$(date +%s.%N)
  times[$1]+="$(echo "$end - $start" | bc) "
}

# Runs every case of CASES ROUNDS times through timed_case, each after clean
# (both the caller's), every other round in reverse order: no case always runs
# right after the same one (the file system's write-back of the previous
# case's files).
timed_rounds() {
  local cases=$1 rounds=$2 reversed order r c
  reversed=$(tr ' ' '\n' <<<"$cases" | grep . | tac | tr '\n' ' ')
  for ((r = 1; r <= rounds; r++)); do
    order=$cases
    ((r % 2 == 0)) && order=$reversed
    for c in $order; do
      clean
      timed_case "$c"
    done
  done
  clean
}

median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
