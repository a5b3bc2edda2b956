#!/usr/bin/env bash
# Seeds for the JPEG-2000 code stream fuzz target: the JP2 seeds' pictures
# written as bare code streams.
set -euo pipefail
JPEG2000_EXT=j2k exec "$(dirname "$0")/fuzz_image_jp2.sh" "$@"
