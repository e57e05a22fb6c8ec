#!/usr/bin/env bash
# Builds the shipped program and packs what a player downloads:
#
#   dist/Tavrilon-<version>.zip
#       Tavrilon.exe          the shipped 32-bit program (build/win32)
#       Tavrilon-readme.txt   the player's guide, docs/Tavrilon-readme.txt as Notepad
#                             reads it on every Windows version: UTF-16LE with a byte
#                             order mark, CR LF line ends
#       SHA256SUMS            the SHA-256 of both, in the format `sha256sum -c` reads
#
# <version> is TAVRILON_VERSION_STRING of app/version.h, which VERSIONINFO shows too.
# The zip is the same bytes for the same sources: members in a fixed order, each dated
# with the time of the commit checked out (SOURCE_DATE_EPOCH overrides it), stored
# uncompressed so that no compressor version can change a byte. Prints the exe's SHA-256.
#
#   tools/release.sh            DIST_DIR=elsewhere tools/release.sh
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cd "$here/.."
repo=$PWD
dist=${DIST_DIR:-$repo/dist}

bash "$here/setup.sh" >/dev/null
[ -f build/win32/build.ninja ] || cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Tavrilon >/dev/null

version=$(sed -n 's/^#define TAVRILON_VERSION_STRING "\([^"]*\)"$/\1/p' app/version.h)
case $version in
    '' | *[!0-9.]*) echo "release: no version found in app/version.h" >&2; exit 1 ;;
esac

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || echo 315532800)
fi
if [ -n "$(git status --porcelain --untracked-files=no 2>/dev/null)" ]; then
    echo "release: note: the working tree has uncommitted changes; the package holds them" >&2
fi

mkdir -p "$dist"
zip=$dist/Tavrilon-$version.zip
python3 - "$zip" build/win32/Tavrilon.exe docs/Tavrilon-readme.txt "$SOURCE_DATE_EPOCH" <<'EOF'
import hashlib, os, sys, time, zipfile

zip_path, exe_path, guide_path, epoch = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
exe = open(exe_path, "rb").read()
text = open(guide_path, encoding="utf-8").read()
if "\r" in text:
    sys.exit("release: docs/Tavrilon-readme.txt must have LF line ends in the repository")
guide = "\ufeff".encode("utf-16-le") + text.replace("\n", "\r\n").encode("utf-16-le")
members = [("Tavrilon.exe", exe), ("Tavrilon-readme.txt", guide)]
sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\r\n" for name, data in members)
members.append(("SHA256SUMS", sums.encode("ascii")))

# Zip times are local times without a zone, from 1980 on, in steps of two seconds.
stamp = time.gmtime(max(epoch, 315532800))[:6]
tmp = zip_path + ".tmp"
with zipfile.ZipFile(tmp, "w", zipfile.ZIP_STORED) as z:
    for name, data in members:
        info = zipfile.ZipInfo(name, date_time=stamp)
        info.create_system = 0  # MS-DOS: no Unix permissions that differ by umask
        info.external_attr = 0x20  # FILE_ATTRIBUTE_ARCHIVE
        z.writestr(info, data)
os.replace(tmp, zip_path)
EOF

echo "release: $zip"
echo "release: SHA-256 $(sha256sum build/win32/Tavrilon.exe | cut -d' ' -f1)  Tavrilon.exe"
