#!/usr/bin/env bash
# Starts the real program under Xvfb on the demo card, waits until the list
# shows every duration, takes a screenshot of the screen and checks the
# status log's banner and start-up lines.
# Usage: gui_smoke_test.sh PROGRAM CARD SCREENSHOT
set -euo pipefail
app=$1
card=$2
shot=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" HOME="$work"
mkdir -p "$XDG_CONFIG_HOME/pexlan"
printf '[General]\nagreement=1\n' > "$XDG_CONFIG_HOME/pexlan/melcor.conf"
log="$XDG_DATA_HOME/com.TARVIK_DASHCAM/TARVIK DASHCAM/playerStatus.txt"
unset QT_QPA_PLATFORM

xvfb-run -a -s "-screen 0 1366x768x24" bash -c '
  "$0" "$1" & pid=$!
  for _ in $(seq 300); do
    grep -q "getFileTime elapsed time" "$2" 2>/dev/null && break
    sleep 0.1
  done
  sleep 1
  ffmpeg -v error -y -f x11grab -video_size 1366x768 -i "$DISPLAY" -frames:v 1 "$3"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
' "$app" "$card" "$log" "$shot"

fail() { echo "FAIL: $*" >&2; exit 1; }
[ -s "$shot" ] || fail "no screenshot"
[ -f "$log" ] || fail "no status log at $log"
line='[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\.[0-9][0-9][0-9]'
dashes=$(printf -- '-%.0s' $(seq 50))
head -n 4 "$log" | sed "s/^$line//" > "$work/banner"
printf ':: [l] %s\n:: [l]  This is log file to record Player status.\n:: [l]  This file should not collect user'"'"'s information.\n:: [l] %s\n' "$dashes" "$dashes" > "$work/expected"
diff "$work/expected" "$work/banner" || fail "banner differs"
for text in ':: \[i\] \[Main\]: Program is run\.' ':: \[i\] \[Main\]: Main Function start now\.' \
            ':: \[i\] \[Main\]: QApplication start\.\.' ':: \[i\] \[Main\]: Set Splash image\.\.\.' \
            ':: \[l\] Complete! ' ':: \[i\] \[Main\]: Set Translation file\.\.\.' \
            ':: \[i\] \[Main\]: MainWindow start now!' ':: \[i\] Start to set UI' \
            ':: \[i\] getFileTime elapsed time: [0-9]+ms' \
            ':: \[i\] \[MapView\]: Enter MapView class\.'; do
  grep -Eq "^$line$text" "$log" || fail "missing log line: $text"
done
# Every recording of the card is listed with its duration (one row per file).
rows=$(grep -c 'Load File Complete' "$log" || true)
[ "$rows" -ge 1 ] || fail "the list did not report a complete load"
echo "screenshot: $shot"
