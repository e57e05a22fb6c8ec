#!/usr/bin/env python3
"""Makes the README's pictures from the real program under Wine:

    docs/window.png      the main window as a player sees it after start
    docs/registered.png  the same window with the box of a successful registration over it

    python3 tools/make-pictures.py [--bits 64|32]

The 64-bit build (default) starts in about two seconds; it draws the same window as the
shipped 32-bit build, which --bits 32 uses (about a minute a start where 32-bit code runs
emulated). Run after a change to what the window shows, and look at the pictures.
"""

import argparse
import pathlib
import subprocess
import sys

sys.dont_write_bytecode = True
REPO = pathlib.Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "e2e"))
import harness  # noqa: E402

TITLE, BUTTON, CAPTION = "Tavrilon", "注 册", "信息："


def crop(shot_path, rect, out):
    left, top, right, bottom = rect
    subprocess.run(["convert", str(shot_path), "-crop", f"{right - left}x{bottom - top}+{left}+{top}",
                    "+repage", "-strip", str(out)], check=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--bits", choices=("64", "32"), default="64")
    bits = int(parser.parse_args().bits)
    preset = f"win{bits}"
    subprocess.run(["bash", "-c", f'[ -f build/{preset}/build.ninja ] || cmake --preset {preset} >/dev/null; '
                    f'cmake --build --preset {preset} --target Tavrilon >/dev/null'], cwd=REPO, check=True)
    exe = REPO / "build" / preset / "Tavrilon.exe"
    docs = REPO / "docs"

    with harness.Session(bits=bits, screen="1024x768x24", name=f"pictures{bits}") as s:
        folder = s.new_case("pictures", exe)
        app = s.start(folder / "Tavrilon.exe", cwd=folder)
        with app:
            info = app.wait_window()
            info = app.wait_for(lambda i: i["focus"] and i["focus"]["text"] == BUTTON, "the focus on the button")
            s.wait_keyboard(TITLE, app=app)
            # The window is mapped and takes keys; the picture is taken once two
            # screenshots in a row agree, so that it shows the window fully painted.
            window_rect = info["rect"]
            previous = {}

            def settled(name):
                shot = s.screenshot(name)
                left, top, right, bottom = window_rect
                pixels = [shot.pixel(x, y) for y in range(top, bottom) for x in range(left, right)]
                same = previous.get(name) == pixels
                previous[name] = pixels
                return shot if same else None

            shot = harness.wait_until(lambda: settled("window"), 30, "the window to be painted", interval=0.3)
            crop(shot.path, window_rect, docs / "window.png")

            s.key("space")
            box = s.wait_box(CAPTION, app=app)
            if box["statics"] != ["Tavrilon写入成功"]:
                raise harness.HarnessError(f"the box says {box['statics']}, not the success message")
            # The box is centred on the screen, over the window: one picture of both.
            rects = [window_rect, box["rect"]]
            union = (min(r[0] for r in rects), min(r[1] for r in rects),
                     max(r[2] for r in rects), max(r[3] for r in rects))
            window_rect = union
            shot = harness.wait_until(lambda: settled("registered"), 30, "the box to be painted", interval=0.3)
            crop(shot.path, union, docs / "registered.png")
    print("pictures: docs/window.png, docs/registered.png")
    return 0


if __name__ == "__main__":
    sys.exit(main())
