#!/bin/sh
# Runs a command on the current X display with openbox managing its windows; 77 (skipped)
# when openbox is not installed.
command -v openbox >/dev/null || exit 77
ready=$(mktemp -u)
openbox --startup "touch $ready" >/dev/null 2>&1 &
wm=$!
n=0
while [ ! -e "$ready" ] && [ $n -lt 200 ]; do
  sleep 0.05
  n=$((n + 1))
done
if [ ! -e "$ready" ]; then
  kill $wm
  echo "openbox did not start" >&2
  exit 1
fi
rm -f "$ready"
"$@"
status=$?
kill $wm
wait $wm 2>/dev/null
exit $status
