#!/bin/bash
# The picture test: renders what the renderer received (the stand-in's journal
# replayed into a .glb) and the host's own model, both from the host's camera,
# and compares the pictures with f3d's reference-image comparison.
#   picture_test.sh PICTURE_SCENES SCENE_REPLAY WORK_FOLDER [--wrong-axes]
# --wrong-axes replays the geometry turned the wrong way and then expects the
# comparison to fail: the test must be able to see a misplaced scene.
# Both files are written without lights and with one neutral material, so
# the pictures show where the geometry and the camera are and nothing else.
#
# Threshold: f3d's own default, 50 (f3d's difference measure). Identical scenes
# give 0; two independently built files may differ in the last bit of a float,
# which at most moves a few edge pixels. A view angle off by 0.1 degree already
# gives about 40, 0.7 degree about 570, and the wrong axis turn about 17 000.
set -uo pipefail
readonly THRESHOLD=50

if [ $# -lt 3 ]; then
  echo "usage: picture_test.sh PICTURE_SCENES SCENE_REPLAY WORK_FOLDER [--wrong-axes]" >&2
  exit 2
fi
scenes=$1 replay=$2 work=$3 wrong=${4:-}
render="$(dirname "$0")/../../scripts/render.sh"
rm -rf "$work" && mkdir -p "$work" || exit 1

"$scenes" "$work" || exit 1
replay_args=(--no-lights --no-materials --glb "$work/received.glb")
[ "$wrong" = --wrong-axes ] && replay_args+=(--wrong-axes)
"$replay" "${replay_args[@]}" "$work/journal.jsonl" || exit 1
"$render" "$work/host.glb" "$work/host.png" || exit 1
"$render" "$work/received.glb" "$work/received.png" "$work/host.png" "$THRESHOLD"
status=$?

if [ "$wrong" = --wrong-axes ]; then
  if [ $status -eq 1 ]; then
    echo "as expected, the wrongly turned geometry does not look like the host's model"
    exit 0
  fi
  echo "the wrongly turned geometry was not told apart from the host's model (status $status)" >&2
  exit 1
fi
if [ $status -eq 0 ]; then
  echo "what the renderer received looks like the host's model from the host's camera"
fi
exit $status
