#!/usr/bin/env bash
# Times stanor-photo side by side with the usual tools, using the shared peers bench
# (PEERS_DIR, default /work/shared/bench). Results go to RESULTS (default build/bench-peers).
#   bench/images/run-peers.sh [BUILD_DIR] [image.jpg ...]
set -euo pipefail
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
BUILD=${1:-$ROOT/build}
[ $# -gt 0 ] && shift
PEERS_DIR=${PEERS_DIR:-/work/shared/bench}
TOOL=$BUILD/bin/stanor-photo
[ -x "$TOOL" ] || { echo "run-peers.sh: build stanor-photo first ($TOOL)" >&2; exit 1; }
[ -x "$PEERS_DIR/peers.sh" ] || { echo "run-peers.sh: no peers bench in $PEERS_DIR" >&2; exit 1; }
export BENCH_WORK=${BENCH_WORK:-$BUILD/bench-peers}
export RESULTS=${RESULTS:-$BENCH_WORK/results}
mkdir -p "$BENCH_WORK"
Q=${QUALITY:-85}
# The bench's blur is sigma 5 over its whole zone: radius 5, a band as thick as the zone. Without
# --quality the tool codes again only the blocks around the zone (the input is already at the
# bench's quality); BLUR_QUALITY=85 makes it encode the whole picture instead.
export OURS_NAME=${OURS_NAME:-stanor-photo}
export OURS_CMD="$TOOL resize IN OUT/main.jpg OUT/thumb.jpg --quality $Q"
export OURS_BLUR_CMD="$TOOL blur IN OUT/blur.jpg --zone ${ZONE:-220,210,200,60} --radius 5 --thickness 100000${BLUR_QUALITY:+ --quality $BLUR_QUALITY}"
export OURS_STARTUP_CMD="$TOOL --version"
if [ -x "$BUILD/bin/photo-job" ]; then
    export OURS_INPROC_CMD="$BUILD/bin/photo-job resize IN OUT"
    export OURS_BLUR_INPROC_CMD="$BUILD/bin/photo-job blur IN OUT"
fi
exec "$PEERS_DIR/peers.sh" "$@"
