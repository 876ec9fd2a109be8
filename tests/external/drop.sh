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
probe rows "$rows" 120000
wait "$drag_pid"

mkdir -p "$(dirname "$screenshot")"
import -window root "$screenshot"
echo "screenshot: $screenshot"

probe close 30000
expect_app_exit_zero
