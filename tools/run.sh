#!/usr/bin/env bash
# Builds what is missing and starts Tavrilon.exe under Wine.
#
#   tools/run.sh                 a demonstration: a client folder under build/demo
#                                holding an empty Client.exe, the project's own prefix
#   tools/run.sh --prefix ~/.wine --client "$HOME/.wine/drive_c/UO"
#                                a player's own Wine prefix and client folder: copies
#                                Tavrilon.exe into the folder and starts it there
#   --arch 32|64                 the shipped 32-bit program (default) or the 64-bit build
#
# Without a display ($DISPLAY unset) it starts a virtual one, saves a screenshot of the
# window to build/demo/screenshot.png and keeps the program running until Ctrl-C.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
arch=32
prefix=
client=
while [ $# -gt 0 ]; do
    case $1 in
        --arch) arch=$2; shift 2 ;;
        --prefix) prefix=$2; shift 2 ;;
        --client) client=$2; shift 2 ;;
        -h | --help) sed -n '2,13p' "$0"; exit 0 ;;
        *) echo "run: unknown argument $1 (see --help)" >&2; exit 2 ;;
    esac
done
case $arch in 32 | 64) ;; *) echo "run: --arch takes 32 or 64" >&2; exit 2 ;; esac
if [ -n "$prefix" ] && [ -z "$client" ] || [ -z "$prefix" ] && [ -n "$client" ]; then
    echo "run: --prefix and --client go together" >&2
    exit 2
fi

bash "$here/setup.sh"
cd "$here/.."
preset=win$arch
[ -f "build/$preset/build.ninja" ] || cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target Tavrilon >/dev/null

# shellcheck source=tools/wine-env.sh
source "$here/wine-env.sh"
# The player's own locale decides their code page; the demonstration uses Chinese.
if [ -n "$prefix" ]; then
    export LANG=${TAVRILON_LANG:-zh_CN.UTF-8} LC_ALL=${TAVRILON_LANG:-zh_CN.UTF-8}
    export WINEPREFIX=$prefix
    mkdir -p "$client"
else
    client=$REPO/build/demo/client
    mkdir -p "$client"
    : >"$client/Client.exe"
    if [ "$arch" = 64 ]; then ensure_prefix64; export WINEPREFIX=$PREFIX64; else
        ensure_prefix32; export WINEPREFIX=$PREFIX32; fi
fi
cp "build/$preset/Tavrilon.exe" "$client/Tavrilon.exe"
wine=$WINE64
[ "$arch" = 32 ] && wine=$WINE32

headless=
if [ -z "${DISPLAY:-}" ]; then
    headless=1
    start_xvfb 1024x768x24
    echo "run: no display; started a virtual one at $DISPLAY"
fi
[ "$arch" = 32 ] && echo "run: starting the 32-bit program (slow where 32-bit code runs emulated)"
cd "$client"
"$wine" Tavrilon.exe &
pid=$!
if [ -n "$headless" ]; then
    until xdotool search --name '^Tavrilon$' >/dev/null 2>&1; do
        kill -0 "$pid" 2>/dev/null || { wait "$pid"; exit $?; }
        sleep 0.5
    done
    # The window is mapped; let it paint before the picture is taken.
    until [ -n "$(xdotool search --onlyvisible --name '^Tavrilon$' 2>/dev/null)" ]; do sleep 0.2; done
    sleep 1
    mkdir -p "$REPO/build/demo"
    import -window root "$REPO/build/demo/screenshot.png"
    echo "run: the window is up; screenshot at build/demo/screenshot.png. Ctrl-C ends it."
fi
wait "$pid"
