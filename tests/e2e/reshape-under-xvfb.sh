#!/usr/bin/env bash
# End to end: a window's reshape without exposures, on a virtual X display.
#
#   reshape-under-xvfb.sh <quiet-reshape program>
set -euo pipefail

source "$(dirname "$0")/lib.sh"
start_display 1 "<quiet-reshape program>" "$@"
"$1"
