#!/bin/bash
# Demonstrates the bridge under Wine: a test host opens its main window and a
# renderer window, starts Tarnwick.exe with a request word, starts it again
# with another word (forwarded to the resident bridge, which exits at once),
# closes its window, sees the bridge end, and prints the bridge's log.
#   scripts/demo.sh [FIRST_WORD [SECOND_WORD]]   (default: cameraSync ModelSync)
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset windows >/dev/null
cmake --build --preset windows -j "${TARNWICK_JOBS:-2}" --target test_host
status=0
cmake/wine-run.sh build/windows/bin/test_host.exe "${1:-cameraSync}" "${2:-ModelSync}" || status=$?
cmake/wine-run.sh --stop build/windows
exit $status
