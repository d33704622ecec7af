#!/usr/bin/env bash
# Rebuilds the drawing tool and redraws everything under resources/, the
# resource list skin/kiv_resources.qrc and resources/README.md.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${KIV_RESOURCE_TOOL_BUILD:-/tmp/kiv-resource-tool}"
cmake -S "$here/tool" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" >/dev/null
QT_QPA_PLATFORM=offscreen "$build/kiv-draw-resources" "$here" "$here/../skin/kiv_resources.qrc"
