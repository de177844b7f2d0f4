#!/usr/bin/env bash
# The real program with a stored agreement value that is not an agreement:
# it ends at once with exit code 0, shows no window and logs why.
set -euo pipefail
app=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" HOME="$work" QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_CONFIG_HOME/pexlan"
printf '[General]\nagreement=2\nversion=1.0.5\n' > "$XDG_CONFIG_HOME/pexlan/melcor.conf"
status=0
timeout 20 "$app" || status=$?
[ "$status" -eq 0 ] || { echo "FAIL: exit code $status" >&2; exit 1; }
log="$XDG_DATA_HOME/com.TARVIK_DASHCAM/TARVIK DASHCAM/playerStatus.txt"
grep -q ':: \[i\] User disagree to use privacy information for program' "$log" || { echo "FAIL: no refusal line" >&2; exit 1; }
grep -q ':: \[i\] Start to set UI' "$log" && { echo "FAIL: the window was built" >&2; exit 1; }
# The stored version is brought up to this program's at start.
grep -q '^version=1.0.6' "$XDG_CONFIG_HOME/pexlan/melcor.conf" || { echo "FAIL: version not rewritten" >&2; exit 1; }
echo ok
