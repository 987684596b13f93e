#!/bin/bash
# Shows Tarnwick at work under Wine. The host simulator (host_sim.exe) plays the
# CAD application's plug-in: it opens the host's window, writes the exchange
# folder (a farmstead model of some 14 000 triangles with textured materials,
# lights of every kind and saved views), starts Tarnwick.exe, which starts the
# stand-in renderer and sends it the whole model and the camera; then it asks
# for the saved views and for a model sync (the handshake: sync record, changes,
# update), closes its window and sees the bridge end. Afterwards this script
# shows what the renderer received, the bridge's log and its sync record, and
# ends with a picture of what the renderer received, seen from the host's
# camera: build/demo/received.png (the scene itself: build/demo/received.glb).
#   scripts/demo.sh [SCENARIO]   (default: demo; "house" runs the house sample;
#                                  build/windows/bin/host_sim.exe --list shows all)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${TARNWICK_JOBS:-2}
scenario=${1:-demo}

echo "== Building Tarnwick.exe, the stand-in renderer D5Api.dll and the host simulator"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs" --target host_sim
echo "== Building the journal summariser and the scene replay (native)"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs" --target journal_summary scene_replay tarnwick_inspect
pictures=$PWD/build/demo

out=$(mktemp -d)
trap 'rm -rf "$out"; cmake/wine-run.sh --stop build/windows' EXIT

echo
echo "== The host simulator plays the host's plug-in (scenario \"$scenario\")"
status=0
# The stand-in records whole arrays, so that the scene can be rebuilt from its journal.
RENDERER_STANDIN_WHOLE_ARRAYS=1 cmake/wine-run.sh build/windows/bin/host_sim.exe \
  --out "$out" "$scenario" || status=$?

if [ -s "$out/journal.jsonl" ]; then
  echo
  echo "== What the renderer received in all (from the stand-in's journal of every call)"
  build/native/tools/journal_summary/journal_summary "$out/journal.jsonl"
fi
if [ -f "$out/D5_Log.log" ]; then
  echo
  echo "== The bridge's log D5_Log.log"
  tr -d '\r' <"$out/D5_Log.log"
fi
if [ -f "$out/_mod.sync" ]; then
  echo
  echo "== The sync record _mod.sync: what the renderer held when the host asked for a model sync"
  tr -d '\r' <"$out/_mod.sync"
fi
if [ -f "$out/_model.cvm" ]; then
  echo
  echo "== The exchange folder as tarnwick_inspect sees it (findings do not fail the demonstration)"
  build/native/tools/inspect/tarnwick_inspect "$out" || true
fi
if [ -s "$out/journal.jsonl" ]; then
  echo
  echo "== What the renderer holds at the end, as a glTF scene and a picture from the host's camera"
  mkdir -p "$pictures"
  build/native/tools/scene_replay/scene_replay --glb "$pictures/received.glb" "$out/journal.jsonl"
  # The picture is lit by the viewer's own lights; the renderer's lights are in the .glb.
  build/native/tools/scene_replay/scene_replay --no-lights --glb "$out/picture.glb" \
    "$out/journal.jsonl" >/dev/null
  if scripts/render.sh "$out/picture.glb" "$pictures/received.png"; then
    echo "The picture of what the renderer received: $pictures/received.png"
  else
    status=1
  fi
fi
exit $status
