#!/usr/bin/env bash
# Checks the player's package: tools/release.sh run twice (other time zone, umask and
# folder) gives the same zip; it holds the shipped exe, the guide as Notepad reads it
# and SHA256SUMS, which `sha256sum -c` accepts for the unpacked files. Exits 1 when
# anything is off.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

work=$(mktemp -d "${TMPDIR:-/tmp}/tavrilon-release.XXXXXX")
trap 'rm -rf "$work"' EXIT

DIST_DIR=$work/one TZ=UTC tools/release.sh >"$work/one.log" 2>&1 ||
    { cat "$work/one.log"; echo "release-check: FAIL tools/release.sh failed"; exit 1; }
(umask 077 && DIST_DIR=$work/two/dist TZ=Asia/Shanghai tools/release.sh >"$work/two.log" 2>&1) ||
    { cat "$work/two.log"; echo "release-check: FAIL tools/release.sh failed"; exit 1; }
cat "$work/one.log"

zips=("$work"/one/Tavrilon-*.zip)
[ ${#zips[@]} -eq 1 ] && [ -f "${zips[0]}" ] || { echo "release-check: FAIL no single zip in dist"; exit 1; }
zip=${zips[0]}
failed=0
if cmp -s "$zip" "$work/two/dist/$(basename "$zip")"; then
    echo "release-check: two packages of the same sources are identical"
else
    echo "release-check: FAIL two packages of the same sources differ"
    failed=1
fi

mkdir "$work/unpacked"
python3 - "$zip" "$work/unpacked" <<'EOF' || failed=1
import re, sys, zipfile

zip_path, out = sys.argv[1], sys.argv[2]
version = re.search(r'^#define TAVRILON_VERSION_STRING "([^"]*)"$', open("app/version.h").read(), re.M)
problems = []
if not zip_path.endswith(f"/Tavrilon-{version.group(1)}.zip"):
    problems.append(f"{zip_path} is not named after version {version.group(1)}")
with zipfile.ZipFile(zip_path) as z:
    names = z.namelist()
    if names != ["Tavrilon.exe", "Tavrilon-readme.txt", "SHA256SUMS"]:
        problems.append(f"members {names}")
    z.extractall(out)
exe = open(f"{out}/Tavrilon.exe", "rb").read()
if exe != open("build/win32/Tavrilon.exe", "rb").read():
    problems.append("Tavrilon.exe is not build/win32/Tavrilon.exe")
guide = open(f"{out}/Tavrilon-readme.txt", "rb").read()
source = open("docs/Tavrilon-readme.txt", encoding="utf-8").read()
if not guide.startswith(b"\xff\xfe"):
    problems.append("the guide has no UTF-16LE byte order mark")
text = guide[2:].decode("utf-16-le")
if text != source.replace("\n", "\r\n"):
    problems.append("the guide differs from docs/Tavrilon-readme.txt (with CR LF line ends)")
if "\n" in text.replace("\r\n", ""):
    problems.append("the guide has a line end other than CR LF")
for p in problems:
    print(f"release-check: FAIL {p}")
sys.exit(1 if problems else 0)
EOF

if (cd "$work/unpacked" && sha256sum -c SHA256SUMS); then
    echo "release-check: SHA256SUMS matches the unpacked files"
else
    echo "release-check: FAIL SHA256SUMS does not match the unpacked files"
    failed=1
fi
[ "$failed" -eq 0 ] && echo "release-check: OK $(basename "$zip")"
exit "$failed"
