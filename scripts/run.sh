#!/usr/bin/env bash
# Installs what is missing, builds, registers the log module in a registry
# store inside the build tree (nothing outside the checkout changes) and runs
# the main job on a bundled sample log: with a display, the viewer opens it;
# without one, the log's information is printed and the log is exported as
# CSV and as a workbook into build/default/run-output/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"

bin="$root/build/default/bin"
export CORVEX_REGISTRY="$root/build/default/registry"
sample="$root/samples/pc_flow.log"

if [ -x "$bin/corvex-regsvr" ]; then
  "$bin/corvex-regsvr" "$bin/libCorvex.so"
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$bin/CorvexViewer" ]; then
  # The viewer's settings (export options, last folder, delimiter) stay in the build tree too.
  export CORVEX_VIEWER_SETTINGS="$root/build/default/CorvexViewer.ini"
  echo "Opening $sample in the viewer"
  exec "$bin/CorvexViewer" "$sample"
fi

out="$root/build/default/run-output"
mkdir -p "$out"
if [ -x "$bin/corvex" ] && [ -f "$sample" ] && "$bin/corvex" info --help >/dev/null 2>&1; then
  "$bin/corvex" info "$sample"
  "$bin/corvex" export "$sample" -o "$out/pc_flow.csv"
  "$bin/corvex" export "$sample" -o "$out/pc_flow.xlsx"
  echo "Exported $sample to:"
  echo "  $out/pc_flow.csv"
  echo "  $out/pc_flow.xlsx"
else
  echo "Built into $bin; the command-line tool and the sample logs are not ready yet."
fi
