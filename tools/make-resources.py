#!/usr/bin/env python3
"""Writes resources/tavrilon.ico and resources/hand.cur from the pixel art below.

The art is the source; the binary files are generated so that a change to a
picture is a readable diff here. Output is byte-for-byte deterministic.

    python3 tools/make-resources.py          write both files
    python3 tools/make-resources.py --check  exit 1 if the files on disk differ
"""

import struct
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
ICON_PATH = ROOT / "resources" / "tavrilon.ico"
CURSOR_PATH = ROOT / "resources" / "hand.cur"

SIZE = 32

# A golden key over a blue shield: the tool hands the game its key.
ICON_ART = [
    "................................",
    "................................",
    "............KKKKKKKK............",
    "..........KKyyyGGGGgKK..........",
    ".........KyyGGGGGGGGggK.........",
    "....KKKKKKyGGKKKKKKGGgKKKKKK....",
    "....KssssKyGKssssssKGgKssssK....",
    "....KslllKyGKlllBBBKGgKBBBsK....",
    "....KslllKyGKlllBBBKGgKBBBsK....",
    "....KslllKyGKlllBBBKGgKBBBsK....",
    "....KslllKyGGKKKKKKGGgKBBBsK....",
    "....KsllllKgGGGGGGGggKBBBBsK....",
    "....KslllllKKgGGGggKKBBBBBsK....",
    "....KslllllllKyGGgKBBBBBBBsK....",
    "....KslllllllKyGGgKBBBBBBBsK....",
    "....KslllllllKyGGgKBBBBBBBsK....",
    "....KslllllllKyGGgKBBBBBBBsK....",
    ".....KsllllllKyGGgKBBBBBBsK.....",
    ".....KsllllllKyGGgKBBBBBBsK.....",
    ".....KsllllllKyGGgKBBBBBBsK.....",
    ".....KsllllllKyGGgKKKBBBBsK.....",
    ".....KsllllllKyGGGGgKBBBBsK.....",
    "......KslllllKyGGgggKBBBsK......",
    "......KslllllKyGGgKKKBBBsK......",
    "......KslllllKyGGGGgKBBBsK......",
    ".......KsllllKyGGgggKBBsK.......",
    "........KslllKyGGgKKKBsK........",
    "........KssllKyGGgKBBssK........",
    ".........KKssKyGGgKssKK.........",
    "...........KKKKggKKKK...........",
    ".............KKKKKK.............",
    "................................",
]

# The standard Windows 16-colour palette, in index order.
VGA16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

# Character -> (index into VGA16 for the 16-colour image, RGB for the 256-colour one).
# None marks the transparent background.
ICON_LEGEND = {
    ".": None,
    "K": (0, (0x18, 0x14, 0x10)),   # outline
    "s": (7, (0xC8, 0xCC, 0xD4)),   # silver rim
    "l": (12, (0x38, 0x60, 0xC8)),  # shield, lit half
    "B": (4, (0x18, 0x30, 0x80)),   # shield, shaded half
    "G": (11, (0xE8, 0xB8, 0x28)),  # gold
    "y": (15, (0xFF, 0xEC, 0x8C)),  # gold highlight
    "g": (3, (0xA0, 0x70, 0x10)),   # gold shadow
}

# A pointing hand, index finger up; the hot spot is the fingertip.
CURSOR_HOTSPOT = (6, 1)
CURSOR_ART = [
    "................................",
    ".....KKK........................",
    "....KWWWK.......................",
    "....KWWWK.......................",
    "....KWWWK.......................",
    "....KWWWK.......................",
    "....KWWWK.......................",
    "....KWWWKKK.....................",
    "....KWWWKWWKKK..................",
    "....KWWWKWWKWWKKK...............",
    "....KWWWKWWKWWKWWK..............",
    ".KK.KWWWKWWKWWKWWK..............",
    "KWWKKWWWWWWWWWWWWK..............",
    "KWWWKWWWWWWWWWWWWK..............",
    ".KWWKWWWWWWWWWWWWK..............",
    ".KWWWWWWWWWWWWWWWK..............",
    "..KWWWWWWWWWWWWWWK..............",
    "..KWWWWWWWWWWWWWWK..............",
    "...KWWWWWWWWWWWWK...............",
    "...KWWWWWWWWWWWWK...............",
    "....KWWWWWWWWWWK................",
    "....KWWWWWWWWWWK................",
    "....KKKKKKKKKKKK................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
]

# Character -> (AND bit, XOR bit), the usual monochrome cursor convention.
CURSOR_LEGEND = {
    ".": (1, 0),  # transparent
    "K": (0, 0),  # black
    "W": (0, 1),  # white
}


def check_art(name, art, legend):
    if len(art) != SIZE or any(len(row) != SIZE for row in art):
        sys.exit(f"{name}: the art must be {SIZE} rows of {SIZE} characters")
    unknown = {ch for row in art for ch in row} - legend.keys()
    if unknown:
        sys.exit(f"{name}: characters missing from the legend: {''.join(sorted(unknown))}")


def pack_bits(values, bpp):
    """Packs one row of pixel values, most significant bits first, padded to 4 bytes."""
    out = bytearray()
    acc = 0
    nbits = 0
    for v in values:
        acc = (acc << bpp) | v
        nbits += bpp
        if nbits == 8:
            out.append(acc)
            acc = 0
            nbits = 0
    if nbits:
        out.append(acc << (8 - nbits))
    while len(out) % 4:
        out.append(0)
    return bytes(out)


def bitmap_image(bpp, palette, xor_rows, and_rows):
    """A BMP-in-ICO/CUR image: header with doubled height, palette, XOR then AND, bottom-up."""
    xor = b"".join(pack_bits(r, bpp) for r in reversed(xor_rows))
    mask = b"".join(pack_bits(r, 1) for r in reversed(and_rows))
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, bpp, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    quads = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + quads + xor + mask


def directory(kind, entries):
    """ICONDIR plus entries; each entry is (colour count, field 4, field 6, image bytes)."""
    offset = 6 + 16 * len(entries)
    out = struct.pack("<HHH", 0, kind, len(entries))
    for color_count, f4, f6, data in entries:
        out += struct.pack("<BBBBHHII", SIZE, SIZE, color_count, 0, f4, f6, len(data), offset)
        offset += len(data)
    return out + b"".join(e[3] for e in entries)


def make_icon():
    check_art("icon", ICON_ART, ICON_LEGEND)
    and_rows = [[1 if ICON_LEGEND[ch] is None else 0 for ch in row] for row in ICON_ART]

    # Transparent pixels carry colour 0 (black) so that the AND mask alone decides.
    rows16 = [[0 if ICON_LEGEND[ch] is None else ICON_LEGEND[ch][0] for ch in row]
              for row in ICON_ART]
    image16 = bitmap_image(4, VGA16, rows16, and_rows)

    # 256 colours: the 16 standard ones first, then our own shades, then black filler.
    palette256 = list(VGA16)
    index256 = {}
    for ch, entry in ICON_LEGEND.items():
        if entry is not None:
            index256[ch] = len(palette256)
            palette256.append(entry[1])
    palette256 += [(0, 0, 0)] * (256 - len(palette256))
    rows256 = [[0 if ICON_LEGEND[ch] is None else index256[ch] for ch in row]
               for row in ICON_ART]
    image256 = bitmap_image(8, palette256, rows256, and_rows)

    # Icon entries: planes 1 and the bit count.
    return directory(1, [(16, 1, 4, image16), (0, 1, 8, image256)])


def make_cursor():
    check_art("cursor", CURSOR_ART, CURSOR_LEGEND)
    hx, hy = CURSOR_HOTSPOT
    if CURSOR_ART[hy][hx] == ".":
        sys.exit("cursor: the hot spot is on a transparent pixel")
    and_rows = [[CURSOR_LEGEND[ch][0] for ch in row] for row in CURSOR_ART]
    xor_rows = [[CURSOR_LEGEND[ch][1] for ch in row] for row in CURSOR_ART]
    image = bitmap_image(1, [(0, 0, 0), (0xFF, 0xFF, 0xFF)], xor_rows, and_rows)
    # Cursor entries put the hot spot where an icon has planes and bit count.
    return directory(2, [(2, hx, hy, image)])


def main(argv):
    check = argv[1:] == ["--check"]
    if argv[1:] and not check:
        sys.exit("usage: make-resources.py [--check]")
    outputs = {ICON_PATH: make_icon(), CURSOR_PATH: make_cursor()}
    if check:
        stale = [p for p, data in outputs.items()
                 if not p.exists() or p.read_bytes() != data]
        for p in stale:
            print(f"out of date: {p.relative_to(ROOT)}", file=sys.stderr)
        return 1 if stale else 0
    for path, data in outputs.items():
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)
        print(f"wrote {path.relative_to(ROOT)} ({len(data)} bytes)")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
