#!/usr/bin/env bash
# Drops a real file on the running kestrivo.exe from outside, as a file manager
# does (XDND under Xvfb), waits until its list shows the expected number of rows,
# takes a screenshot of the screen, then closes the program.
# Usage: drop.sh WINE_RUN KESTRIVO_EXE PROBE_EXE XDND_DROP FILE ROWS SCREENSHOT
set -euo pipefail
WINE_RUN=$1 KESTRIVO_EXE=$2 PROBE_EXE=$3
xdnd_drop=$4 file=$5 rows=$6 screenshot=$7
source "$(dirname "$0")/app_session.sh"

start_app
read -r word x y < <(probe find 30000)
[ "$word" = list-center ] || { echo "no window: $word $x $y"; exit 1; }
echo "dropping $file at $x,$y"

# The drag source stays until the program reports the drop finished, which
# happens only once the listing is done; watch the rows meanwhile.
"$xdnd_drop" "$x" "$y" "$file" &
drag_pid=$!
helper_pids+=("$drag_pid")
if ! probe rows "$rows" 120000; then
  mkdir -p "$(dirname "$screenshot")"
  import -window root "${screenshot%.png}-failed.png"
  echo "screen at the failure: ${screenshot%.png}-failed.png"
  exit 1
fi
wait "$drag_pid"

# Wine puts a repainted window on the X screen a moment later: take the picture
# once two grabs in a row show the same pixels (at most about 5 s).
mkdir -p "$(dirname "$screenshot")"
previous=""
for attempt in $(seq 1 25); do
  current=$(import -window root -depth 8 rgb:- | md5sum)
  [ "$current" = "$previous" ] && break
  previous=$current
  sleep 0.2
done
import -window root "$screenshot"
echo "screenshot: $screenshot"

probe close 30000
expect_app_exit_zero
