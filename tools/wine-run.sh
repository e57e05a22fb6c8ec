#!/usr/bin/env bash
# Runs a 64-bit Windows console program under Wine and exits with its exit code:
#   tools/wine-run.sh prog.exe [args...]
# CMake uses it as the CROSSCOMPILING_EMULATOR of the Windows test programs.
set -euo pipefail
# shellcheck source=tools/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

if [ $# -lt 1 ]; then
    echo "usage: $0 program.exe [arguments...]" >&2
    exit 2
fi
ensure_prefix64 "$PREFIX64"
# Console programs need no display; without one no window can appear by accident.
unset DISPLAY
export WINEPREFIX=$PREFIX64
exec "$WINE64" "$@"
