#!/usr/bin/env bash
# Runs a command (the end-to-end tests under Wine) on an X display: the one in
# DISPLAY when it answers, else an Xvfb of its own for as long as the command runs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/wine-env.sh"
talun_start_xvfb
trap talun_stop_xvfb EXIT
"$@"
