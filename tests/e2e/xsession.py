"""A private X display for end-to-end tests: Xvfb on a free display number, programs started on it,
input through xdotool, screenshots as pixel arrays, windows through xwininfo. Standard library only.

    with XSession(800, 600) as x:
        proc = x.start(["kelvane", "/s"])
        x.wait_for(lambda: x.top_windows(mapped=True), 5, "a window")
        shot = x.screenshot()
        print(shot.count_white((0, 0, 800, 600)))
"""

import array
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time


class WaitTimeout(AssertionError):
    pass


def wait_for(condition, timeout, what="condition", interval=0.02):
    """Polls condition() until it returns something true and returns that; raises WaitTimeout
    naming `what` when timeout seconds pass first."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise WaitTimeout(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


def process_ended(proc, timeout, what="the process to end"):
    """Waits until proc (a Popen) has ended and returns its exit status."""
    wait_for(lambda: proc.poll() is not None, timeout, what)
    return proc.returncode


class Screenshot:
    """One capture: width, height and 32-bit pixels 0xAARRGGBB, row-major; colours are compared
    without the alpha byte."""

    def __init__(self, width, height, pixels):
        self.width = width
        self.height = height
        self.pixels = pixels   # array('I')

    def pixel(self, x, y):
        v = self.pixels[y * self.width + x]
        return (v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF

    def _rows(self, rect):
        x0, y0, x1, y1 = self._clip(rect)
        for y in range(y0, y1):
            yield self.pixels[y * self.width + x0:y * self.width + x1]

    def _clip(self, rect):
        x0, y0, x1, y1 = rect if rect is not None else (0, 0, self.width, self.height)
        return max(0, x0), max(0, y0), min(self.width, x1), min(self.height, y1)

    def count_value(self, rgb, rect=None):
        """Pixels of exactly this 0xRRGGBB colour inside rect (left, top, right, bottom; exclusive)."""
        return sum(row.count(rgb) + row.count(rgb | 0xFF000000) for row in self._rows(rect))

    def count_white(self, rect=None):
        return self.count_value(0xFFFFFF, rect)

    def count_other(self, colours, rect=None):
        """Pixels inside rect whose colour is none of `colours` (0xRRGGBB values)."""
        wanted = set(colours) | {c | 0xFF000000 for c in colours}
        return sum(sum(1 for v in row if v not in wanted) for row in self._rows(rect))

    def region(self, rect=None):
        """The pixels inside rect as one flat array, for comparing two shots."""
        out = array.array("I")
        for row in self._rows(rect):
            out.extend(v & 0xFFFFFF for v in row)
        return out


def pixels_from_bgra(data, width, height):
    """32-bit pixels 0xAARRGGBB from ImageMagick's raw "bgra" bytes."""
    pixels = array.array("I")
    pixels.frombytes(data[:width * height * 4])
    if sys.byteorder != "little":
        pixels.byteswap()
    if len(pixels) != width * height:
        raise ValueError(f"screenshot: {len(pixels)} pixels, expected {width}x{height}")
    return Screenshot(width, height, pixels)


class XSession:
    """Xvfb on a display number of its own. Use as a context manager; every process started with
    start() is ended (SIGTERM, then SIGKILL) when the session closes."""

    def __init__(self, width=800, height=600, depth=24, extra_args=()):
        self.width = width
        self.height = height
        self.depth = depth
        self.extra_args = list(extra_args)
        self.server = None
        self.display = None
        self.processes = []
        self.env = dict(os.environ)

    # Server

    def __enter__(self):
        self.open()
        return self

    def __exit__(self, *exc):
        self.close()

    def open(self, timeout=20):
        for tool in ("Xvfb", "xdotool", "xwininfo", "import"):
            if shutil.which(tool) is None:
                raise RuntimeError(f"{tool} is not installed")
        read_fd, write_fd = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
             f"{self.width}x{self.height}x{self.depth}", "-nolisten", "tcp", "-noreset"] + self.extra_args,
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        number = b""
        deadline = time.monotonic() + timeout
        try:
            os.set_blocking(read_fd, False)
            while not number.endswith(b"\n"):
                if self.server.poll() is not None:
                    raise RuntimeError("Xvfb ended before it chose a display")
                if time.monotonic() > deadline:
                    raise RuntimeError("Xvfb did not start")
                try:
                    chunk = os.read(read_fd, 16)
                except BlockingIOError:
                    time.sleep(0.01)
                    continue
                if not chunk:
                    raise RuntimeError("Xvfb closed its display pipe")
                number += chunk
        finally:
            os.close(read_fd)
        self.display = ":" + number.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.display)
        self.env.pop("XAUTHORITY", None)
        wait_for(lambda: self.run(["xdotool", "getmouselocation"], check=False).returncode == 0, timeout,
                 "the X server to answer")

    def kill_server(self):
        """Ends the X server at once, as a crash would, while its clients run on."""
        self.server.kill()
        self.server.wait()

    def close(self):
        for proc in self.processes:
            stop_process(proc)
        if self.server is not None:
            stop_process(self.server)
            self.server = None

    # Programs

    def start(self, args, env=None, **popen_args):
        """Starts a program on this display; its stdout and stderr are captured unless given."""
        popen_args.setdefault("stdout", subprocess.PIPE)
        popen_args.setdefault("stderr", subprocess.PIPE)
        full_env = dict(self.env, **(env or {}))
        proc = subprocess.Popen(args, env=full_env, **popen_args)
        self.processes.append(proc)
        return proc

    def run(self, args, check=True, timeout=30, env=None):
        """Runs a program on this display to its end; returns the CompletedProcess (text output)."""
        result = subprocess.run(args, env=dict(self.env, **(env or {})), capture_output=True, text=True,
                                timeout=timeout)
        if check and result.returncode != 0:
            raise RuntimeError(f"{args} failed ({result.returncode}): {result.stderr.strip()}")
        return result

    def wait_for(self, condition, timeout, what="condition", interval=0.02):
        return wait_for(condition, timeout, what, interval)

    # Screen

    def screenshot(self, window="root"):
        """The screen, or one window (its id), as a Screenshot."""
        if window == "root":
            width, height = self.width, self.height
        else:
            info = self.window_info(window)
            if info is None:
                raise RuntimeError(f"no window {window} to capture")
            width, height = info["width"], info["height"]
        data = subprocess.run(["import", "-window", str(window), "-depth", "8", "bgra:-"], env=self.env,
                              capture_output=True, check=True, timeout=30).stdout
        return pixels_from_bgra(data, width, height)

    # Windows

    def window_info(self, window):
        """Geometry and state of a window (id as int or text): dict with x, y (absolute), width,
        height, map_state ("IsViewable", "IsUnMapped", "IsUnviewable"), override_redirect; None when
        the window does not exist."""
        result = self.run(["xwininfo", "-id", str(window)], check=False)
        if result.returncode != 0:
            return None
        info = {}
        for key, pattern in (("x", r"Absolute upper-left X:\s+(-?\d+)"), ("y", r"Absolute upper-left Y:\s+(-?\d+)"),
                             ("width", r"Width:\s+(\d+)"), ("height", r"Height:\s+(\d+)")):
            m = re.search(pattern, result.stdout)
            if m is None:
                return None
            info[key] = int(m.group(1))
        m = re.search(r"Map State:\s+(\w+)", result.stdout)
        info["map_state"] = m.group(1) if m else ""
        m = re.search(r"Override Redirect State:\s+(\w+)", result.stdout)
        info["override_redirect"] = bool(m and m.group(1) == "yes")
        return info

    def children(self, window="root"):
        """The ids of a window's direct children, bottom to top."""
        args = ["xwininfo", "-root", "-children"] if window == "root" else ["xwininfo", "-id", str(window), "-children"]
        result = self.run(args, check=False)
        if result.returncode != 0:
            return []
        return [int(m.group(1), 16) for m in re.finditer(r"^\s+(0x[0-9a-fA-F]+)\s", result.stdout, re.M)]

    def top_windows(self, mapped=True):
        """Children of the root window, only the viewable ones when mapped is true, with their info."""
        out = []
        for wid in self.children("root"):
            info = self.window_info(wid)
            if info is not None and (not mapped or info["map_state"] == "IsViewable"):
                out.append(dict(info, id=wid))
        return out

    def windows_covering(self, rect):
        """Viewable top-level windows whose area contains rect (left, top, right, bottom)."""
        left, top, right, bottom = rect
        return [w for w in self.top_windows() if w["x"] <= left and w["y"] <= top
                and w["x"] + w["width"] >= right and w["y"] + w["height"] >= bottom]

    # Input

    def xdotool(self, *args):
        return self.run(["xdotool"] + [str(a) for a in args])

    def mouse_location(self):
        out = self.xdotool("getmouselocation", "--shell").stdout
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(values["X"]), int(values["Y"])

    def mouse_move(self, x, y):
        self.xdotool("mousemove", x, y)

    def mouse_move_relative(self, dx, dy):
        self.xdotool("mousemove_relative", "--", dx, dy)

    def key(self, name):
        self.xdotool("key", name)

    def key_down(self, name):
        self.xdotool("keydown", name)

    def key_up(self, name):
        self.xdotool("keyup", name)

    def click(self, button=1):
        self.xdotool("click", button)

    def button_down(self, button=1):
        self.xdotool("mousedown", button)

    def button_up(self, button=1):
        self.xdotool("mouseup", button)


def stop_process(proc, timeout=5):
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(timeout)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
    for stream in (proc.stdin, proc.stdout, proc.stderr):
        if stream is not None:
            stream.close()


def temp_home():
    """A temporary folder for XDG_CONFIG_HOME and the like; removed by the caller."""
    return tempfile.mkdtemp(prefix="kelvane-e2e-")


# Wine

def wine_environment(prefix):
    """What Wine programs of one prefix run with: quiet, and never offering to install .NET or Gecko."""
    return {"WINEPREFIX": prefix, "WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml="}


def make_wine_prefix(session, env, timeout=600):
    """Makes env's Wine prefix on this display unless it is there, and waits for Wine to settle."""
    if not os.path.exists(os.path.join(env["WINEPREFIX"], "system.reg")):
        session.run(["wineboot", "-i"], env=env, timeout=timeout)
    session.run(["wineserver", "-w"], check=False, env=env, timeout=timeout)


# Japanese texts under Wine, which has no "ＭＳ 明朝": the dialog's face maps to IPA Mincho, and
# Tahoma (captions, message boxes) falls back to IPA Gothic for the characters it lacks.
JAPANESE_FONTS_REG = """Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]
"ＭＳ 明朝"="IPAMincho"

[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]
"Tahoma"=hex(7):{tahoma_link}
"""


def japanese_fonts_reg():
    """The registry file above, as UTF-16 with its byte-order mark: regedit reads the Japanese
    value name from it whatever the locale."""
    link = "ipag.ttf,IPAGothic\0\0".encode("utf-16-le")
    return ("\ufeff" + JAPANESE_FONTS_REG.format(tahoma_link=",".join(f"{b:02x}" for b in link))
            .replace("\n", "\r\n")).encode("utf-16-le")


def set_up_japanese_fonts(session, env, timeout=120):
    """Writes the font mapping above into env's Wine prefix."""
    fd, path = tempfile.mkstemp(prefix="kelvane-fonts-", suffix=".reg")
    try:
        with os.fdopen(fd, "wb") as f:
            f.write(japanese_fonts_reg())
        session.run(["wine", "regedit", "/S", "Z:" + path.replace("/", "\\")], env=env, timeout=timeout)
        session.run(["wineserver", "-w"], check=False, env=env, timeout=timeout)
    finally:
        os.remove(path)


def end_wine(env):
    """Ends every program of env's Wine prefix and waits for its wineserver to go."""
    subprocess.run(["wineserver", "-k"], env=env, capture_output=True)
    subprocess.run(["wineserver", "-w"], env=env, capture_output=True, timeout=60)


# Monitors. Xvfb's own Xinerama puts every screen at 0,0; RandR monitors on one wide screen lie
# side by side, and both Qt (RandR) and Wine (Xinerama, which the server answers from RandR) see them.

def _monitor_geometry(rect):
    left, top, right, bottom = rect
    width, height = right - left, bottom - top
    # Physical sizes at 96 dpi: some programs divide by them.
    return f"{width}/{max(1, width * 254 // 960)}x{height}/{max(1, height * 254 // 960)}+{left}+{top}"


def monitor_names(session):
    """The RandR monitors' names, primary first as xrandr lists them."""
    out = session.run(["xrandr", "--listmonitors"]).stdout
    return re.findall(r"^\s*\d+:\s+[+*]*(\S+)", out, re.M)


def set_monitors(session, rects):
    """Replaces the screen's monitors by rects (left, top, right, bottom), the first one primary and
    holding the screen's output. For before any program starts: each monitor changes on the way."""
    output = re.search(r"^(\S+) connected", session.run(["xrandr"]).stdout, re.M).group(1)
    for name in monitor_names(session):
        session.run(["xrandr", "--delmonitor", name], check=False)   # the output's own one cannot go
    for i, rect in enumerate(rects):
        session.run(["xrandr", "--setmonitor", ("*" if i == 0 else "") + f"kelvane{i}", _monitor_geometry(rect),
                     output if i == 0 else "none"])


def add_monitor(session, name, rect):
    """Plugs in a monitor showing rect of the screen."""
    session.run(["xrandr", "--setmonitor", name, _monitor_geometry(rect), "none"])


def remove_monitor(session, name):
    session.run(["xrandr", "--delmonitor", name])


def wine_monitors_from_xinerama(session, env, enable):
    """Makes env's Wine prefix find monitors through Xinerama (enable) or RandR's outputs, Wine's
    default, which on Xvfb are one. Ends the prefix's session: the next one reads the setting."""
    key = r"HKCU\Software\Wine\X11 Driver"
    if enable:
        session.run(["wine", "reg", "add", key, "/v", "UseXRandR", "/t", "REG_SZ", "/d", "N", "/f"], env=env, timeout=120)
    else:
        session.run(["wine", "reg", "delete", key, "/v", "UseXRandR", "/f"], check=False, env=env, timeout=120)
    end_wine(dict(session.env, **env))
