#!/usr/bin/env bash
# Brings the translation sources up to date with the viewer's code (the tests'
# texts are not the program's and stay out). New texts arrive unfinished and
# are translated by hand before they are committed.
set -euo pipefail
cd "$(dirname "$0")/.."
dirs=$(find viewer -mindepth 1 -maxdepth 1 -type d ! -name tests | sort)
lupdate -no-obsolete -locations none $dirs \
  -ts resources/translation/trans_en.ts resources/translation/trans_ko.ts \
      resources/translation/trans_he.ts
