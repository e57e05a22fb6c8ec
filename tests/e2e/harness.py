"""Runs our Windows programs under Wine in a private X display, for end-to-end tests.

Standard library only. Everything waits by polling with a deadline, never by sleeping
a fixed time: a 32-bit program starts in ~50 s here (qemu), a 64-bit one in ~2 s.

    with Session(bits=64, screen="1024x768x24") as s:
        folder = s.new_case("plain", exe=..., with_client=True)
        app = s.start(folder / "Tavrilon.exe")
        info = app.wait_window()
        app.click_child("注 册")
        box = s.wait_box("信息：")
"""

import fcntl
import json
import os
import pathlib
import re
import select
import shutil
import subprocess
import tempfile
import time

REPO = pathlib.Path(__file__).resolve().parents[2]
BUILD = REPO / "build"
E2E_DIR = BUILD / "e2e"
SHOTS_DIR = E2E_DIR / "shots"
WINE_DIR = pathlib.Path(os.environ.get("TAVRILON_WINE_DIR", BUILD / "wine"))
INSPECTOR_SRC = REPO / "tests" / "e2e" / "inspector.cpp"

WINE64 = "/usr/lib/wine/wine64"
WINE32 = "/usr/lib/wine/wine"
WINESERVER = "/usr/lib/wine/wineserver"

# Slower machines may scale every deadline; the defaults are already generous.
TIMEOUT_SCALE = float(os.environ.get("TAVRILON_E2E_TIMEOUT_SCALE", "1"))


class HarnessError(AssertionError):
    """A failed wait or a broken tool: reported as a test failure, not an error."""


def scaled(seconds):
    return seconds * TIMEOUT_SCALE


def wait_until(probe, timeout, what, interval=0.1, abort=None):
    """Polls probe() until it returns something truthy and returns that.

    abort(), when given, is polled too: a non-empty message ends the wait at once
    (e.g. the program exited), so a failure does not cost the whole timeout."""
    deadline = time.monotonic() + scaled(timeout)
    while True:
        value = probe()
        if value:
            return value
        if abort is not None:
            reason = abort()
            if reason:
                raise HarnessError(f"while waiting for {what}: {reason}")
        if time.monotonic() >= deadline:
            raise HarnessError(f"timed out after {scaled(timeout):.0f} s waiting for {what}")
        time.sleep(interval)


def wine_base_env():
    env = dict(os.environ)
    env.update(
        LANG="zh_CN.UTF-8",
        LC_ALL="zh_CN.UTF-8",  # Wine's ANSI code page 936
        WINEDEBUG="-all",
        WINEDLLOVERRIDES="mscoree,mshtml=",  # no Mono/Gecko install dialogs
    )
    return env


def ensure_prefix(prefix, bits):
    """Creates the prefix once (shared with tools/wine-env.sh, same lock and marker)."""
    fn = "ensure_prefix64" if bits == 64 else "ensure_prefix32"
    subprocess.run(
        ["bash", "-c", f'source "$0" && {fn} "$1"', str(REPO / "tools" / "wine-env.sh"), str(prefix)],
        check=True,
    )


def windows_path(path):
    """The name Wine gives a Linux path through its Z: drive."""
    return "Z:" + str(pathlib.Path(path).absolute()).replace("/", "\\")


def ensure_inspector():
    """The inspector built by CMake when it is current, else one built here."""
    override = os.environ.get("TAVRILON_INSPECTOR")
    if override:
        return pathlib.Path(override)
    built = BUILD / "win64" / "inspector.exe"
    if built.exists() and built.stat().st_mtime >= INSPECTOR_SRC.stat().st_mtime:
        return built
    return ensure_built(INSPECTOR_SRC, E2E_DIR / "inspector.exe",
                        ["x86_64-w64-mingw32-g++-posix", "-std=c++17", "-static", "-Os", INSPECTOR_SRC,
                         "-o", "{out}", "-luser32", "-lgdi32"])


def ensure_built(src, target, command):
    """target, rebuilt by command (argv; "{out}" stands for the output) when older than src.

    Runs in parallel sessions share build/e2e: a lock per target, and the new file
    replaces the old one whole."""
    src, target = pathlib.Path(src), pathlib.Path(target)
    target.parent.mkdir(parents=True, exist_ok=True)
    with open(str(target) + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not target.exists() or target.stat().st_mtime < src.stat().st_mtime:
            tmp = target.with_name(target.stem + ".tmp" + target.suffix)
            subprocess.run([str(tmp) if a == "{out}" else str(a) for a in command], check=True)
            tmp.replace(target)
    return target


def ensure_cursor_probe():
    """A native helper that prints the X cursor image (XFixes) as JSON."""
    src = REPO / "tests" / "e2e" / "cursor_probe.c"
    return ensure_built(src, E2E_DIR / "cursor_probe",
                        ["gcc", "-O2", src, "-o", "{out}", "-lX11", "-lXfixes"])


def parse_reg_query(out):
    """{name: (type, raw bytes)} from `reg query` output, which is in code page 936."""
    values = {}
    for line in out.split(b"\n"):
        line = line.rstrip(b"\r")
        if not line.startswith(b"    "):
            continue
        parts = line[4:].split(b"    ", 2)
        if len(parts) >= 2 and parts[1].startswith(b"REG_"):
            values[parts[0]] = (parts[1].decode("ascii"), parts[2] if len(parts) > 2 else b"")
    return values


class Xvfb:
    """A private X server; Xvfb picks a free display itself (-displayfd), race-free."""

    def __init__(self, size="1024x768x24"):
        read_end, write_end = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", size, "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        )
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + scaled(30)
        try:
            while not number.endswith(b"\n"):
                left = deadline - time.monotonic()
                if left <= 0 or not select.select([read_end], [], [], left)[0]:
                    raise HarnessError("Xvfb did not report its display")
                chunk = os.read(read_end, 16)
                if not chunk:
                    raise HarnessError("Xvfb exited at start")
                number += chunk
        except BaseException:
            self.stop()
            raise
        finally:
            os.close(read_end)
        self.display = ":" + number.decode().strip()
        self.size = size
        env = dict(os.environ, DISPLAY=self.display)
        wait_until(
            lambda: subprocess.run(["xdpyinfo"], env=env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL).returncode == 0,
            30, f"display {self.display}",
        )

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


class Shot:
    """A screenshot: the PNG is kept for people, the pixels are read from a PPM copy."""

    def __init__(self, path):
        self.path = path
        ppm = subprocess.run(["convert", str(path), "-depth", "8", "ppm:-"], check=True,
                             stdout=subprocess.PIPE).stdout
        tokens, pos = [], 0
        while len(tokens) < 4:  # magic, width, height, maxval; '#' comments allowed
            while ppm[pos:pos + 1].isspace():
                pos += 1
            if ppm[pos:pos + 1] == b"#":
                pos = ppm.index(b"\n", pos) + 1
                continue
            end = pos
            while not ppm[end:end + 1].isspace():
                end += 1
            tokens.append(ppm[pos:end])
            pos = end
        if tokens[0] != b"P6" or tokens[3] != b"255":
            raise HarnessError(f"unexpected image format from convert: {tokens}")
        self.width, self.height = int(tokens[1]), int(tokens[2])
        self.data = ppm[pos + 1:]

    def pixel(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise HarnessError(f"pixel ({x},{y}) is outside the {self.width}x{self.height} screen")
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def find(self, rect, predicate):
        """The first (x, y) in rect (left, top, right, bottom; screen) where predicate(x, y)."""
        left, top, right, bottom = rect
        for y in range(max(top, 0), min(bottom, self.height)):
            for x in range(max(left, 0), min(right, self.width)):
                if predicate(x, y):
                    return (x, y)
        return None


class Session:
    """One prefix, one X display and everything started in them; close() kills it all.

    bits=64 runs programs with wine64 in the e2e prefix (a prefix of its own, so the
    console test programs using build/wine/prefix64 can run at the same time);
    bits=32 runs them with the 32-bit loader in build/wine/prefix32 (WoW64)."""

    def __init__(self, bits=64, screen="1024x768x24", prefix=None, name=None):
        self.bits = bits
        self.loader = WINE64 if bits == 64 else WINE32
        default = WINE_DIR / ("e2e64" if bits == 64 else "prefix32")
        self.prefix = pathlib.Path(prefix or os.environ.get(f"TAVRILON_E2E_PREFIX{bits}", default))
        self.name = name or f"win{bits}"
        self.case_root = E2E_DIR / self.name
        self.xvfb = None
        self.mapped_drives = []
        self.lock = None
        self.starts = 0
        self.holder = None
        ensure_prefix(self.prefix, bits)
        self.inspector_exe = ensure_inspector()
        # One run at a time per prefix: the end of a run kills all of the prefix's processes.
        self.lock = open(str(self.prefix) + ".run.lock", "w")
        wait_until(lambda: self._try_lock(), 1800, f"another test run using {self.prefix} to end", interval=1)
        try:
            self._kill_wine()  # leftovers of an interrupted run
            self.xvfb = Xvfb(screen)
            self.env = wine_base_env()
            self.env.update(WINEPREFIX=str(self.prefix), DISPLAY=self.xvfb.display)
            self.case_root.mkdir(parents=True, exist_ok=True)
            self._install_browser_recorder()
            # Keeps the wineserver and the prefix's services up for the whole session:
            # otherwise each gap between two programs stops them and the next program
            # starts them again, which is slower and one more thing happening at once.
            self.holder = subprocess.Popen([WINE64, str(self.inspector_exe), "hold"], env=self.env,
                                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL)
        except BaseException:
            self.close()
            raise

    # -- life cycle -------------------------------------------------------------

    def _try_lock(self):
        try:
            fcntl.flock(self.lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
            return True
        except BlockingIOError:
            return False

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        for link in self.mapped_drives:
            if link.is_symlink():
                link.unlink()
        self.mapped_drives = []
        if self.lock is not None:
            self._kill_wine()
        if self.holder is not None:
            try:
                self.holder.wait(timeout=30)  # wineserver -k has ended it
            except subprocess.TimeoutExpired:
                self.holder.kill()
                self.holder.wait()
            self.holder = None
        if self.xvfb is not None:
            self.xvfb.stop()
            self.xvfb = None
        if self.lock is not None:
            self.lock.close()
            self.lock = None

    def _kill_wine(self):
        env = dict(wine_base_env(), WINEPREFIX=str(self.prefix))
        subprocess.run([WINESERVER, "-k"], env=env, stderr=subprocess.DEVNULL)
        subprocess.run([WINESERVER, "-w"], env=env, stderr=subprocess.DEVNULL, timeout=scaled(120))

    def _install_browser_recorder(self):
        """Wine's browser helper runs `xdg-open URL`: record instead of opening anything."""
        bindir = self.case_root / "bin"
        bindir.mkdir(exist_ok=True)
        self.opened_log = self.case_root / "opened.txt"
        self.opened_log.write_text("")
        script = bindir / "xdg-open"
        script.write_text(f'#!/bin/sh\nprintf "%s\\n" "$*" >> "{self.opened_log}"\n')
        script.chmod(0o755)
        self.env["PATH"] = f"{bindir}:{self.env.get('PATH', '/usr/bin:/bin')}"

    def opened_urls(self):
        return self.opened_log.read_text().splitlines()

    # -- Wine programs ------------------------------------------------------------

    def wine(self, args, timeout=60):
        """Runs a (64-bit) helper such as reg or the inspector to completion.

        Output goes through files, not pipes: the prefix's background processes
        (explorer, services) started by this helper would inherit a pipe and keep
        it open, so waiting for the end of its output could last as long as the
        program under test runs."""
        argv = [WINE64] + [str(a) for a in args]
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            proc = subprocess.Popen(argv, env=self.env, stdin=subprocess.DEVNULL, stdout=out, stderr=err)
            try:
                code = proc.wait(timeout=scaled(timeout))
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
                raise HarnessError(f"{' '.join(argv)} did not finish within {scaled(timeout):.0f} s")
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(argv, code, out.read(), err.read())

    def inspector(self, *args, timeout=60):
        result = self.wine([self.inspector_exe] + list(args), timeout=timeout)
        try:
            data = json.loads(result.stdout.decode("utf-8")) if result.stdout.strip() else None
        except ValueError as e:
            raise HarnessError(f"inspector printed no JSON ({e}): {result.stdout[:300]!r}")
        return result.returncode, data

    def window(self, title="Tavrilon"):
        """The inspector's description of a top-level window, or None when absent."""
        rc, data = self.inspector("window", title)
        return data if rc == 0 else None

    def boxes(self):
        rc, data = self.inspector("boxes")
        if rc != 0:
            raise HarnessError(f"inspector boxes failed: {data}")
        return data

    def wait_box(self, caption=None, timeout=None, app=None):
        """Waits for a visible message box (with that caption) and returns its description."""
        def probe():
            found = [b for b in self.boxes() if caption is None or b["caption"] == caption]
            return found[0] if found else None
        timeout = timeout or 60 * (app.slowness if app else 1)
        return wait_until(probe, timeout, f"a message box {caption!r}",
                          abort=app.exit_reason if app else None)

    def wait_no_box(self, timeout=None, app=None):
        timeout = timeout or 60 * (app.slowness if app else 1)
        wait_until(lambda: not self.boxes(), timeout, "the message box to close")

    def exe_icons(self, exe):
        """The images of the file's first icon group: [(width, height, bpp, [0xAARRGGBB, ...])]."""
        rc, data = self.inspector("exe-icons", windows_path(exe))
        if rc != 0:
            raise HarnessError(f"no icon in {exe}: {data}")
        return [(i["width"], i["height"], i["bpp"],
                 [int(i["argb"][k:k + 8], 16) for k in range(0, len(i["argb"]), 8)])
                for i in data["images"]]

    def start(self, exe, cwd=None, args=(), winedebug=None):
        """Starts a program: exe is a Linux path or a Windows path such as T:\\x.exe.

        winedebug, when given, adds Wine debug channels (such as "+loaddll") to its log."""
        exe = str(exe)
        if cwd is None:
            cwd = pathlib.Path(exe).parent if exe.startswith("/") else self.case_root
        self.starts += 1
        log_path = self.case_root / f"program-{self.starts}.log"
        # Wine's error messages (not its fixme notes) go to a log of this start, to
        # explain an unexpected exit.
        channels = os.environ.get("TAVRILON_E2E_WINEDEBUG", "fixme-all")
        env = dict(self.env, WINEDEBUG=f"{winedebug},{channels}" if winedebug else channels)
        with open(log_path, "wb") as log:
            proc = subprocess.Popen([self.loader, exe] + list(args), cwd=str(cwd), env=env,
                                    stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
        return App(self, proc, log_path)

    # -- working copies ---------------------------------------------------------

    def new_case(self, case, exe, with_client=True, folder="client"):
        """A fresh folder build/e2e/<session>/<case>/<folder> holding exe as Tavrilon.exe."""
        base = self.case_root / case
        if base.exists():
            shutil.rmtree(base)
        target = base / folder
        target.mkdir(parents=True)
        shutil.copy2(exe, target / "Tavrilon.exe")
        if with_client:
            (target / "Client.exe").write_bytes(b"")
        return target

    def map_drive(self, letter, folder):
        """Makes folder the root of the Wine drive letter: (a dosdevices symlink)."""
        link = self.prefix / "dosdevices" / f"{letter.lower()}:"
        if link.is_symlink() or link.exists():
            link.unlink()
        link.symlink_to(pathlib.Path(folder).resolve())
        self.mapped_drives.append(link)
        return f"{letter.upper()}:"

    # -- registry ---------------------------------------------------------------

    def reg_values(self, key):
        """{name(str): (type, raw bytes)} of a key, or None when the key does not exist."""
        result = self.wine(["reg", "query", key])
        if result.returncode != 0:
            return None
        return {name.decode("gbk"): value for name, value in parse_reg_query(result.stdout).items()}

    def reg_query_bytes(self, key, name):
        """The raw bytes (code page 936) of one value, or None when absent."""
        result = self.wine(["reg", "query", key, "/v", name])
        if result.returncode != 0:
            return None
        values = parse_reg_query(result.stdout)
        for raw, (_type, data) in values.items():
            if raw.decode("gbk").lower() == name.lower():
                return data
        raise HarnessError(f"reg query printed no value {name!r}: {result.stdout!r}")

    def reg_query(self, key, name):
        data = self.reg_query_bytes(key, name)
        return None if data is None else data.decode("gbk")

    def reg_set(self, key, name, text):
        """Writes a REG_SZ value (name None: the key's default value) and reads it back."""
        which = ["/ve"] if name is None else ["/v", name]
        self.wine(["reg", "add", key] + which + ["/t", "REG_SZ", "/d", text, "/f"])
        # reg names the default value by a localized word; a missing one reads as None.
        values = self.reg_values(key) or {}
        got = [v for n, v in values.items() if (n.lower() == name.lower() if name else n.startswith("("))]
        if not got or got[0] != ("REG_SZ", text.encode("gbk")):
            raise HarnessError(f"could not set {key} {name or '(default)'} to {text!r}: {values}")

    def reg_delete(self, key):
        self.wine(["reg", "delete", key, "/f"])
        if self.reg_values(key) is not None:
            raise HarnessError(f"could not delete {key}")

    # -- X: input, screenshots, properties -------------------------------------

    def x(self, *args, check=True):
        return subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, check=check,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE)

    def click(self, x, y, button=1):
        self.x("mousemove", "--sync", x, y)
        self.x("click", button)

    def key(self, *keys):
        """Real key events (XTEST); they reach the window that has the X focus."""
        self.x("key", *keys)

    def x_focus(self):
        result = self.x("getwindowfocus", check=False)
        return int(result.stdout) if result.returncode == 0 and result.stdout.strip() else None

    def wait_keyboard(self, title, x_titles=(), timeout=30, app=None):
        """Waits until keys typed now reach the window titled title.

        That takes two things: the window is Wine's foreground window, and the X
        keyboard focus is on one of the program's X windows (title or x_titles). Wine
        hands every key to its foreground window whichever of its X windows got it;
        it does not always move the X focus onto a new message box."""
        titles = (title,) + tuple(x_titles)
        seen = {}

        def probe():
            info = self.window(title)
            seen["foreground"] = bool(info and info["foreground"])
            seen["focus"] = self.x_focus()
            seen["windows"] = [w for t in titles for w in self.x_windows(t)]
            return seen["foreground"] and seen["focus"] in seen["windows"]
        try:
            return wait_until(probe, timeout * (app.slowness if app else 1), f"keys to reach {title!r}",
                              interval=0.2, abort=app.exit_reason if app else None)
        except HarnessError as e:
            raise HarnessError(f"{e}: foreground {seen.get('foreground')}, X focus on {seen.get('focus')}, "
                               f"the program's X windows {seen.get('windows')}") from None

    def x_windows(self, title):
        """X window ids of visible windows titled exactly title (UTF-8)."""
        result = self.x("search", "--onlyvisible", "--name", "^" + re.escape(title) + "$", check=False)
        return [int(w) for w in result.stdout.split()]

    def x_icons(self, xid):
        """The images of _NET_WM_ICON as [(width, height, [0xAARRGGBB, ...])]."""
        out = subprocess.run(["xprop", "-id", str(xid), "-notype", "32c", "_NET_WM_ICON"], env=self.env,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE).stdout.decode()
        if "=" not in out:
            return []
        numbers = [int(n) for n in out.split("=", 1)[1].replace(",", " ").split()]
        images = []
        while len(numbers) >= 2:
            w, h = numbers[0], numbers[1]
            images.append((w, h, numbers[2:2 + w * h]))
            numbers = numbers[2 + w * h:]
        return images

    def move(self, x, y):
        self.x("mousemove", "--sync", x, y)

    def press(self, button=1):
        self.x("mousedown", button)

    def release(self, button=1):
        self.x("mouseup", button)

    def double_click(self, x, y, button=1):
        """Two clicks 50 ms apart: well inside the system's double-click time."""
        self.move(x, y)
        self.x("click", "--repeat", 2, "--delay", 50, button)

    def cursor(self):
        """The cursor X shows now: {width, height, xhot, yhot, serial, argb: [0xAARRGGBB...]}."""
        result = subprocess.run([str(ensure_cursor_probe())], env=self.env, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE)
        if result.returncode != 0:
            raise HarnessError(f"cursor_probe failed: {result.stderr.decode(errors='replace')}")
        data = json.loads(result.stdout)
        text = data["argb"]
        data["argb"] = [int(text[k:k + 8], 16) for k in range(0, len(text), 8)]
        return data

    # -- processes of this prefix ---------------------------------------------------

    def processes(self, *names):
        """[(pid, command line)] of live processes started in this prefix (its WINEPREFIX
        in their environment, inherited by the Unix programs Wine starts too) whose
        command line contains one of names."""
        marker = b"WINEPREFIX=" + os.fsencode(str(self.prefix))
        found = []
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                with open(f"/proc/{entry}/stat", "rb") as f:
                    if f.read().rsplit(b")", 1)[1].split()[0] == b"Z":
                        continue  # ended, only not reaped yet
                with open(f"/proc/{entry}/environ", "rb") as f:
                    if marker not in f.read().split(b"\0"):
                        continue
                with open(f"/proc/{entry}/cmdline", "rb") as f:
                    cmdline = f.read().replace(b"\0", b" ").decode(errors="replace")
            except (OSError, IndexError):
                continue  # gone meanwhile, or not ours to read
            if any(name in cmdline for name in names):
                found.append((int(entry), cmdline))
        return found

    def wait_idle(self, *names, timeout=60):
        """Waits until no process of this prefix named so is running.

        A program's effects (a started browser writing a file) may come some time after
        the action that caused them; once every such process has ended, everything it
        was going to do has been done."""
        seen = {}

        def probe():
            seen["running"] = self.processes(*names)
            return not seen["running"]
        try:
            wait_until(probe, timeout, f"no {', '.join(names)} running", interval=0.1)
        except HarnessError as e:
            raise HarnessError(f"{e}: still running {seen.get('running')}") from None

    def screenshot(self, name):
        SHOTS_DIR.mkdir(parents=True, exist_ok=True)
        path = SHOTS_DIR / f"{self.name}-{name}.png"
        subprocess.run(["import", "-window", "root", str(path)], env=self.env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return Shot(path)


class App:
    """A started program: its window, its keys and clicks, its exit code."""

    def __init__(self, session, proc, log_path=None):
        self.s = session
        self.proc = proc
        self.log_path = log_path
        self.title = "Tavrilon"
        # A 32-bit program runs under qemu here: everything it does takes longer.
        self.slowness = 1 if session.bits == 64 else 4

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.kill()

    def exit_reason(self):
        code = self.proc.poll()
        if code is None:
            return None
        log = self.log_path.read_bytes()[-600:].decode("utf-8", "replace") if self.log_path else ""
        return f"the program exited with code {code}" + (f"; its log ends: {log}" if log.strip() else "")

    def alive(self):
        return self.proc.poll() is None

    def info(self):
        data = self.s.window(self.title)
        if data is None:
            raise HarnessError(f"window {self.title!r} not found")
        return data

    def wait_window(self, timeout=None):
        """Waits until the window exists, is visible and is mapped on the X display."""
        timeout = timeout or 60 * self.slowness

        def probe():
            data = self.s.window(self.title)
            if data and data["visible"] and self.s.x_windows(self.title):
                return data
            return None
        return wait_until(probe, timeout, f"window {self.title!r}", interval=0.2, abort=self.exit_reason)

    def wait_for(self, predicate, what, timeout=30, show=None):
        """Polls the window description until predicate(info) holds; returns the info.

        On a timeout the message carries show(last info), to say what was seen instead."""
        last = {}

        def probe():
            last["info"] = self.s.window(self.title)
            return last["info"] if last["info"] and predicate(last["info"]) else None
        try:
            return wait_until(probe, timeout * self.slowness, what, interval=0.2, abort=self.exit_reason)
        except HarnessError as e:
            seen = last.get("info")
            detail = show(seen) if (show and seen) else seen
            raise HarnessError(f"{e}; last seen: {detail}") from None

    def x_window(self):
        ids = self.s.x_windows(self.title)
        if not ids:
            raise HarnessError(f"no X window titled {self.title!r}")
        return ids[0]

    def child(self, text=None, index=None, info=None):
        info = info or self.info()
        if index is not None:
            return info["children"][index]
        for c in info["children"]:
            if c["text"] == text:
                return c
        raise HarnessError(f"no child window with text {text!r}")

    def client_to_screen(self, x, y, info=None):
        info = info or self.info()
        ox, oy = info["client_origin"]
        return ox + x, oy + y

    def click_client(self, x, y):
        self.s.click(*self.client_to_screen(x, y))

    def click_child(self, text=None, index=None):
        info = self.info()
        left, top, right, bottom = self.child(text, index, info)["rect"]
        self.s.click(*self.client_to_screen((left + right) // 2, (top + bottom) // 2, info))

    def activate(self):
        """Clicks the window's caption, as a user would, and waits until it takes keys."""
        point = self.info()["frame"]["caption"]
        if not point:
            raise HarnessError("the window has no caption to click")
        self.s.click(*point)
        self.s.wait_keyboard(self.title, app=self)

    def click_close_button(self):
        point = self.info()["frame"]["close"]
        if not point:
            raise HarnessError("the window has no close button on its caption")
        self.s.click(*point)

    def wait_exit(self, timeout=None):
        timeout = timeout or 60 * self.slowness
        try:
            return self.proc.wait(timeout=scaled(timeout))
        except subprocess.TimeoutExpired:
            raise HarnessError(f"the program did not exit within {scaled(timeout):.0f} s") from None

    def kill(self):
        if self.alive():
            self.proc.kill()
            self.proc.wait()


def click_box_button(session, box, text=None):
    buttons = [b for b in box["buttons"] if text is None or b["text"] == text]
    if not buttons:
        raise HarnessError(f"message box has no button {text!r}: {box['buttons']}")
    left, top, right, bottom = buttons[0]["rect"]
    session.click((left + right) // 2, (top + bottom) // 2)
