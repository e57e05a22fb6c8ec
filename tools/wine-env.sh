# shellcheck shell=bash disable=SC2016
# (SC2016: the single-quoted scripts below expand their variables when they run.)
# Sourced by the scripts that run our Windows programs under Wine: one place for the
# environment, the prefixes and the virtual display.
#
#   ensure_prefix64 [dir]  a 64-bit prefix for 64-bit programs only (fast to create)
#   ensure_prefix32 [dir]  a 64-bit prefix that also runs 32-bit programs (WoW64)
#   start_xvfb [WxHxD]     starts a private X server and exports DISPLAY
#   stop_xvfb, stop_wine [dir], wine_env_cleanup

_wine_env_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO=$(cd "$_wine_env_here/.." && pwd)
export REPO

# Wine takes its ANSI code page from the locale: zh_CN.UTF-8 gives code page 936.
export LANG=zh_CN.UTF-8
export LC_ALL=zh_CN.UTF-8
export WINEDEBUG=-all
# No Mono or Gecko install dialogs in a new prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="

WINE64=/usr/lib/wine/wine64
WINE32=/usr/lib/wine/wine
WINESERVER=/usr/lib/wine/wineserver
WINE_DIR=${TAVRILON_WINE_DIR:-$REPO/build/wine}
PREFIX64=${PREFIX64:-$WINE_DIR/prefix64}
PREFIX32=${PREFIX32:-$WINE_DIR/prefix32}
export WINE64 WINE32 WINESERVER WINE_DIR PREFIX64 PREFIX32

_wine_env_log() { echo "wine-env: $*" >&2; }

# The marker names the Wine version that made the prefix, and the revision of how this
# file sets a prefix up: a Wine upgrade would otherwise make the next program start
# update the prefix, slowly, unlocked; a prefix made by older set-up code is remade.
_wine_prefix_revision=2  # 2: Wine's own fonts copied into C:\windows\Fonts
_wine_prefix_marker() { echo "$1:$_wine_prefix_revision:$("$WINE64" --version)"; }
_wine_prefix_ready() {
    [ -f "$1/.tavrilon-ready" ] && [ "$(cat "$1/.tavrilon-ready")" = "$(_wine_prefix_marker "$2")" ]
}

# Wine's own fonts (Marlett draws the caption buttons, Tahoma, the bitmap system fonts).
# Debian's Wine 8 looks for them in "<data dir>\../fonts", a name its file layer
# rejects (STATUS_OBJECT_NAME_INVALID): none of them would load, and the caption
# buttons would show Marlett's letters ("r" for close) in a fallback font. Windows keeps
# them in C:\windows\Fonts, where Wine finds them too.
_wine_font_dir() {
    local d
    for d in "$(dirname "$WINE64")/../../share/wine/fonts" /usr/share/wine/fonts; do
        [ -f "$d/marlett.ttf" ] && { (cd "$d" && pwd -P); return 0; }
    done
    return 1
}
_wine_install_fonts() { # prefix dir
    local fonts
    if ! fonts=$(_wine_font_dir); then
        _wine_env_log "Wine's fonts (marlett.ttf) not found: install fonts-wine (tools/setup.sh)"
        return 1
    fi
    mkdir -p "$1/drive_c/windows/Fonts"
    cp "$fonts"/* "$1/drive_c/windows/Fonts/"
}

# Runs "$@" with Wine's 32-bit loader hidden, in a private mount namespace. On a
# kernel that runs 32-bit code only under qemu, wineboot spends ~2 minutes setting
# up the 32-bit half of a prefix; without the loader it skips that and takes ~12 s.
# Where namespaces are not allowed the command simply runs as it is (slow path).
_wine_without_32bit() {
    if unshare -m sh -c 'mount --bind /dev/null "$0"' "$WINE32" 2>/dev/null; then
        unshare -m sh -c 'mount --bind /dev/null "$0" && exec "$@"' "$WINE32" "$@"
    else
        _wine_env_log "cannot hide the 32-bit loader here; creating the prefix the slow way"
        "$@"
    fi
}

_wine_create_prefix() { # dir kind(64|32)
    local dir=$1 kind=$2 start
    start=$(date +%s)
    rm -rf "$dir"
    mkdir -p "$dir"
    _wine_env_log "creating the $kind prefix $dir (once; up to a few minutes)"
    # A single shell so the server it starts is waited for in the same namespace.
    local script='
        "$WINE64" wineboot -i >/dev/null 2>&1 || exit 1
        "$WINE64" reg add "HKCU\Software\Wine\X11 Driver" /v Managed /d N /f >/dev/null || exit 1
        "$WINE64" reg add "HKCU\Software\Wine\X11 Driver" /v Decorated /d N /f >/dev/null || exit 1
        "$WINE64" reg add "HKCU\Software\Wine\WineDbg" /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null || exit 1
        "$WINESERVER" -w'
    local run=(env -u DISPLAY WINEPREFIX="$dir" bash -c "$script")
    if [ "$kind" = 64 ]; then
        _wine_without_32bit "${run[@]}" || return 1
    else
        "${run[@]}" || return 1
    fi
    _wine_install_fonts "$dir" || return 1
    _wine_prefix_marker "$kind" >"$dir/.tavrilon-ready"
    _wine_env_log "prefix $dir ready after $(($(date +%s) - start)) s"
}

# Idempotent; concurrent callers wait on the lock and find the prefix made.
_wine_ensure_prefix() { # dir kind
    local dir=$1 kind=$2
    _wine_prefix_ready "$dir" "$kind" && return 0
    mkdir -p "$(dirname "$dir")"
    (
        flock 9
        _wine_prefix_ready "$dir" "$kind" && exit 0
        _wine_create_prefix "$dir" "$kind"
    ) 9>"$dir.lock"
}

ensure_prefix64() { _wine_ensure_prefix "${1:-$PREFIX64}" 64; }
ensure_prefix32() { _wine_ensure_prefix "${1:-$PREFIX32}" 32; }

# Kills every Wine process of one prefix (default: the 64-bit one) and waits until its
# server is gone.
stop_wine() {
    local dir=${1:-$PREFIX64}
    [ -d "$dir" ] || return 0
    WINEPREFIX=$dir "$WINESERVER" -k 2>/dev/null || true
    WINEPREFIX=$dir "$WINESERVER" -w 2>/dev/null || true
}

_wine_env_cleanups=()
wine_env_cleanup() {
    local c
    for c in "${_wine_env_cleanups[@]}"; do eval "$c" || true; done
    _wine_env_cleanups=()
}
# A script with its own EXIT trap must call wine_env_cleanup from it.
trap wine_env_cleanup EXIT

XVFB_PID=
# Xvfb chooses a free display itself (-displayfd), so parallel runs cannot race for one.
start_xvfb() { # [WxHxD]
    local size=${1:-1024x768x24} fdfile n deadline
    fdfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "$size" -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    XVFB_PID=$!
    _wine_env_cleanups+=("stop_xvfb")
    deadline=$((SECONDS + 30))
    while ! n=$(grep -Eo '^[0-9]+' "$fdfile" 2>/dev/null); do
        if ! kill -0 "$XVFB_PID" 2>/dev/null || [ $SECONDS -ge $deadline ]; then
            _wine_env_log "Xvfb did not start"; rm -f "$fdfile"; return 1
        fi
        sleep 0.1
    done
    rm -f "$fdfile"
    export DISPLAY=":$n"
    until xdpyinfo >/dev/null 2>&1; do
        if [ $SECONDS -ge $deadline ]; then _wine_env_log "display $DISPLAY does not answer"; return 1; fi
        sleep 0.1
    done
}

stop_xvfb() {
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
        XVFB_PID=
    fi
    return 0
}
