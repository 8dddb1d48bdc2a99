#!/usr/bin/env bash
# Makes docs/viewer.png, the README's picture of the viewer: the program
# renders its own window offscreen once it has read the sample log
# (CORVEX_VIEWER_SCREENSHOT), so the picture shows the viewer as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build --preset default --target CorvexViewer Corvex >/dev/null
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
env CORVEX_VIEWER_SETTINGS="$scratch/CorvexViewer.ini" CORVEX_REGISTRY="$scratch/registry" \
    QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 CORVEX_VIEWER_SCREENSHOT="$(pwd)/docs/viewer.png" \
    build/default/bin/CorvexViewer samples/pc_flow.log 2>/dev/null
echo "docs/viewer.png"
