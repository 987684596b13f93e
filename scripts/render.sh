#!/bin/bash
# Renders a binary glTF file (.glb) to a PNG picture with f3d, headless through
# xvfb-run, seen from the file's first camera (the scene tools write the active
# camera first, so the picture is taken from the host's camera).
#   scripts/render.sh IN.glb OUT.png [REFERENCE.png THRESHOLD]
# With a reference, f3d compares its picture with it instead (f3d's
# reference-image comparison): exit code 0 when the difference is at most
# THRESHOLD, 1 when it is higher (OUT.png and a .diff.png are then written),
# 3 when f3d could not render at all, 2 on a usage error.
set -uo pipefail

# One size for every picture, so that pictures and references compare.
readonly RESOLUTION=800,500
readonly CAMERA_INDEX=0

if [ $# -ne 2 ] && [ $# -ne 4 ]; then
  echo "usage: scripts/render.sh IN.glb OUT.png [REFERENCE.png THRESHOLD]" >&2
  exit 2
fi
in=$1 out=$2
for tool in f3d xvfb-run; do
  if ! command -v "$tool" >/dev/null; then
    echo "render.sh: $tool is missing (scripts/setup.sh installs it)" >&2
    exit 2
  fi
done
[ -f "$in" ] || { echo "render.sh: no file $in" >&2; exit 2; }

args=(--camera-index "$CAMERA_INDEX" --resolution "$RESOLUTION" --output "$out")
if [ $# -eq 4 ]; then args+=(--ref "$3" --ref-threshold "$4"); fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
xvfb-run -a -s "-screen 0 1024x768x24" f3d "${args[@]}" "$in" >"$log" 2>&1
status=$?
if [ $# -eq 4 ]; then
  # f3d says "difference with reference image" only when it rendered and compared.
  if grep -q "difference with reference image" "$log"; then
    sed 's/\x1b\[[0-9;]*m//g' "$log" | grep "difference with reference image" >&2
    exit 1
  fi
  [ $status -eq 0 ] && exit 0
elif [ $status -eq 0 ] && [ -s "$out" ]; then
  exit 0
fi
echo "render.sh: f3d could not render $in:" >&2
cat "$log" >&2
exit 3
