#!/usr/bin/env bash
# Installs every Debian 12 package the build, the tests and the programs need.
# Quiet and quick when everything is already there; works as root or through sudo.
set -euo pipefail

packages=(
  # compiler and build
  g++ cmake ninja-build make pkg-config
  # Qt 5.15: widgets, svg, translations, web engine for the map
  qtbase5-dev libqt5svg5-dev qttools5-dev-tools qtwebengine5-dev libjs-leaflet
  qt5-image-formats-plugins
  # video
  libvlc-dev vlc-plugin-base vlc-plugin-video-output
  # the plugin cache: without it every libvlc instance scans all plugins at start
  libvlc-bin
  # JSON, zlib
  rapidjson-dev zlib1g-dev
  # test media, reference reader and the benchmark's comparison library
  ffmpeg libavformat-dev libavcodec-dev libavutil-dev
  # card formatting
  dosfstools mtools
  # fuzzing (libFuzzer comes with clang's runtime)
  clang-14 libclang-rt-14-dev
  # tests
  libgtest-dev xvfb xauth xdotool poppler-utils python3-pyftpdlib
  # reading back the telemetry exports of the dashcam program
  gpsbabel libxml2-utils
  # Qt's own dialogs in Korean and Hebrew
  qttranslations5-l10n
  # theme font
  fonts-noto-cjk
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "install-deps: missing packages (${missing[*]}) and neither root nor sudo" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
