#!/usr/bin/env bash
# Builds the shipped program twice, each from a fresh copy of the source tree in a
# folder of its own (different paths, times, time zones and locales), and checks that
# the two Tavrilon.exe are the same bytes, with a fixed PE time stamp and a correct
# checksum. Prints the SHA-256. Exits 1 when anything differs.
#
# The copies hold the files git tracks plus new files it does not ignore, as they are
# in the working tree, so uncommitted work is checked too.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
repo=$PWD

work=$(mktemp -d "${TMPDIR:-/tmp}/tavrilon-repro.XXXXXX")
trap 'rm -rf "$work"' EXIT

copy_tree() { # destination
    mkdir -p "$1"
    git -C "$repo" ls-files -z --cached --others --exclude-standard |
        while IFS= read -r -d '' f; do
            [ -e "$f" ] || continue  # deleted but not yet committed
            mkdir -p "$1/$(dirname "$f")"
            cp -p "$f" "$1/$f"
        done
}

build_in() { # folder, then environment assignments for the build
    local dir=$1
    shift
    copy_tree "$dir"
    (cd "$dir" && env "$@" cmake --preset win32 >/dev/null &&
        env "$@" cmake --build --preset win32 --target Tavrilon >"$dir.log" 2>&1) ||
        { cat "$dir.log" >&2; echo "reproducible: the build in $dir failed" >&2; return 1; }
}

first=$work/a/src
second=$work/b/a-longer-folder-name/tavrilon
build_in "$first" TZ=UTC LC_ALL=C
build_in "$second" TZ=Asia/Shanghai LC_ALL=zh_CN.UTF-8
a=$first/build/win32/Tavrilon.exe
b=$second/build/win32/Tavrilon.exe

failed=0
if cmp -s "$a" "$b"; then
    echo "reproducible: two builds in different folders are identical"
else
    echo "reproducible: FAIL the two builds differ (offset, bytes in octal):"
    cmp -l "$a" "$b" | head -n 20 || true
    failed=1
fi

# The PE header's time stamp and checksum, read and recomputed from the file itself.
python3 - "$a" <<'EOF' || failed=1
import struct, sys
data = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", data, 0x3C)[0]
stamp = struct.unpack_from("<I", data, pe + 8)[0]
checksum_at = pe + 24 + 64  # optional header, CheckSum field (PE32 and PE32+ alike)
stored = struct.unpack_from("<I", data, checksum_at)[0]
total = 0
for i in range(0, len(data), 2):
    if checksum_at <= i < checksum_at + 4:
        continue
    word = data[i] | (data[i + 1] << 8 if i + 1 < len(data) else 0)
    total += word
    total = (total & 0xFFFF) + (total >> 16)
computed = ((total & 0xFFFF) + (total >> 16) + len(data)) & 0xFFFFFFFF
ok = True
if stamp != 0:
    print(f"reproducible: FAIL the PE header holds a time stamp ({stamp:#x})")
    ok = False
if stored not in (0, computed):
    print(f"reproducible: FAIL PE checksum {stored:#x}, the file's is {computed:#x}")
    ok = False
print(f"reproducible: PE time stamp {stamp}, checksum {stored:#x} (computed {computed:#x})")
sys.exit(0 if ok else 1)
EOF

echo "reproducible: SHA-256 $(sha256sum "$a" | cut -d' ' -f1)  Tavrilon.exe"
exit "$failed"
