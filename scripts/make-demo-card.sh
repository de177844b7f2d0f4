#!/usr/bin/env bash
# Makes the demo card: about a dozen recordings of one morning drive, the way
# the camera leaves them on its card. Beside the card (OUTDIR-telemetry/) go
# the generator's tables of what some of its recordings hold, for the tests.
# Usage: make-demo-card.sh SAMPLEGEN OUTDIR
set -euo pipefail
gen=$1
out=$2
tmp="$out.tmp"
meta="$out-telemetry"
rm -rf "$tmp" "$meta.tmp"
mkdir -p "$tmp" "$meta.tmp"
run() { "$gen" --out "$tmp" --threads 2 "$@" >/dev/null; }

# Continuous recording, one-minute segments, three cameras, sound on the front one.
run --start 20240501_083000 --type INF --channels 3 --audio --segments 5
# A hard braking in the sixth minute: the camera files it as an event.
run --start 20240501_083500 --type EVT --channels 3 --audio --drive-offset 300 --event-at 25 \
    --telemetry-csv "$meta.tmp/20240501_083500_EVT.csv"
# The drive goes on; one segment stores two cameras as tracks of one file.
run --start 20240501_083600 --type INF --channels 3 --audio --drive-offset 360 --segments 2
run --start 20240501_083800 --type INF --channels 2 --layout single --drive-offset 480
# The driver presses the record button.
run --start 20240501_083900 --type USR --channels 3 --audio --drive-offset 540
run --start 20240501_084000 --type INF --channels 3 --audio --drive-offset 600 --no-fix 20:15 \
    --telemetry-csv "$meta.tmp/20240501_084000_INF.csv"
# Parked: the parking mode records a knock at the car.
run --start 20240501_091500 --type PRK --channels 2 --duration 30 --event-at 15 \
    --telemetry-csv "$meta.tmp/20240501_091500_PRK.csv"

# The camera's own settings file, as a KT90ALM leaves it.
run --config KT90ALM_D2W --config-only

rm -rf "$out" "$meta"
mv "$tmp" "$out"
mv "$meta.tmp" "$meta"
