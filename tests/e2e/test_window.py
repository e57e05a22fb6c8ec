#!/usr/bin/env python3
"""End-to-end tests of Tavrilon.exe: the real program under Wine in a real X display.

    python3 tests/e2e/test_window.py [--bits 64|32|all] [unittest options, e.g. -v or -k name]

The 64-bit build (build/win64/Tavrilon.exe) carries most checks: it starts in ~2 s.
The shipped 32-bit build (build/win32/Tavrilon.exe) runs under qemu here, ~50 s per
start, so it gets one start of its own. TAVRILON_E2E_BITS may stand in for --bits;
TAVRILON_EXE64 / TAVRILON_EXE32 point at other builds of the program.
"""

import os
import pathlib
import sys
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import harness  # noqa: E402
from harness import HarnessError, Session, click_box_button, wait_until, windows_path  # noqa: E402

EXE64 = pathlib.Path(os.environ.get("TAVRILON_EXE64", harness.BUILD / "win64" / "Tavrilon.exe"))
EXE32 = pathlib.Path(os.environ.get("TAVRILON_EXE32", harness.BUILD / "win32" / "Tavrilon.exe"))

VENDOR = r"HKLM\SOFTWARE\Origin Worlds Online"
VENDOR32 = r"HKLM\SOFTWARE\WOW6432Node\Origin Worlds Online"
KEY = VENDOR + r"\Ultima Online\1.0"
KEY32 = VENDOR32 + r"\Ultima Online\1.0"

TITLE = "Tavrilon"
BUTTON_TEXT = "注 册"
BOX_CAPTION = "信息："
SUCCESS = "Tavrilon写入成功"
FAILURE = "Tavrilon写入错误!"

WS_VISIBLE, WS_CHILD, WS_CLIPSIBLINGS, WS_CLIPCHILDREN = 0x10000000, 0x40000000, 0x04000000, 0x02000000
WS_CAPTION, WS_DLGFRAME, WS_SYSMENU, WS_THICKFRAME = 0x00C00000, 0x00400000, 0x00080000, 0x00040000
WS_MINIMIZEBOX, WS_MAXIMIZEBOX, WS_TABSTOP = 0x00020000, 0x00010000, 0x00010000
WS_EX_DLGMODALFRAME, WS_EX_WINDOWEDGE, WS_EX_CLIENTEDGE = 0x00000001, 0x00000100, 0x00000200
BS_PUSHBUTTON, BS_CENTER, BS_VCENTER, BS_MULTILINE = 0x0, 0x300, 0xC00, 0x2000

MAIN_STYLE = WS_CAPTION | WS_SYSMENU | WS_DLGFRAME | WS_CLIPCHILDREN
BUTTON_STYLE = (BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE | WS_TABSTOP | WS_CHILD
                | WS_CLIPSIBLINGS | WS_VISIBLE)

# The children top-down in stacking order: text (None: not pinned here), client rect as
# (x, y, width, height), exstyle without WS_EX_WINDOWEDGE (which Windows adds by
# itself to a WS_EX_DLGMODALFRAME window; None: not pinned).
CHILDREN = [
    ("Morvessa", (24, 35, 103, 24), None),
    ("", (10, 6, 126, 82), WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME),
    ("http://mvs.example/", (10, 88, 128, 24), None),
    ("客服:见论坛\r\n", (150, 82, 73, 14), None),  # contact line
    ("晨光制作", (173, 90, 51, 24), None),  # credit line
    (BUTTON_TEXT, (146, 20, 80, 52), None),
]
LABEL, CONTACT, CREDIT, BUTTON = 0, 3, 4, 5

ORANGE, WHITE = (255, 128, 0), (255, 255, 255)


def expected_values(folder):
    """The five values for a program folder (a Windows path, no trailing backslash)."""
    return {
        "InstCDPath": folder,
        "ExePath": folder + "\\Client.exe",
        "StartExePath": folder + "\\uo.exe",
        "PatchExePath": folder + "\\uopatch.exe",
        "Upgraded": "yes",
    }


def rect_of(child):
    left, top, right, bottom = child["rect"]
    return (left, top, right - left, bottom - top)


def require(exe):
    if not exe.exists():
        raise HarnessError(f"{exe} does not exist: build it first (cmake --build --preset ...)")


class ProgramCase(unittest.TestCase):
    """Sessions (an X display, a fresh wineserver) and program starts for the tests."""

    bits = 64
    exe = EXE64

    def session(self, screen="1024x768x24"):
        """Use in a with statement: the next session may only start once this one ended."""
        require(self.exe)
        return Session(bits=self.bits, screen=screen)

    @staticmethod
    def start(s, folder, exe=None):
        """Starts the program in folder and waits until it takes keys on its button. The
        wait is also the check that the program gives the button the focus at start."""
        app = s.start(exe or folder / "Tavrilon.exe", cwd=folder)
        try:
            app.wait_window()
            info = app.wait_for(lambda i: i["focus"] and i["focus"]["text"] == BUTTON_TEXT,
                                "the focus on the button", show=lambda i: i["focus"])
            s.wait_keyboard(TITLE, app=app)
        except BaseException:
            app.kill()
            raise
        app.started_info = info
        return app

    @staticmethod
    def clean_registry(s):
        s.reg_delete(VENDOR)
        s.reg_delete(VENDOR32)

    def close_with_escape(self, s, app):
        s.key("Escape")
        self.assertEqual(app.wait_exit(), 0)


class MainWindow64Tests(ProgramCase):
    """What one start of the program shows: one window, looked at from several sides."""

    @classmethod
    def setUpClass(cls):
        require(cls.exe)
        cls.s = Session(bits=cls.bits, screen="1024x768x24")
        try:
            cls.app = cls.start(cls.s, cls.s.new_case("main-window", cls.exe))
            cls.info = cls.app.started_info
        except BaseException:
            cls.s.close()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.app.kill()
        cls.s.close()

    def test_outer_rect_is_240_by_147_centred(self):
        self.assertEqual(self.info["rect"], [392, 310, 632, 457])

    def test_styles_allow_no_resizing_and_no_owner(self):
        style = int(self.info["style"], 16)
        # Windows adds WS_CLIPSIBLINGS to every top-level window on its own.
        self.assertEqual(hex(style & ~WS_CLIPSIBLINGS), hex(MAIN_STYLE | WS_VISIBLE))
        self.assertFalse(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX))
        self.assertIsNone(self.info["owner"])
        self.assertTrue(self.info["enabled"])
        self.assertEqual(self.info["title"], TITLE)

    def test_icons_are_the_programs_32x32_image(self):
        big, small = self.info["icon_big"], self.info["icon_small"]
        if big["readable"]:  # Windows: the handles themselves can be inspected
            for icon in (big, small):
                self.assertTrue(icon["present"])
                self.assertEqual((icon["width"], icon["height"]), (32, 32))
            return
        # Wine passes no icon handle between processes. It publishes the window's icons
        # as _NET_WM_ICON, one image per size: a 32x32 big and 32x32 small icon show
        # as one image, a small icon of another size as a second one. That image must
        # be one of the program's own, not Wine's default.
        images = self.s.x_icons(self.app.x_window())
        self.assertEqual([(w, h) for w, h, _ in images], [(32, 32)])
        own = self.s.exe_icons(self.exe)
        self.assertIn(images[0][2], [pixels for _w, _h, _bpp, pixels in own],
                      f"the window's icon is none of the program's images {[i[:3] for i in own]}")

    def test_children_in_stacking_order(self):
        children = self.info["children"]
        self.assertEqual(len(children), len(CHILDREN), [c["text"] for c in children])
        for index, (child, (text, rect, exstyle)) in enumerate(zip(children, CHILDREN)):
            with self.subTest(index=index, text=text):
                if text is not None:
                    self.assertEqual(child["text"], text)
                self.assertEqual(rect_of(child), rect)
                if exstyle is not None:
                    self.assertEqual(hex(int(child["exstyle"], 16) & ~WS_EX_WINDOWEDGE), hex(exstyle))
                self.assertTrue(child["visible"])
                self.assertTrue(child["enabled"])

    def test_button_is_a_system_push_button(self):
        button = self.info["children"][BUTTON]
        self.assertEqual(button["class"].lower(), "button")
        self.assertEqual(button["text"], BUTTON_TEXT)
        self.assertEqual(hex(int(button["style"], 16)), hex(BUTTON_STYLE))

    def test_window_is_active_after_start(self):
        self.assertEqual(self.info["active"]["hwnd"], self.info["hwnd"])

    def test_background_and_panel_are_button_face(self):
        face = tuple(self.info["colours"]["btnface"])
        free = [(3, 3), (140, 10), (141, 76), (3, 115)]  # client points outside every child
        panel = [(20, 20), (20, 70), (70, 75), (125, 20)]  # inside the panel's frame, off the label
        for x, y in free:
            for left, top, right, bottom in (c["rect"] for c in self.info["children"]):
                self.assertFalse(left <= x < right and top <= y < bottom, f"({x},{y}) lies on a child")
        points = [self.app.client_to_screen(x, y, self.info) for x, y in free + panel]

        def probe():
            shot = self.s.screenshot("background")
            return shot if all(shot.pixel(x, y) == face for x, y in points) else None
        try:
            wait_until(probe, 30, "button-face pixels")
            return
        except HarnessError:
            pass
        shot = self.s.screenshot("background")
        self.fail(f"button face {face}; seen {[(p, shot.pixel(*p)) for p in points]} in {shot.path}")

    def test_close_button_shows_a_cross(self):
        # The caption buttons are glyphs of the Marlett font: without it the close button
        # shows its code, the letter "r", in some other font. A cross is symmetric both
        # ways about its own centre; an "r" is neither.
        cx, cy = self.info["frame"]["close"]
        box = (cx - 5, cy - 5, cx + 6, cy + 6)  # inside the button's bevel
        seen = {}

        def probe():
            shot = self.s.screenshot("close-button")
            dark = {(x, y) for y in range(box[1], box[3]) for x in range(box[0], box[2])
                    if max(shot.pixel(x, y)) < 128}
            seen["dark"] = sorted(dark)
            if len(dark) < 6:
                return False
            xs, ys = [x for x, _ in dark], [y for _, y in dark]
            mirrored_x = sum((min(xs) + max(xs) - x, y) in dark for x, y in dark) / len(dark)
            mirrored_y = sum((x, min(ys) + max(ys) - y) in dark for x, y in dark) / len(dark)
            seen["symmetry"] = (round(mirrored_x, 2), round(mirrored_y, 2))
            return mirrored_x >= 0.8 and mirrored_y >= 0.8
        try:
            wait_until(probe, 30, "a cross on the close button")
        except HarnessError:
            self.fail(f"the close button at {(cx, cy)} shows no cross: symmetry (left-right, "
                      f"up-down) {seen.get('symmetry')}, dark pixels {seen.get('dark')}; see "
                      f"{harness.SHOTS_DIR}")

    def test_service_name_is_orange_with_white_shadow_up_left(self):
        left, top, right, bottom = self.info["children"][LABEL]["rect"]
        x0, y0 = self.app.client_to_screen(left, top, self.info)
        area = [(x, y) for y in range(y0 + 2, y0 + bottom - top) for x in range(x0 + 2, x0 + right - left)]
        # Orange pixels with a white neighbour, per direction. The text is smoothed, so
        # single pixels prove little; a white copy exactly one pixel up-left makes that
        # direction the most frequent one, ahead of the others and of two pixels away.
        offsets = {"up-left": (-1, -1), "down-right": (1, 1), "up-right": (1, -1),
                   "down-left": (-1, 1), "two up-left": (-2, -2)}
        seen = {}

        def probe():
            shot = self.s.screenshot("service-name")
            orange = [(x, y) for x, y in area if shot.pixel(x, y) == ORANGE]
            seen.update({name: sum(1 for x, y in orange if shot.pixel(x + dx, y + dy) == WHITE)
                         for name, (dx, dy) in offsets.items()})
            seen["orange"] = len(orange)
            others = [n for k, n in seen.items() if k not in ("up-left", "orange")]
            return seen["up-left"] >= 5 and seen["up-left"] > max(others)
        try:
            wait_until(probe, 30, "orange text with a white copy one pixel up-left")
            return
        except HarnessError:
            pass
        self.fail(f"no orange text with a white copy one pixel up-left; orange pixels with a "
                  f"white neighbour, by direction: {seen}; see {harness.SHOTS_DIR}")

    def test_contact_and_credit_lines_each_show_their_text(self):
        # The contact line lies over the top of the credit line, whose text shows below
        # it. Text pixels: clearly darker than the button face both labels are filled with.
        face = tuple(self.info["colours"]["btnface"])
        contact = self.info["children"][CONTACT]["rect"]
        credit = self.info["children"][CREDIT]["rect"]
        self.assertLess(credit[1], contact[3], "the contact line no longer overlaps the credit line")
        areas = {"contact line": contact,
                 "credit line below the contact line": (credit[0], contact[3], credit[2], credit[3])}
        points = {name: [self.app.client_to_screen(x, y, self.info)
                         for y in range(top, bottom) for x in range(left, right)]
                  for name, (left, top, right, bottom) in areas.items()}
        seen = {}

        def probe():
            shot = self.s.screenshot("contact-credit")
            seen.update({name: sum(1 for x, y in area if sum(shot.pixel(x, y)) < sum(face) - 150)
                         for name, area in points.items()})
            return all(n >= 30 for n in seen.values())
        try:
            wait_until(probe, 30, "text pixels in the contact and the credit line")
        except HarnessError:
            self.fail(f"text pixels by label: {seen}; see {harness.SHOTS_DIR}")


class Behaviour64Tests(ProgramCase):

    def test_centred_on_the_whole_screen(self):
        for screen, rect in [("1024x768x24", [392, 310, 632, 457]), ("800x600x24", [280, 226, 520, 373])]:
            with self.subTest(screen=screen), self.session(screen) as s:
                with self.start(s, s.new_case("centred", self.exe)) as app:
                    self.assertEqual(app.started_info["rect"], rect)
                    self.close_with_escape(s, app)

    def test_registration(self):
        # name, folder name, Client.exe present, drive letter, trigger, how the box is closed,
        # whether the registration succeeds
        deep = "/".join(["d" * 100] * 3)
        cases = [
            ("plain folder", "client", True, None, "click", "Return", True),
            ("GBK trail byte 0x5C", "誠", True, None, "space", "click", True),
            ("drive root", "client", True, "T", "click", "Return", True),
            ("no Client.exe", "client", False, None, "space", "click", False),
            # Code page 936 has no Hangul: the ANSI path would hold "?" and name no folder.
            ("folder the code page cannot hold", "한국", True, None, "click", "Return", False),
            # Longer than the 260-byte buffer: read whole, never registered cut; the
            # system's ANSI file search cannot reach a path that long, so it fails.
            ("path over 260 bytes", deep, True, None, "click", "Return", False),
        ]
        with self.session() as s:
            for name, folder_name, client, drive, trigger, close, succeeds in cases:
                with self.subTest(case=name):
                    self.clean_registry(s)
                    folder = s.new_case("registration", self.exe, with_client=client, folder=folder_name)
                    root = s.map_drive(drive, folder) if drive else windows_path(folder)
                    exe = root + "\\Tavrilon.exe" if drive else None
                    with self.start(s, folder, exe=exe) as app:
                        self.check_registration(s, app, root, succeeds, trigger, close)

    def check_registration(self, s, app, root, client, trigger, close):
        if trigger == "click":
            app.click_child(BUTTON_TEXT)
        else:
            s.key(trigger)
        box = s.wait_box(BOX_CAPTION, app=app)
        self.assertEqual(box["statics"], [SUCCESS if client else FAILURE])
        self.assertEqual(len(box["buttons"]), 1, box["buttons"])
        self.assertFalse(app.info()["enabled"], "the main window stays enabled under the box")

        if client:
            values = s.reg_values(KEY)
            self.assertIsNotNone(values, f"{KEY} was not written")
            want = expected_values(root)
            self.assertEqual(sorted(values), sorted(want))
            for value_name, text in want.items():
                # Compared as code page 936 bytes: a path cut after the 0x5C trail
                # byte of a double-byte character differs here.
                self.assertEqual(values[value_name], ("REG_SZ", text.encode("gbk")), value_name)
            if "誠" in root:
                self.assertIn(b"\xd5\x5c", values["InstCDPath"][1])
        else:
            self.assertIsNone(s.reg_values(KEY), "written without Client.exe")
        self.assertIsNone(s.reg_values(KEY32), "written to the 32-bit view")

        s.wait_keyboard(BOX_CAPTION, [TITLE], app=app)
        if close == "click":
            click_box_button(s, box)
        else:
            s.key(close)
        s.wait_no_box(app=app)
        app.wait_for(lambda i: i["enabled"], "the main window enabled again")
        # Under Wine no window is active after a task-modal box without owner closes
        # (Windows would activate the next one): the user clicks the window first.
        app.activate()
        self.close_with_escape(s, app)

    def test_enter_does_nothing(self):
        with self.session() as s:
            self.clean_registry(s)
            with self.start(s, s.new_case("enter", self.exe)) as app:
                # Keys are handled in order: had Return opened a box, Escape would
                # close that box instead of the window and the program would not exit.
                s.key("Return")
                s.key("Escape")
                self.assertEqual(app.wait_exit(), 0)
                self.assertIsNone(s.reg_values(KEY), "Return registered")

    def test_shift_escape_does_not_close(self):
        with self.session() as s:
            self.clean_registry(s)
            with self.start(s, s.new_case("shift-escape", self.exe)) as app:
                s.key("shift+Escape")
                # Handled after it, the space's box proves the window lived on.
                s.key("space")
                box = s.wait_box(BOX_CAPTION, app=app)
                self.assertEqual(box["statics"], [SUCCESS])
                self.assertTrue(app.alive())
                s.wait_keyboard(BOX_CAPTION, [TITLE], app=app)
                s.key("Return")
                s.wait_no_box(app=app)
                app.activate()  # see check_registration
                self.close_with_escape(s, app)

    def test_closing(self):
        for how in ["Escape", "alt+F4", "close button"]:
            with self.subTest(how=how), self.session() as s:
                with self.start(s, s.new_case("closing", self.exe)) as app:
                    if how == "close button":
                        app.click_close_button()
                    else:
                        s.key(how)
                    self.assertEqual(app.wait_exit(), 0)
                    self.assertIsNone(s.window(TITLE))


class Program32Tests(ProgramCase):
    """The shipped 32-bit build: one start, as every start costs about a minute here."""

    bits = 32
    exe = EXE32

    def test_registers_into_the_32_bit_view_and_exits_on_escape(self):
        with self.session() as s:
            self.clean_registry(s)
            folder = s.new_case("program32", self.exe)
            with self.start(s, folder) as app:
                info = app.started_info
                self.assertEqual(info["rect"], [392, 310, 632, 457])
                self.assertEqual(info["children"][BUTTON]["text"], BUTTON_TEXT)

                app.click_child(BUTTON_TEXT)
                box = s.wait_box(BOX_CAPTION, app=app)
                self.assertEqual(box["statics"], [SUCCESS])
                want = expected_values(windows_path(folder))
                self.assertEqual(s.reg_values(KEY32),
                                 {name: ("REG_SZ", text.encode("gbk")) for name, text in want.items()})
                self.assertIsNone(s.reg_values(KEY), "the 32-bit program wrote the 64-bit view")

                s.wait_keyboard(BOX_CAPTION, [TITLE], app=app)
                s.key("Return")
                s.wait_no_box(app=app)
                app.activate()  # see check_registration
                self.close_with_escape(s, app)


class CountingResult(unittest.TextTestResult):
    """Remembers which tests ran and which failed (a failed subtest fails its test)."""

    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.started_ids, self.failed_ids = set(), set()

    def startTest(self, test):
        super().startTest(test)
        self.started_ids.add(test.id())

    def _mark(self, test):
        self.failed_ids.add(getattr(test, "test_case", test).id())

    def addFailure(self, test, err):
        super().addFailure(test, err)
        self._mark(test)

    def addError(self, test, err):  # also a failed setUpClass, under its own id
        super().addError(test, err)
        self._mark(test)

    def addSubTest(self, test, subtest, err):
        super().addSubTest(test, subtest, err)
        if err is not None:
            self._mark(test)


class Runner(unittest.TextTestRunner):
    resultclass = CountingResult


GROUPS = {"64": ["MainWindow64Tests", "Behaviour64Tests"], "32": ["Program32Tests"]}


def main(argv):
    return run_groups(argv, GROUPS)


def run_groups(argv, groups):
    """Runs the test classes of groups["64"], groups["32"] or both, as --bits (or
    TAVRILON_E2E_BITS) says; answers the exit code."""
    bits = os.environ.get("TAVRILON_E2E_BITS", "all")
    if "--bits" in argv:
        i = argv.index("--bits")
        bits = argv[i + 1] if i + 1 < len(argv) else ""
        argv = argv[:i] + argv[i + 2:]
    if bits not in ("64", "32", "all"):
        print(f"--bits must be 64, 32 or all, not {bits!r}", file=sys.stderr)
        return 2
    return run_tests(argv, groups["64"] + groups["32"] if bits == "all" else groups[bits])


def run_tests(argv, default_test=None):
    """Runs the tests of the __main__ module and ends with the line "N passed, N failed";
    answers the exit code."""
    program = unittest.main(module="__main__", defaultTest=default_test, argv=argv,
                            testRunner=Runner, exit=False)
    result = program.result
    failed = len(result.failed_ids)
    passed = len(result.started_ids - result.failed_ids) - len(result.skipped)
    print(f"{passed} passed, {failed} failed")
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
