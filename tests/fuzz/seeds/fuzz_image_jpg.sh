#!/usr/bin/env bash
exec "$(dirname "$0")/image_seeds.sh" jpg "$@"
