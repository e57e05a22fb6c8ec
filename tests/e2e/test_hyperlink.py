#!/usr/bin/env python3
"""End-to-end tests of the web-address link in Tavrilon.exe's window: the real program
under Wine in a real X display, driven by real pointer events. Most run the 64-bit
build; one start of the shipped 32-bit build checks its hand, colours and press.

    python3 tests/e2e/test_hyperlink.py [unittest options, e.g. -v or -k name]

What the link opens is recorded rather than opened. Wine's shell runs `xdg-open URL`
through its browser helper: the harness puts a recording xdg-open first on PATH. With
the shell's association for http removed (in a prefix of its own), the program falls
back to the command registered for .htm pages: there the tests register
record_args.exe, a small Windows program that records its arguments.
TAVRILON_EXE64 and TAVRILON_EXE32 point at other builds of the program.
"""

import collections
import contextlib
import pathlib
import struct
import sys
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import harness  # noqa: E402
from harness import HarnessError, Session, wait_until, windows_path  # noqa: E402
from test_window import BUTTON_TEXT, EXE32, EXE64, require, run_tests  # noqa: E402

TITLE = "Tavrilon"
URL = "http://mvs.example/"
LINK = (10, 88, 138, 112)  # client rect: left, top, right, bottom
NORMAL, HOVER, VISITED = (0, 0, 255), (49, 106, 197), (128, 0, 0)
LINK_COLOURS = {NORMAL: "normal", HOVER: "hover", VISITED: "visited"}
# Enough pixels of one colour to be the text, not a stray pixel.
MIN_TEXT_PIXELS = 50

# Client points on the link, off its text too; distinct presses go to distinct points,
# more than the double-click distance apart, so that no two make a double-click.
ON_LINK = [(74, 100), (20, 92), (130, 108), (45, 110)]
# Client points off the link, each on another window of the program.
OFF_LINK = [
    ("the window's background", (142, 100)),
    ("the framed panel", (60, 80)),
    ("the service name", (60, 47)),
    ("the button", (186, 46)),
]
PARKED = (5, 5)  # screen point off the program's window

# What runs when the shell opens an address: Wine's browser helper, which runs xdg-open.
SHELL_BROWSER = ("winebrowser", "xdg-open")
HAND_CURSOR = harness.REPO / "resources" / "hand.cur"
RECORDER_SRC = harness.REPO / "tests" / "e2e" / "record_args.cpp"


def cursor_file_image(path):
    """(width, height, xhot, yhot, [0xAARRGGBB, ...]) of a two-colour .cur file's first image.

    Pixels as X shows a two-colour cursor: the mask's transparent pixels as 0, the
    others opaque in their palette colour."""
    data = path.read_bytes()
    _reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if kind != 2 or count < 1:
        raise HarnessError(f"{path} is no cursor file")
    _w, _h, _colours, _r, xhot, yhot, _size, offset = struct.unpack_from("<BBBBHHII", data, 6)
    header, width, double_height, _planes, bpp = struct.unpack_from("<IiiHH", data, offset)
    if bpp != 1:
        raise HarnessError(f"{path}: {bpp} bits per pixel, not a two-colour cursor")
    height = double_height // 2  # the colour bits, then the mask, both bottom-up
    palette = [struct.unpack_from("<BBBx", data, offset + header + 4 * i) for i in range(2)]
    stride = (width + 31) // 32 * 4
    colour_bits = offset + header + 8
    mask_bits = colour_bits + stride * height

    def bit(base, x, y):
        return (data[base + (height - 1 - y) * stride + x // 8] >> (7 - x % 8)) & 1

    pixels = []
    for y in range(height):
        for x in range(width):
            transparent, colour = bit(mask_bits, x, y), bit(colour_bits, x, y)
            if transparent and colour:
                raise HarnessError(f"{path}: inverting pixel at ({x},{y}), not comparable")
            b, g, r = palette[colour]
            pixels.append(0 if transparent else 0xFF000000 | r << 16 | g << 8 | b)
    return width, height, xhot, yhot, pixels


# The program's own cursor as X shows it: (width, height, xhot, yhot, pixels).
HAND = cursor_file_image(HAND_CURSOR)


def shown_colour(counts, background):
    """The text's colour among the counted pixels: the most frequent colour other than
    the background, given enough of it and no pixel of another link colour (a
    half-painted state); else None. Smoothed text adds blends, never a link colour."""
    text = collections.Counter({c: n for c, n in counts.items() if c != background})
    if not text:
        return None
    colour, n = text.most_common(1)[0]
    if n < MIN_TEXT_PIXELS or any(text[c] for c in LINK_COLOURS if c != colour):
        return None
    return colour


def describe(counts):
    return {LINK_COLOURS.get(c, c): n for c, n in counts.most_common(6)}


class LinkCase(unittest.TestCase):
    """One session per class; each test starts the program afresh (the link remembers
    its latest press) with the pointer parked away from it."""

    bits, exe = 64, EXE64
    prefix = None  # the default end-to-end prefix of that build
    session_name = "hyperlink"

    @classmethod
    def setUpClass(cls):
        require(cls.exe)
        cls.s = Session(bits=cls.bits, prefix=cls.prefix, name=cls.session_name)

    @classmethod
    def tearDownClass(cls):
        cls.s.close()

    @contextlib.contextmanager
    def running(self, case):
        s = self.s
        # Whatever an earlier start caused has ended: the records start empty.
        s.wait_idle(*SHELL_BROWSER, "record_args")
        s.opened_log.write_text("")
        s.move(*PARKED)
        folder = s.new_case(case, self.exe)
        app = s.start(folder / "Tavrilon.exe", cwd=folder)
        try:
            self.info = app.wait_window()
            self.app = app
            self.wait_colour({NORMAL}, f"{case}-start")
            yield app
        finally:
            app.kill()
            wait_until(lambda: s.window(TITLE) is None, 30, "the killed program's window to go")

    def patience(self, seconds):
        """A wait for the program, longer for a build that runs under emulation."""
        return seconds * self.app.slowness

    def screen(self, x, y):
        return self.app.client_to_screen(x, y, self.info)

    def move(self, point):
        self.s.move(*self.screen(*point))

    def click(self, point):
        self.s.click(*self.screen(*point))

    def link_pixels(self, name):
        shot = self.s.screenshot(name)
        left, top = self.screen(LINK[0], LINK[1])
        right, bottom = self.screen(LINK[2], LINK[3])
        pixels = {(x, y): shot.pixel(x, y) for y in range(top, bottom) for x in range(left, right)}
        return shot, pixels

    def wait_colour(self, wanted, name):
        """Waits until the link's text shows one of the colours in wanted; returns it."""
        background = tuple(self.info["colours"]["btnface"])
        seen = {}

        def probe():
            shot, pixels = self.link_pixels(name)
            seen["counts"], seen["shot"] = collections.Counter(pixels.values()), shot.path
            colour = shown_colour(seen["counts"], background)
            return colour if colour in wanted else None
        try:
            return wait_until(probe, self.patience(30), f"link text in {[LINK_COLOURS[c] for c in wanted]}",
                              interval=0.2, abort=self.app.exit_reason)
        except HarnessError as e:
            raise AssertionError(f"{e}; link pixels by colour: {describe(seen['counts'])} "
                                 f"(background {background}) in {seen['shot']}") from None

    def wait_press_handled(self):
        """Proves the program has handled the last press on the link, which must have
        succeeded: the link shows the hover colour (the move onto it is handled), then
        the pointer leaves and the visited colour shows, painted for a later message than
        the press."""
        self.wait_colour({HOVER}, "pressed")
        self.move(OFF_LINK[0][1])
        self.wait_colour({VISITED}, "pressed-left")

    def assert_records(self, read, count, line, idle):
        """Once the last press is handled, waits for count lines, then for the processes
        that write them (idle) to end, and checks there are exactly count, each the line.
        An extra line caused by an earlier action would have come from a process started
        before the last press was handled: it is either written by then or still running."""
        self.wait_press_handled()
        wait_until(lambda: len(read()) >= count, self.patience(30), f"{count} line(s) recorded",
                   abort=self.app.exit_reason)
        self.s.wait_idle(*idle, timeout=self.patience(60))
        self.assertEqual(read(), [line] * count)

    def assert_opened_by_shell(self, count):
        self.assert_records(self.s.opened_urls, count, URL, SHELL_BROWSER)

    def wait_cursor(self, hand, where):
        """Waits until X shows the program's hand cursor (hand) or another one (not hand);
        returns (width, height, xhot, yhot, pixels) of what it shows."""
        seen = {}

        def probe():
            c = seen["cursor"] = self.s.cursor()
            shown = (c["width"], c["height"], c["xhot"], c["yhot"], c["argb"])
            return shown if (shown == HAND) == hand else None
        try:
            return wait_until(probe, self.patience(30),
                              f"{'the hand' if hand else 'another cursor'} over {where}")
        except HarnessError as e:
            c = seen.get("cursor") or {}
            self.fail(f"{e}; last cursor seen: {({k: c.get(k) for k in ('width', 'height', 'xhot', 'yhot')})}")


class Link64Tests(LinkCase):

    def test_text_is_centred_on_button_face(self):
        with self.running("centred"):
            background = tuple(self.info["colours"]["btnface"])
            _shot, pixels = self.link_pixels("centred")
            text = [p for p, c in pixels.items() if c != background]
            xs, ys = [x for x, _ in text], [y for _, y in text]
            left, top = self.screen(LINK[0], LINK[1])
            right, bottom = self.screen(LINK[2], LINK[3])
            # Side bearings and the descenders make the ink a little uneven.
            self.assertLessEqual(abs((min(xs) - left) - (right - 1 - max(xs))), 3, (left, min(xs), max(xs), right))
            self.assertLessEqual(abs((min(ys) - top) - (bottom - 1 - max(ys))), 4, (top, min(ys), max(ys), bottom))

    def test_hover_colour_follows_the_pointer(self):
        with self.running("hover"):
            for index, (place, point) in enumerate(OFF_LINK):
                with self.subTest(leaving_to=place):
                    self.move(ON_LINK[index % len(ON_LINK)])
                    self.wait_colour({HOVER}, "hover-on")
                    self.move(point)
                    self.wait_colour({NORMAL}, "hover-off")
            self.assertEqual(self.s.opened_urls(), [], "hovering opened the address")

    def test_click_opens_the_address_once_through_the_shell(self):
        with self.running("click"):
            self.click(ON_LINK[0])
            self.assert_opened_by_shell(1)
            self.click(ON_LINK[1])
            self.assert_opened_by_shell(2)
            # The link never takes the focus: the button keeps it.
            info = self.app.wait_for(lambda i: i["focus"], "a focused window", show=lambda i: i["focus"])
            self.assertEqual(info["focus"]["text"], BUTTON_TEXT)

    def test_double_click_opens_once(self):
        with self.running("double-click"):
            self.s.double_click(*self.screen(*ON_LINK[0]))
            # A later single press elsewhere on the link: once its address has come, any
            # second one from the double-click has come too (see assert_records).
            self.click(ON_LINK[1])
            self.assert_opened_by_shell(2)

    def test_press_opens_and_release_elsewhere_changes_nothing(self):
        places = [("the framed panel", dict(OFF_LINK)["the framed panel"]), ("off the window", None)]
        for place, point in places:
            with self.subTest(released_on=place), self.running("press-release"):
                self.move(ON_LINK[0])
                self.s.press()
                try:
                    # Opened while the button is still down.
                    self.assert_opened_by_shell(1)
                    if point:
                        self.move(point)
                    else:
                        self.s.move(*PARKED)
                finally:
                    self.s.release()
                self.click(ON_LINK[1])
                self.assert_opened_by_shell(2)

    def test_visited_colour_after_a_successful_press(self):
        with self.running("visited"):
            self.click(ON_LINK[0])
            self.assert_opened_by_shell(1)  # hover while pressed, visited once left
            for place, point in OFF_LINK[:2]:
                with self.subTest(leaving_to=place):
                    self.move(ON_LINK[2])
                    self.wait_colour({HOVER}, "visited-back")
                    self.move(point)
                    self.wait_colour({VISITED}, "visited-away")

    def test_pointer_over_the_link_is_the_programs_hand(self):
        self.assertEqual(HAND[:4], (32, 32, 6, 1))
        with self.running("cursor"):
            others = {}
            for index, (place, point) in enumerate(OFF_LINK):
                with self.subTest(place=place):
                    self.move(ON_LINK[index % len(ON_LINK)])
                    self.wait_cursor(True, "the link")
                    self.move(point)
                    shown = self.wait_cursor(False, place)
                    others[place] = shown[:4] + (tuple(shown[4]),)
            # Off the link the program shows one cursor everywhere: the system's arrow.
            self.assertEqual(len(set(others.values())), 1,
                             {place: o[:4] for place, o in others.items()})


class WebPageCommand64Tests(LinkCase):
    """The fallback when the shell cannot open the address: the command registered for
    .htm pages. In a prefix of its own, as the shell's association is changed here."""

    prefix = harness.WINE_DIR / "e2e64-web-pages"
    session_name = "hyperlink-web-pages"
    HTTP = r"HKCR\http"
    HTTP_COMMAND = HTTP + r"\shell\open\command"
    WINEBROWSER = '"C:\\windows\\system32\\winebrowser.exe" "%1"'

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        try:
            cls.recorder = harness.ensure_built(
                RECORDER_SRC, harness.E2E_DIR / "record_args.exe",
                ["x86_64-w64-mingw32-g++-posix", "-std=c++17", "-static", "-Os", "-mwindows",
                 RECORDER_SRC, "-o", "{out}", "-lshell32"])
        except BaseException:
            cls.s.close()
            raise

    def setUp(self):
        super().setUp()
        self.recorded_log = self.s.case_root / "web-page-command.txt"
        self.recorded_log.write_text("")

    def recorded(self):
        return [line.split("\t") for line in self.recorded_log.read_text(encoding="utf-8").splitlines()]

    def register_page_command(self, file_type, command):
        """.htm pages are of file_type, opened by command ({recorder} and {log} filled in)."""
        self.s.reg_set(r"HKCR\.htm", None, file_type)
        command = command.format(recorder=windows_path(self.recorder), log=windows_path(self.recorded_log))
        self.s.reg_set(f"HKCR\\{file_type}\\shell\\open\\command", None, command)

    def shell_association(self, present):
        if present:
            self.s.reg_set(self.HTTP_COMMAND, None, self.WINEBROWSER)
        else:
            self.s.reg_delete(self.HTTP)

    def test_press_runs_the_command_registered_for_web_pages(self):
        # file type named by .htm, its open command, the arguments the recorder gets
        cases = [
            ("htmlfile", '"{recorder}" "{log}" "%1"', [URL]),
            ("tavrilon.page", '"{recorder}" "{log}" %1 --new-window', [URL]),
            ("htmlfile", '"{recorder}" "{log}" --new-window', ["--new-window", URL]),
        ]
        self.shell_association(False)
        with self.running("web-page-command"):
            for index, (file_type, command, arguments) in enumerate(cases):
                with self.subTest(file_type=file_type, command=command):
                    self.s.wait_idle("record_args")
                    self.recorded_log.write_text("")
                    self.register_page_command(file_type, command)
                    self.click(ON_LINK[index % len(ON_LINK)])
                    wait_until(self.recorded, 30, "the command's start", abort=self.app.exit_reason)
                    self.s.wait_idle("record_args", *SHELL_BROWSER)
                    self.assertEqual(self.recorded(), [arguments])
            self.assertEqual(self.s.opened_urls(), [], "the shell opened it: the case is wrong")
            self.assertEqual(self.s.boxes(), [])
            # Opened this way counts as a success too.
            self.move(OFF_LINK[0][1])
            self.wait_colour({VISITED}, "web-page-visited")

    def test_shell_success_leaves_the_web_page_command_alone(self):
        self.shell_association(True)
        self.register_page_command("htmlfile", '"{recorder}" "{log}" "%1"')
        with self.running("shell-first"):
            self.click(ON_LINK[0])
            self.assert_opened_by_shell(1)
            self.s.wait_idle("record_args")
            self.assertEqual(self.recorded(), [])

    def test_without_any_browser_a_press_fails_quietly(self):
        # First a press that succeeds, so that the failed one has to turn visited off.
        self.shell_association(True)
        with self.running("no-browser"):
            self.click(ON_LINK[0])
            self.assert_opened_by_shell(1)  # and left visited
            self.shell_association(False)
            self.s.reg_delete(r"HKCR\.htm")
            self.click(ON_LINK[1])
            self.wait_colour({HOVER}, "no-browser-pressed")
            self.move(OFF_LINK[1][1])
            # The first paint without the pointer shows what the press left behind.
            self.assertEqual(self.wait_colour({NORMAL, VISITED}, "no-browser-away"), NORMAL,
                             "a failed press left the link visited")
            self.assertEqual(self.s.boxes(), [])
            self.assertTrue(self.app.alive())
            self.s.wait_idle("record_args", *SHELL_BROWSER)
            self.assertEqual(self.s.opened_urls(), [URL])
            self.assertEqual(self.recorded(), [])


class Link32Tests(LinkCase):
    """The shipped 32-bit build: one start, as each costs about a minute here."""

    bits, exe = 32, EXE32
    session_name = "hyperlink32"

    def test_hand_hover_and_press(self):
        with self.running("link32"):
            self.move(ON_LINK[0])
            self.wait_colour({HOVER}, "link32-hover")
            self.wait_cursor(True, "the link")
            self.click(ON_LINK[1])
            self.assert_opened_by_shell(1)  # and left visited


if __name__ == "__main__":
    sys.exit(run_tests(sys.argv))
