#!/bin/sh
# check-links.sh LNKINFO FOLDER: every shortcut listed in FOLDER/expected.txt
# ("name|target|working folder" per line) must show that target path and
# working folder when lnkinfo, an independent reader of the format, reads it.
set -u
lnkinfo=$1 folder=$2
[ -s "$folder/expected.txt" ] || { echo "no shortcuts to check in $folder"; exit 1; }
failures=0 count=0
while IFS='|' read -r name target working; do
  count=$((count + 1))
  info=$("$lnkinfo" "$folder/$name" 2>&1) || { printf "%s\n" "$name: lnkinfo failed: $info"; failures=$((failures + 1)); continue; }
  path=$(printf '%s\n' "$info" | sed -n 's/^[[:space:]]*Local path[[:space:]]*: //p')
  dir=$(printf '%s\n' "$info" | sed -n 's/^[[:space:]]*Working directory[[:space:]]*: //p')
  if [ "$path" != "$target" ] || [ "$dir" != "$working" ]; then
    printf '%s\n' "$name: target '$path' (want '$target'), working folder '$dir' (want '$working')"
    failures=$((failures + 1))
  fi
done < "$folder/expected.txt"
echo "$count shortcuts checked, $failures wrong"
[ "$failures" -eq 0 ]
