#!/usr/bin/env bash
# Checks the facts of a built Tavrilon.exe that the compiler does not: a Windows GUI
# image, hardened (ASLR, NX, no SEH handlers for 32-bit), importing only known DLLs,
# no elevation request. Prints one fact per line; exits 1 when any is off.
#
# usage: tools/check-pe.sh path/to/Tavrilon.exe [max-KiB]
set -uo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 path/to/Tavrilon.exe [max-KiB]" >&2
    exit 2
fi
file=$1
max_kib=${2:-}
if [ ! -f "$file" ]; then
    echo "check-pe: FAIL no such file: $file"
    exit 1
fi

# Any of these reads both PE32 and PE32+; the first that takes the file is used.
objdump=
for candidate in x86_64-w64-mingw32-objdump i686-w64-mingw32-objdump objdump; do
    command -v "$candidate" >/dev/null 2>&1 || continue
    if "$candidate" -f "$file" 2>/dev/null | grep -q 'file format pei-'; then
        objdump=$candidate
        break
    fi
done
if [ -z "$objdump" ]; then
    echo "check-pe: FAIL no objdump reads $file as a PE image"
    exit 1
fi

private=$("$objdump" -p "$file")
sections=$("$objdump" -h "$file")
failed=0
fact() { echo "check-pe: $*"; }
fail() { echo "check-pe: FAIL $*"; failed=1; }

# Format and machine.
format=$(sed -n 's/.*file format \(pei-[^ ]*\).*/\1/p' <<<"$private" | head -n1)
magic=$(awk '$1 == "Magic" { print $3 }' <<<"$private")
case "$format $magic" in
    "pei-i386 (PE32)") bits=32 ;;
    "pei-x86-64 (PE32+)") bits=64 ;;
    *) bits= ;;
esac
if [ -n "$bits" ]; then
    fact "format $format $magic, $bits-bit"
else
    fail "format '$format' magic '$magic' is neither PE32 i386 nor PE32+ x86-64"
fi

# Subsystem: 2 is the Windows GUI, 3 would open a console.
subsystem=$(awk '$1 == "Subsystem" { print $2 + 0 }' <<<"$private")
if [ "$subsystem" = 2 ]; then
    fact "subsystem 2 (Windows GUI)"
else
    fail "subsystem '$subsystem', not 2 (Windows GUI)"
fi

# DllCharacteristics: objdump lists each flag set on a line of its own.
flags=$(sed -n '/^DllCharacteristics/,/^SizeOfStackReserve/p' <<<"$private" |
        awk 'NR > 1 && /^[[:space:]]+[A-Z_]+$/ { print $1 }' | paste -sd' ')
fact "dll characteristics ${flags:-none}"
required=(DYNAMIC_BASE NX_COMPAT)
[ "$bits" = 32 ] && required+=(NO_SEH)
for flag in "${required[@]}"; do
    grep -qw "$flag" <<<"$flags" || fail "dll characteristics lack $flag"
done

# Relocations: without them the loader cannot move the image, whatever DYNAMIC_BASE says.
if grep -q 'relocations stripped' <<<"$private"; then
    fail "relocations stripped (Characteristics)"
fi
if awk '$1 ~ /^[0-9]+$/ && $2 == ".reloc" { found = 1 } END { exit !found }' <<<"$sections"; then
    fact "relocations .reloc present"
else
    fail "no .reloc section"
fi

# Imports: only DLLs that the loader needs before the entry point and that Windows
# always takes from its own folder (known DLLs), never a file planted beside the
# program; everything else is loaded at run time from the system folder. The C++, GCC
# and threading runtimes must be linked in.
dlls=$(awk '/DLL Name:/ { print $3 }' <<<"$private")
fact "imports $(paste -sd' ' <<<"$dlls")"
allowed=" kernel32.dll user32.dll gdi32.dll advapi32.dll msvcrt.dll "
fact "imports allowed$allowed"
runtime=
while read -r dll; do
    [ -n "$dll" ] || continue
    lower=$(tr '[:upper:]' '[:lower:]' <<<"$dll")
    case "$lower" in
        libstdc++*|libgcc*|libwinpthread*) runtime+=" $dll" ;;
    esac
    [[ "$allowed" == *" $lower "* ]] || fail "import of $dll is not allowed"
done <<<"$dlls"
if [ -n "$runtime" ]; then
    fail "runtime DLL imports:$runtime"
else
    fact "runtime DLL imports none"
fi
# objdump lists only the ordinary import table; delayed imports would go unchecked.
delay=$(awk '$1 == "Entry" && $2 == "d" { print $4 }' <<<"$private")
if [ -n "$delay" ] && [ $((16#$delay)) -ne 0 ]; then
    fail "delay-load imports present (not checked)"
fi

# Size.
bytes=$(stat -c %s "$file")
kib=$(awk -v b="$bytes" 'BEGIN { printf "%.1f", b / 1024 }')
fact "size $bytes bytes ($kib KiB)"
if [ -n "$max_kib" ] && [ "$bytes" -gt $((max_kib * 1024)) ]; then
    fail "size $kib KiB is over $max_kib KiB"
fi

# No elevation request in an embedded manifest, in UTF-8 or UTF-16.
ascii=$(LC_ALL=C grep -a -c 'requestedExecutionLevel' "$file")
wide=$(LC_ALL=C grep -a -c -P 'r\x00e\x00q\x00u\x00e\x00s\x00t\x00e\x00d\x00E\x00x\x00e\x00c' "$file")
fact "requestedExecutionLevel $((ascii + wide))"
[ $((ascii + wide)) -eq 0 ] || fail "the file asks for an execution level"

if [ "$failed" -eq 0 ]; then
    echo "check-pe: OK $file"
else
    echo "check-pe: FAIL $file"
    exit 1
fi
