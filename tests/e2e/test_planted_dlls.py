#!/usr/bin/env python3
"""A game folder full of planted DLLs: none of them may ever run inside Tavrilon.exe.

    python3 tests/e2e/test_planted_dlls.py [--bits 64|32|all] [unittest options]

Players keep the program in the game client's folder, which anyone may have filled,
and start it as administrator. Windows looks for a DLL in the program's own folder
first, so a DLL there named after one the process loads by name would run with the
program's rights. Here the client folder is filled with such DLLs (tests/e2e/
planted_dll.c: its entry point leaves "<name>.ran" beside itself): one named after every
DLL that a whole session of the program loads under Wine (found with WINEDEBUG=+loaddll:
start, press the link, register, close), and the usual hijack targets. A whole session
from that folder must record nothing and still do its job: the success box, the address
opened once, exit code 0. For the 64-bit build and one session of the shipped 32-bit
build (slow under emulation). TAVRILON_EXE64 / TAVRILON_EXE32 point at other builds.
"""

import pathlib
import re
import sys
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import harness  # noqa: E402
from harness import HarnessError, Session, click_box_button, wait_until  # noqa: E402
from test_window import BOX_CAPTION, BUTTON_TEXT, EXE32, EXE64, SUCCESS, require, run_groups  # noqa: E402

URL = "http://mvs.example/"
PLANTED_SRC = harness.REPO / "tests" / "e2e" / "planted_dll.c"
# Names planted in every case, loaded by the session or not: DLLs that programs are
# known to have loaded from their own folder, and the runtimes a MinGW build might want.
HIJACK_TARGETS = """
    uxtheme dwmapi version cryptbase cryptsp profapi propsys userenv winmm winmmbase
    sspicli secur32 wtsapi32 netapi32 netutils srvcli wkscli dbghelp dbgcore msimg32
    comctl32 comdlg32 riched20 riched32 msftedit iphlpapi dnsapi winhttp wininet urlmon
    iertutil wldp ntmarta textshaping msctf oleacc apphelp edputil windowscodecs clbcatq
    setupapi cfgmgr32 devobj powrprof winsta mswsock nsi wintrust imagehlp linkinfo
    ntshrui cscapi samcli samlib logoncli bcryptprimitives msasn1 gpapi shfolder mpr
    d3d9 d3d11 dxgi d2d1 dwrite opengl32 glu32 wsock32 ws2_32 msacm32 avrt mmdevapi
    dsound hid usp10 lpk oleaut32 shcore shlwapi combase rpcrt4 sechost kernelbase
    ucrtbase msvcp140 vcruntime140 mingwm10 libgcc_s_dw2-1 libgcc_s_seh-1 libstdc++-6
    libwinpthread-1 imm32 crypt32 bcrypt rsaenh zlib1 ole32 shell32 msvcrt advapi32
    user32 gdi32 kernel32 ntdll win32u winex11.drv
""".split()


def file_name(target):
    return target if "." in target else f"{target}.dll"


_LOADED = re.compile(r'^([0-9a-f]+):[0-9a-f]+:trace:loaddll:\w+ Loaded L"([^"]+)" at [0-9A-Fa-f]+: (\w+)',
                     re.MULTILINE)


class Module:
    """A module that a "+pid,+loaddll" log shows loaded. Wine names a DLL it took from
    its own builtins by the path where the search found a file of that name: only
    "native" means that file itself was loaded."""

    def __init__(self, pid, path, kind):
        self.pid, self.path, self.kind = pid, path, kind
        self.name = path.rsplit("\\", 1)[-1]


def loaded_modules(log_text):
    """The modules loaded by every process whose debug output went to this log: the
    program, and what it or Wine started meanwhile (the browser helper, services)."""
    return [Module(m.group(1), m.group(2).replace("\\\\", "\\").lower(), m.group(3))
            for m in _LOADED.finditer(log_text)]


def program_dlls(modules):
    """The names of the DLLs the program's own process loaded."""
    pids = {m.pid for m in modules if m.name == "tavrilon.exe"}
    return {m.name for m in modules if m.pid in pids and not m.name.endswith(".exe")}


def planted_dll(bits):
    """The planted DLL for one build; it imports nothing but kernel32."""
    if bits == 64:
        compiler, entry = "x86_64-w64-mingw32-gcc", "planted_entry"
    else:
        compiler, entry = "i686-w64-mingw32-gcc", "_planted_entry@12"
    return harness.ensure_built(PLANTED_SRC, harness.E2E_DIR / f"planted{bits}.dll",
                                [compiler, "-shared", "-Os", "-s", "-nostdlib", "-e", entry,
                                 PLANTED_SRC, "-o", "{out}", "-lkernel32"])


class Outcome:
    def __init__(self):
        self.box_texts = None
        self.opened = None
        self.exit_code = None
        self.modules = []


class PlantedDllsCase(unittest.TestCase):
    bits, exe = 64, EXE64
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        require(cls.exe)
        cls.dll = planted_dll(cls.bits)
        cls.s = Session(bits=cls.bits, name=f"planted{cls.bits}")

    @classmethod
    def tearDownClass(cls):
        cls.s.close()

    def whole_session(self, folder, outcome):
        """Start, press the link, register, close with Esc; fills outcome as it goes."""
        s = self.s
        s.wait_idle("winebrowser", "xdg-open")
        s.opened_log.write_text("")
        app = s.start(folder / "Tavrilon.exe", cwd=folder, winedebug="+pid,+loaddll")
        try:
            app.wait_window()
            app.wait_for(lambda i: i["focus"] and i["focus"]["text"] == BUTTON_TEXT, "the focus on the button")
            left, top, right, bottom = app.child(URL)["rect"]
            app.click_client((left + right) // 2, (top + bottom) // 2)
            wait_until(s.opened_urls, 30 * app.slowness, "the address to be opened", abort=app.exit_reason)
            s.wait_idle("winebrowser", "xdg-open", timeout=60 * app.slowness)
            outcome.opened = s.opened_urls()

            app.click_child(BUTTON_TEXT)
            box = s.wait_box(BOX_CAPTION, app=app)
            outcome.box_texts = box["statics"]
            click_box_button(s, box)
            s.wait_no_box(app=app)
            app.activate()
            s.key("Escape")
            outcome.exit_code = app.wait_exit()
        finally:
            app.kill()
            s.wait_idle("winebrowser", "xdg-open")
            outcome.modules = loaded_modules(app.log_path.read_text(errors="replace"))

    def names_to_plant(self):
        """Every DLL a whole session loads from a clean folder, and the usual targets."""
        names = {file_name(n) for n in HIJACK_TARGETS}
        clean = self.s.new_case("clean", self.exe)
        outcome = Outcome()
        self.whole_session(clean, outcome)
        self.assertEqual(outcome.exit_code, 0, "the session from a clean folder")
        loaded = program_dlls(outcome.modules)
        self.assertIn("user32.dll", loaded, "the +loaddll log lists the session's DLLs")
        return sorted(names | loaded)

    def test_no_planted_dll_runs_in_a_whole_session(self):
        names = self.names_to_plant() if self.bits == 64 else sorted(file_name(n) for n in HIJACK_TARGETS)
        folder = self.s.new_case("planted", self.exe)
        for name in names:
            (folder / name).write_bytes(self.dll.read_bytes())
        outcome = Outcome()
        error = None
        try:
            self.whole_session(folder, outcome)
        except HarnessError as e:
            error = e

        ran = sorted(p.name[:-len(".ran")] for p in folder.glob("*.ran"))
        from_folder = [m.path for m in outcome.modules
                       if m.kind == "native" and m.path.startswith(harness.windows_path(folder).lower() + "\\")
                       and not m.name.endswith(".exe")]
        self.assertEqual((ran, from_folder), ([], []),
                         f"planted DLLs ran inside the program{f', which then failed: {error}' if error else ''}")
        if error:
            raise error
        self.assertEqual(outcome.box_texts, [SUCCESS])
        self.assertEqual(outcome.opened, [URL])
        self.assertEqual(outcome.exit_code, 0)
        # Every DLL the session loaded had a planted twin waiting: none was left untried.
        unplanted = sorted(program_dlls(outcome.modules) - set(names))
        self.assertEqual(unplanted, [], "loaded DLLs that had no planted twin (add them to HIJACK_TARGETS)")


class Planted64Tests(PlantedDllsCase):
    bits, exe = 64, EXE64


class Planted32Tests(PlantedDllsCase):
    """The shipped build: one session, as each start costs about a minute here. The
    names are the usual targets, which cover every DLL the 64-bit session loads."""

    bits, exe = 32, EXE32


del PlantedDllsCase  # a base, not a test of its own

GROUPS = {"64": ["Planted64Tests"], "32": ["Planted32Tests"]}


if __name__ == "__main__":
    sys.exit(run_groups(sys.argv, GROUPS))
