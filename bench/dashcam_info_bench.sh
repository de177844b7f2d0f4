#!/usr/bin/env bash
# dashcam_info_bench: how long `dashcam info` takes on a card of 1,000 one-minute recordings
# with three channels each (3,000 files named by the camera's grammar, each with the full
# minute of telemetry: 600 GPS and G-sensor records). The files are copies of one recording
# per channel made by the sample generator, written on the first run and kept.
#
# Every round runs the real program (`info --quiet --json`) and checks its answer: 1,000 rows,
# all readable, exit status 0. Reported are each round's wall time and the best and median.
# The CPU time is given beside the wall time: on a busy machine the wall time also holds the
# wait for the cores. The first round reads the files from disk if they are not in the page
# cache yet.
#
# Usage: dashcam_info_bench.sh DASHCAM SAMPLEGEN FOLDER [ROUNDS]
set -euo pipefail
dashcam=$1
samplegen=$2
card=$3
rounds=${4:-5}
recordings=1000

if [[ ! -f "$card/.complete" ]]; then
  rm -rf "$card" "$card.src"
  mkdir -p "$card/DCIM" "$card.src"
  "$samplegen" --out "$card.src" --start 20240301_070000 --channels 3 --duration 60 \
      --size 64x64 --fps 5 >/dev/null
  start=$(date -u -d "2024-03-01 07:00:00" +%s)
  for ((i = 0; i < recordings; i++)); do
    name=$(date -u -d "@$((start + 60 * i))" +%Y%m%d_%H%M%S)
    for c in 1 2 3; do
      cp "$card.src/20240301_070000_INF_$c.mp4" "$card/DCIM/${name}_INF_$c.mp4"
    done
  done
  rm -rf "$card.src"
  touch "$card/.complete"
fi

files=$(find "$card/DCIM" -name '*.mp4' | wc -l)
echo "dashcam info on $files files ($recordings recordings), $(nproc) cores"
times=()
TIMEFORMAT='%R %U %S'
for ((r = 1; r <= rounds; r++)); do
  set +e
  { time "$dashcam" info --quiet --json "$card" >"$card.out"; } 2>"$card.time"
  status=$?
  set -e
  read -r wall user sys <"$card.time"
  rows=$(python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); print(sum(1 for r in d if r["status"]=="ok"))' "$card.out")
  if [[ $status -ne 0 || $rows -ne $recordings ]]; then
    echo "round $r: exit $status, $rows readable recordings of $recordings" >&2
    exit 1
  fi
  ms=$(python3 -c "print(round($wall * 1000))")
  times+=("$ms")
  echo "round $r: $ms ms wall, ${user} s user + ${sys} s sys CPU (load: $(cut -d' ' -f1 /proc/loadavg))"
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
echo "best ${sorted[0]} ms, median ${sorted[$((rounds / 2))]} ms (target: under 1000 ms)"
