#!/usr/bin/env bash
# Seed inputs for the fuzz harnesses, made with our sample generator and
# ffmpeg: small recordings in every layout the readers take, the codec
# configuration records inside them, and short elementary streams.
#   scripts/make-fuzz-seeds.sh SAMPLEGEN OUTDIR
# Writes OUTDIR/<harness>/...; files are kept small so that each run is fast.
set -euo pipefail
samplegen=$1
out=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"/{mp4_reader,avi_reader,h264,h265,mp3,aac}

# Recordings: 64x64 pictures, five frames a second, under a second long.
gen() {
  local name=$1
  shift
  local dir="$work/$name"
  mkdir -p "$dir"
  "$samplegen" --out "$dir" --size 64x64 --fps 5 --duration 0.6 --gop 2 "$@" >/dev/null
}
gen mp4-plain
gen mp4-audio --audio
gen mp4-h265 --codec h265
gen mp4-hev1 --codec h265 --hevc-tag hev1
gen mp4-frag --fragmented --audio
gen mp4-moov-first --moov-first
gen mp4-three --channels 3 --layout single
gen mp4-short --short-record 1:20
gen avi-idx1 --container avi --audio
gen avi-odml --container avi --avi-index odml --avi-riff-limit 4096 --channels 2 --layout single
gen avi-none --container avi --avi-index none
gen avi-noadas --container avi --no-adas
for dir in "$work"/mp4-*; do
  for f in "$dir"/*.mp4; do cp "$f" "$out/mp4_reader/$(basename "$dir")-$(basename "$f")"; done
done
for dir in "$work"/avi-*; do
  for f in "$dir"/*.avi; do cp "$f" "$out/avi_reader/$(basename "$dir")-$(basename "$f")"; done
done

# The same from ffmpeg's own muxers: other box and chunk layouts.
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
src=(-f lavfi -i testsrc=size=64x64:rate=5:duration=0.6 -f lavfi -i sine=frequency=440:duration=0.6)
ff "${src[@]}" -c:v libx264 -g 2 -c:a aac -b:a 32k "$out/mp4_reader/ffmpeg-h264-aac.mp4"
ff "${src[@]}" -c:v libx264 -g 2 -c:a aac -b:a 32k -movflags +faststart "$out/mp4_reader/ffmpeg-faststart.mp4"
ff "${src[@]}" -c:v libx264 -g 2 -c:a aac -b:a 32k -movflags +frag_keyframe+empty_moov \
  "$out/mp4_reader/ffmpeg-fragmented.mp4"
ff "${src[@]}" -c:v libx265 -x265-params log-level=none -g 2 -an -tag:v hvc1 "$out/mp4_reader/ffmpeg-hvc1.mp4"
ff "${src[@]}" -c:v mpeg4 -g 2 -c:a libmp3lame -b:a 32k "$out/mp4_reader/ffmpeg-mpeg4-mp3.mp4"
ff "${src[@]}" -c:v libx264 -g 2 -c:a pcm_s16le "$out/mp4_reader/ffmpeg-pcm.mov"
ff "${src[@]}" -c:v libx264 -g 2 -c:a libmp3lame -b:a 32k "$out/avi_reader/ffmpeg-h264-mp3.avi"
ff "${src[@]}" -c:v mjpeg -c:a pcm_s16le "$out/avi_reader/ffmpeg-mjpeg-pcm.avi"
ff "${src[@]}" -c:v mpeg4 -c:a aac -b:a 32k "$out/avi_reader/ffmpeg-mpeg4-aac.avi"

# Elementary streams and audio.
ff -f lavfi -i testsrc=size=64x64:rate=5:duration=0.6 -c:v libx264 -g 2 -f h264 "$out/h264/stream.h264"
ff -f lavfi -i testsrc=size=64x64:rate=5:duration=0.6 -c:v libx265 -x265-params log-level=none \
  -g 2 -f hevc "$out/h265/stream.h265"
ff -f lavfi -i sine=frequency=440:duration=0.3 -c:a libmp3lame -b:a 32k "$out/mp3/sine.mp3"
ff -f lavfi -i sine=frequency=440:duration=0.3:sample_rate=22050 -c:a libmp3lame -b:a 16k \
  "$out/mp3/sine-22k.mp3"

# Codec configuration records ("avcC", "hvcC", the AudioSpecificConfig of
# "esds") cut out of the recordings, as the readers hand them on.
python3 - "$out" <<'PY'
import os, struct, sys
out = sys.argv[1]
def payloads(data, kind):
    at = data.find(kind)
    while at >= 4:
        size = struct.unpack('>I', data[at - 4:at])[0]
        if 8 <= size <= len(data) - at + 4:
            yield data[at + 4:at - 4 + size]
        at = data.find(kind, at + 4)
seen = set()
for name in sorted(os.listdir(os.path.join(out, 'mp4_reader'))):
    data = open(os.path.join(out, 'mp4_reader', name), 'rb').read()
    for kind, dest in ((b'avcC', 'h264'), (b'hvcC', 'h265')):
        for p in payloads(data, kind):
            if p not in seen:
                seen.add(p)
                open(os.path.join(out, dest, '%s-%s.bin' % (name, kind.decode())), 'wb').write(p)
    for p in payloads(data, b'esds'):
        # The decoder specific information: tag 5, its size (7 bits a byte,
        # high bit for more), the bytes.
        i = p.find(b'\x05')
        while 0 <= i < len(p) - 2:
            j, n = i + 1, 0
            while j < len(p) and j < i + 5:
                n = (n << 7) | (p[j] & 0x7F)
                j += 1
                if not p[j - 1] & 0x80:
                    break
            if 2 <= n <= 16 and j + n <= len(p):
                cfg = p[j:j + n]
                if cfg not in seen:
                    seen.add(cfg)
                    open(os.path.join(out, 'aac', '%s-asc.bin' % name), 'wb').write(cfg)
                break
            i = p.find(b'\x05', i + 1)
PY
