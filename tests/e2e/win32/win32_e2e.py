#!/usr/bin/env python3
"""End-to-end tests of kelvane.scr under Wine, each on an X display of its own.

    win32_e2e.py --build build/windows CASE

CASE is one of the functions named in CASES. The Wine prefix lives in the build folder
(build/windows/wineprefix) and is made once, by the case "prefix". Every case ends its Wine
session (wineserver -k) before its display goes, so the next case starts afresh.
"""

import argparse
import getpass
import glob
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from xsession import (XSession, end_wine, make_wine_prefix, process_ended, set_up_japanese_fonts,  # noqa: E402
                      stop_process, wait_for, wine_environment)

SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..")
SCREEN = (800, 600)
START_TIMEOUT = 60   # a Wine session's first program starts slowly
END_TIMEOUT = 20
HOST_GREY = 0x808080   # the preview host's background (GRAY_BRUSH)


class WineSession(XSession):
    def __init__(self, build):
        super().__init__(*SCREEN)
        self.build = os.path.abspath(build)
        self.prefix = os.path.join(self.build, "wineprefix")
        self.scr = os.path.join(self.build, "kelvane.scr")

    def open(self, timeout=20):
        super().open(timeout)
        self.env.update(wine_environment(self.prefix))

    def close(self):
        if self.display is not None:
            end_wine(self.env)
        super().close()

    def wine(self, program, *args, stdout=None):
        return self.start(["wine", program] + [str(a) for a in args],
                          stdout=stdout if stdout is not None else subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def saver(self, *args, program=None):
        return self.wine(program or self.scr, *args)

    def full_screen_window(self):
        windows = self.windows_covering((0, 0) + SCREEN)
        return windows[0]["id"] if windows else None

    def wait_for_snow(self, proc):
        """Waits for the full-screen window and for snow on it; returns the window and the shot."""
        wid = self.wait_for(lambda: alive(proc) and self.full_screen_window(), START_TIMEOUT, "the full-screen window")
        shot = self.wait_for(lambda: white_shot(self, proc), START_TIMEOUT, "snow on the full-screen window")
        return wid, shot

    def wait_for_frames(self, proc, shot):
        """Waits until the picture differs from shot: the saver is still animating."""
        def next_shot():
            alive(proc)
            now = self.screenshot()
            return now if moved(now, shot) else None
        return self.wait_for(next_shot, END_TIMEOUT, "the snow to move")


def alive(proc):
    if proc.poll() is not None:
        raise AssertionError(f"the saver ended (exit status {proc.returncode})")
    return True


def white_shot(session, proc):
    alive(proc)
    shot = session.screenshot()
    return shot if shot.count_white() > 0 else None


def covered_with_snow(session, proc, rect):
    """A shot with snow inside rect and none of the preview host's grey left there, else None."""
    alive(proc)
    shot = session.screenshot()
    return shot if shot.count_white(rect) > 0 and shot.count_value(HOST_GREY, rect) == 0 else None


def moved(shot, before):
    return moved_in(shot, before, None)


def moved_in(shot, before, rect):
    return shot.count_white(rect) > 0 and shot.region(rect) != before.region(rect)


def expect_exit_zero(proc, what):
    status = process_ended(proc, END_TIMEOUT, what)
    if status != 0:
        raise AssertionError(f"{what}: exit status {status}")


class Host:
    """The preview host program: its handle, and what it reports about its child."""

    def __init__(self, session, *args):
        self.folder = tempfile.mkdtemp(prefix="kelvane-host-")
        self.out = os.path.join(self.folder, "out.txt")
        self.flag = os.path.join(self.folder, "close")
        with open(self.out, "w") as out:
            self.proc = session.wine(os.path.join(session.build, "kelvane-preview-host.exe"),
                                     "--close-when-exists", "Z:" + self.flag.replace("/", "\\"), *args, stdout=out)
        lines = wait_for(lambda: self.lines()[:2] if len(self.lines()) >= 2 else None, START_TIMEOUT,
                         "the host's window handle")
        self.hwnd = int(lines[0])
        self.client_origin = tuple(int(v) for v in lines[1].split()[1:])

    def lines(self):
        with open(self.out) as f:
            return [line.strip() for line in f if line.endswith("\n")]

    def child(self):
        """(handle, width, height) of the host's child window, None while it has none."""
        reports = [line.split() for line in self.lines() if line.startswith("child ")]
        if not reports or reports[-1][1] == "0":
            return None
        width, height = reports[-1][2].split("x")
        return int(reports[-1][1]), int(width), int(height)

    def destroy_window(self):
        open(self.flag, "w").close()

    def remove(self):
        shutil.rmtree(self.folder, ignore_errors=True)


# Cases

def prefix(build):
    """Makes the Wine prefix once; later runs find it ready."""
    with WineSession(build) as x:
        make_wine_prefix(x, x.env, timeout=300)
        set_up_japanese_fonts(x, x.env)


def saver_shows_moving_snow_full_screen(build):
    with WineSession(build) as x:
        proc = x.saver("/s")
        wid, shot = x.wait_for_snow(proc)
        info = x.window_info(wid)
        assert (info["x"], info["y"], info["width"], info["height"]) == (0, 0) + SCREEN, info
        x.wait_for_frames(proc, shot)


def saver_ends_on_the_second_mouse_position(build):
    with WineSession(build) as x:
        x.mouse_move(10, 10)
        proc = x.saver("/s")
        _, shot = x.wait_for_snow(proc)
        # Wine reports where the pointer is when the window appears, as Windows does; that first
        # report must not end the saver, however many frames follow.
        shot = x.wait_for_frames(proc, shot)
        x.wait_for_frames(proc, shot)
        x.mouse_move(20, 20)
        try:
            x.wait_for(lambda: proc.poll() is not None or not x.full_screen_window(), END_TIMEOUT,
                       "the saver's window to go after the pointer moved")
        except AssertionError:
            # This Wine sent no report when the window appeared: the move above was the first one.
            x.wait_for_frames(proc, x.screenshot())
            x.mouse_move(21, 20)
        expect_exit_zero(proc, "the saver to end after the pointer moved")


def saver_ends_on_a_key(build):
    with WineSession(build) as x:
        proc = x.saver("/s")
        wid, shot = x.wait_for_snow(proc)
        # Without a window manager nobody gives the window the keyboard; a desktop would.
        x.xdotool("windowfocus", "--sync", wid)
        x.wait_for_frames(proc, shot)
        x.key("a")
        expect_exit_zero(proc, "the saver to end after a key")


def saver_ends_on_a_click(build):
    with WineSession(build) as x:
        proc = x.saver("/s")
        _, shot = x.wait_for_snow(proc)
        x.wait_for_frames(proc, shot)
        x.click(1)
        expect_exit_zero(proc, "the saver to end after a click")


def preview_fills_the_host_and_ends_with_it(build):
    with WineSession(build) as x:
        host = Host(x, "--size", "320x240")
        # Few flakes redraw little of the preview by themselves: what the host shows through stays.
        copy = ProfiledCopy(x, "kelvane-sparse", b"[Config-Ver102]\r\nCount=5\r\n")
        try:
            proc = x.saver("/p", host.hwnd, program=copy.program)
            child = x.wait_for(lambda: alive(proc) and host.child(), START_TIMEOUT, "the preview window in the host")
            assert child[1:] == (320, 240), f"the preview covers {child[1:]}, the host's client area is 320x240"
            left, top = host.client_origin
            client = (left, top, left + 320, top + 240)
            # Snow in the host's client area, none of the host's grey left there, and nothing drawn outside it.
            shot = x.wait_for(lambda: covered_with_snow(x, proc, client), START_TIMEOUT,
                              "snow over the whole of the host's client area")
            outside = shot.count_white() - shot.count_white(client)
            assert outside == 0, f"{outside} white pixels outside the host's client area"
            x.wait_for(lambda: alive(proc) and moved_in(x.screenshot(), shot, client), END_TIMEOUT, "the preview's snow to move")
            # Covered by another window and uncovered again, the host's client area is all snow again.
            cover = x.start(["xmessage", "-geometry", f"200x150+{left + 60}+{top + 45}", "cover"])
            x.wait_for(lambda: [w for w in x.top_windows() if (w["width"], w["height"]) == (200, 150)], END_TIMEOUT,
                       "a window over the preview")
            stop_process(cover)
            x.wait_for(lambda: not [w for w in x.top_windows() if (w["width"], w["height"]) == (200, 150)],
                       END_TIMEOUT, "the window over the preview to go")
            x.wait_for(lambda: covered_with_snow(x, proc, client), END_TIMEOUT, "snow over the uncovered preview")
            host.destroy_window()
            expect_exit_zero(proc, "the saver to end with its host")
            expect_exit_zero(host.proc, "the host to end")
        finally:
            copy.remove()
            host.remove()


def preview_survives_a_host_that_goes_at_any_moment(build):
    with WineSession(build) as x:
        for delay in (1, 5, 20, 60, 150, 400):
            host = Host(x, "--close-after", delay)
            try:
                proc = x.saver("/p", host.hwnd)
                expect_exit_zero(proc, f"the saver to end with a host gone after {delay} ms")
                expect_exit_zero(host.proc, "the host to end")
            finally:
                host.remove()


def switches_that_end_at_once(build):
    with WineSession(build) as x:
        # A host that is gone leaves a handle that names no window.
        host = Host(x, "--close-after", 1)
        expect_exit_zero(host.proc, "the host to end")
        host.remove()
        cases = [["/C"], ["//s"], ["/p:1234"], ["/p"], ["/x"],
                 ["/p", "abc"], ["/p", "-1"], ["/p", "-4294967296"], ["/p", "0"], ["/p", "99999999999999999999999"],
                 ["/p", "4294967296"], ["/p", "1234"], ["/p", host.hwnd]]
        for args in cases:
            proc = x.saver(*args)
            expect_exit_zero(proc, f"kelvane.scr {' '.join(map(str, args))} to end at once")


class ProfiledCopy:
    """A copy of kelvane.scr under another name, which reads a profile of its own:
    %APPDATA%\\NAME.ini in the prefix, holding `contents` (None: no profile)."""

    def __init__(self, session, name, contents):
        roaming = os.path.join(session.prefix, "drive_c", "users", getpass.getuser(), "AppData", "Roaming")
        os.makedirs(roaming, exist_ok=True)
        self.folder = tempfile.mkdtemp(prefix="kelvane-profiled-")
        self.program = os.path.join(self.folder, name + ".scr")
        shutil.copy(session.scr, self.program)
        self.profile = os.path.join(roaming, name + ".ini")
        self.remove_profile()
        if contents is not None:
            with open(self.profile, "wb") as f:
                f.write(contents)

    def read_profile(self):
        """The profile's bytes, None while there is no profile."""
        if not os.path.isfile(self.profile):
            return None
        with open(self.profile, "rb") as f:
            return f.read()

    def remove_profile(self):
        if os.path.isdir(self.profile):
            shutil.rmtree(self.profile)
        elif os.path.exists(self.profile):
            os.remove(self.profile)

    def remove(self):
        shutil.rmtree(self.folder, ignore_errors=True)
        self.remove_profile()


# Settings mode: the dialog of resource 102, read with the dialog probe and driven with xdotool.

SETTINGS_TITLE = "Kelvaneの設定"
ABOUT_TITLE = "Kelvaneについて"
BOX_TITLE = "Kelvane"   # the program's name, string 1, captions its message boxes
IDOK, IDCANCEL, IDC_APPLY, IDC_PREVIEW = 1, 2, 3, 1006
IDC_PERIOD, IDC_COUNT, IDC_COUNT_SPIN = 1008, 1010, 1011
IDC_RESISTANCE, IDC_RESISTANCE_SPIN = 1016, 1017
# The edits in the template's order, with what an empty profile shows in them.
DEFAULT_TEXTS = {1008: "40", 1010: "100", 1020: "210", 1012: "0.05", 1014: "9.8", 1016: "0.25", 1018: "50"}
PERIOD_RANGE = "1 から 1000 までの整数を入力してください。"
AT_LEAST_ONE = "1 以上の整数を入力してください。"
NOT_SAVED = "設定を保存できませんでした。"
SEVEN_KEYS = (b"[Config-Ver102]\r\nPeriod=40\r\nCount=101\r\nPixelRatio=210\r\nDeltaTime=0.05\r\n"
              b"Gravitation=9.8\r\nResistance=0.25\r\nFlutter=50\r\n")


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def centre(rect):
    return (rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2


class Screen:
    """What the dialog probe read: the work area, the foreground window, the focused control's id,
    and every visible dialog (hwnd, xwin, enabled, rect, title) with its controls (id, cls, visible,
    rect, missing, text)."""

    def __init__(self, text):
        self.workarea = None
        self.foreground = 0
        self.focus = None   # the id of the control with the keyboard focus
        self.windows = []
        by_hwnd = {}
        for line in text.splitlines():
            kind, _, rest = line.partition(" ")
            if kind == "workarea":
                self.workarea = tuple(int(v) for v in rest.split())
            elif kind == "foreground":
                self.foreground = int(rest)
            elif kind == "focus":
                self.focus = int(rest.split()[1])
            elif kind == "window":
                f = rest.split(" ", 7)
                window = dict(hwnd=int(f[0]), xwin=int(f[1]), enabled=f[2] == "1", rect=tuple(int(v) for v in f[3:7]),
                              title=f[7] if len(f) > 7 else "", controls=[])
                self.windows.append(window)
                by_hwnd[window["hwnd"]] = window
            elif kind == "control":
                f = rest.split(" ", 9)
                by_hwnd[int(f[0])]["controls"].append(
                    dict(id=int(f[1]), cls=f[2], visible=f[3] == "1", rect=tuple(int(v) for v in f[4:8]),
                         missing=int(f[8]), text=f[9] if len(f) > 9 else ""))

    def titled(self, title):
        return [w for w in self.windows if w["title"] == title]

    def window(self, title):
        windows = self.titled(title)
        return windows[0] if windows else None


def control(window, nid):
    found = [c for c in window["controls"] if c["id"] == nid]
    assert found, f"no control {nid} in {window['title']}"
    return found[0]


class Settings:
    """kelvane.scr in settings mode, as a copy with a profile of its own (see ProfiledCopy)."""

    def __init__(self, session, name, contents=None, args=("/c",)):
        self.x = session
        self.copy = ProfiledCopy(session, name, contents)
        self.proc = session.saver(*args, program=self.copy.program)
        self.probe_out = os.path.join(self.copy.folder, "probe.txt")

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.copy.remove()

    def screen(self):
        # The probe writes to a file: a Wine program's pipe may stay open in the processes it starts.
        with open(self.probe_out, "w") as out:
            probe = self.x.wine(os.path.join(self.x.build, "kelvane-dialog-probe.exe"), "list",
                                windows_path(self.copy.program), stdout=out)
        process_ended(probe, END_TIMEOUT, "the dialog probe")
        with open(self.probe_out, encoding="utf-8") as f:
            return Screen(f.read())

    def ask_inside(self, window, command):
        """The lines the probe's hook sends back from inside the program: "sysmenu" or "dragicon"."""
        with open(self.probe_out, "w") as out:
            probe = self.x.wine(os.path.join(self.x.build, "kelvane-dialog-probe.exe"), command, window["hwnd"],
                                stdout=out)
        status = process_ended(probe, END_TIMEOUT, "the dialog probe")
        with open(self.probe_out, encoding="utf-8") as f:
            lines = f.read().splitlines()
        assert status == 0, lines
        return lines

    def system_menu(self, window):
        """The items of a window's system menu: (id, type, text), type 0x800 for a separator."""
        return [(int(f[1]), int(f[2]), f[3] if len(f) > 3 else "")
                for f in (line.split(" ", 3) for line in self.ask_inside(window, "sysmenu"))]

    def dialog(self, timeout=START_TIMEOUT):
        return self.x.wait_for(lambda: alive(self.proc) and self.screen().window(SETTINGS_TITLE), timeout,
                               "the settings dialog")

    def wait_text(self, nid, text):
        self.x.wait_for(lambda: control(self.dialog(), nid)["text"] == text, END_TIMEOUT, f"{text!r} in control {nid}")

    def click(self, window, nid, where=0.5):
        """A click on a control, where (0..1) down its height: 0.25 is an arrow pair's upper arrow."""
        left, top, right, bottom = control(window, nid)["rect"]
        self.x.mouse_move((left + right) // 2, top + int((bottom - top) * where))
        self.x.click(1)

    def keys(self, window, *names):
        self.x.xdotool("windowfocus", "--sync", window["xwin"])
        for name in names:
            self.x.key(name)

    def close_boxes(self, done, preview=None, read_s=0):
        """Closes each message box with Enter, the innermost first, until done(screen) holds with no
        box open; returns the texts of the boxes in the order they were closed. With preview (a
        rectangle), the snow there must move while each box is open; each box stays open read_s
        seconds first, as a user reads it."""
        closed = []

        def step():
            screen = self.screen()
            boxes = screen.titled(BOX_TITLE)
            if not boxes:
                return screen if done(screen) else None
            box = next((b for b in boxes if b["hwnd"] == screen.foreground), boxes[-1])
            texts = [c["text"] for c in box["controls"] if c["cls"].lower() == "static" and c["text"]]
            time.sleep(read_s)
            if preview is not None:
                shot = self.x.screenshot()
                self.x.wait_for(lambda: moved_in(self.x.screenshot(), shot, preview), END_TIMEOUT,
                                f"the preview's snow to move while {texts} is open")
            self.keys(box, "Return")
            self.x.wait_for(lambda: box["hwnd"] not in [b["hwnd"] for b in self.screen().titled(BOX_TITLE)],
                            END_TIMEOUT, f"the box {texts} to close")
            closed.append(" ".join(texts))
            return None

        self.x.wait_for(step, START_TIMEOUT, "the message boxes to end")
        return closed

    def expect_end(self, what):
        expect_exit_zero(self.proc, what)

    def expect_no_box(self, seconds):
        """Watches for seconds that no message box comes (a click that went on repeating would bring one)."""
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            boxes = self.screen().titled(BOX_TITLE)
            assert not boxes, [c["text"] for b in boxes for c in b["controls"] if c["text"]]


def template_from_script(nid):
    """Dialog nid as res/Dialogs.rc writes it, the script generated from the program's templates."""
    with open(os.path.join(SOURCE, "res", "Dialogs.rc"), encoding="utf-8") as f:
        script = f.read()
    m = re.search(rf"^{nid} DIALOGEX (-?\d+), (-?\d+), (\d+), (\d+)\nSTYLE (0x[0-9A-Fa-f]+)\nEXSTYLE (0x[0-9A-Fa-f]+)\n"
                  r'CAPTION "([^"]*)"\nFONT (\d+), "([^"]*)", (\d+), (\d+), (\d+)\nBEGIN\n(.*?)^END', script, re.M | re.S)
    assert m, f"no dialog {nid} in res/Dialogs.rc"
    g = m.groups()
    controls = []
    # "NOT WS_VISIBLE | " keeps windres from adding WS_VISIBLE to a control that must stay hidden.
    for c in re.finditer(r'^\s*CONTROL "([^"]*)", (-?\d+), "([^"]*)", (?:NOT WS_VISIBLE \| )?(0x[0-9A-Fa-f]+), (-?\d+), (-?\d+), (-?\d+), (-?\d+), '
                         r"(0x[0-9A-Fa-f]+)$", g[12], re.M):
        text, cid, cls, style, x, y, cx, cy, ex = c.groups()
        controls.append(dict(text=text, id=int(cid) & 0xFFFFFFFF, **{"class": cls}, style=int(style, 16),
                             rect=(int(x), int(y), int(cx), int(cy)), ex_style=int(ex, 16), help_id=0))
    assert len(controls) == len(re.findall(r"^\s*CONTROL ", g[12], re.M)), "a CONTROL line the test cannot read"
    return dict(version=1, signature=0xFFFF, help_id=0, ex_style=int(g[5], 16), style=int(g[4], 16),
                rect=tuple(int(v) for v in g[:4]), menu=None, window_class=None, title=g[6],
                font=(int(g[7]), int(g[9]), int(g[10]), int(g[11]), g[8]), controls=controls)


def pe_resource(path, kind, nid):
    """The bytes and language of resource (kind, nid) of a PE file, each level taken by number."""
    with open(path, "rb") as f:
        image = f.read()
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    sections_count, = struct.unpack_from("<H", image, pe + 6)
    optional_size, = struct.unpack_from("<H", image, pe + 20)
    optional = pe + 24
    directories = optional + (112 if struct.unpack_from("<H", image, optional)[0] == 0x20B else 96)
    resource_rva, _ = struct.unpack_from("<II", image, directories + 2 * 8)
    sections = [struct.unpack_from("<8sIIII", image, optional + optional_size + 40 * i) for i in range(sections_count)]

    def offset(rva):
        for _, size, address, raw_size, raw in sections:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise AssertionError(f"RVA {rva:#x} lies in no section")

    root = offset(resource_rva)

    def entries(directory):
        named, numbered = struct.unpack_from("<HH", image, directory + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", image, directory + 16 + 8 * i)
            yield name, target

    def find(directory, wanted):
        for name, target in entries(directory):
            if wanted is None or name == wanted:
                return name, target
        raise AssertionError(f"no resource {kind}/{nid}")

    _, by_kind = find(root, kind)
    _, by_name = find(root + (by_kind & 0x7FFFFFFF), nid)
    language, data = find(root + (by_name & 0x7FFFFFFF), None)
    rva, size = struct.unpack_from("<II", image, root + data)
    return image[offset(rva):offset(rva) + size], language


def parse_dialogex(data):
    """A DIALOGEX resource, field by field; window classes given as ordinals by their names."""
    ordinals = {0x80: "BUTTON", 0x81: "EDIT", 0x82: "STATIC", 0x83: "LISTBOX", 0x84: "SCROLLBAR", 0x85: "COMBOBOX"}
    pos = 0

    def take(fmt):
        nonlocal pos
        values = struct.unpack_from("<" + fmt, data, pos)
        pos += struct.calcsize("<" + fmt)
        return values

    def text():
        nonlocal pos
        end = pos
        while data[end:end + 2] != b"\0\0":
            end += 2
        value = data[pos:end].decode("utf-16-le")
        pos = end + 2
        return value

    def sz_or_ord():
        if struct.unpack_from("<H", data, pos)[0] == 0xFFFF:
            return take("HH")[1]
        value = text()
        return value or None

    version, signature, help_id, ex_style, style, count, x, y, cx, cy = take("HHIIIHhhhh")
    dialog = dict(version=version, signature=signature, help_id=help_id, ex_style=ex_style, style=style,
                  rect=(x, y, cx, cy), menu=sz_or_ord(), window_class=sz_or_ord(), title=text())
    points, weight, italic, charset = take("HHBB")
    dialog["font"] = (points, weight, italic, charset, text())
    dialog["controls"] = []
    for _ in range(count):
        pos = (pos + 3) & ~3
        help_id, ex_style, style, x, y, cx, cy, cid = take("IIIhhhhI")
        cls = sz_or_ord()
        title = sz_or_ord()
        extra, = take("H")
        pos += extra
        dialog["controls"].append(dict(text=title or "", id=cid, **{"class": ordinals.get(cls, cls)}, style=style,
                                       rect=(x, y, cx, cy), ex_style=ex_style, help_id=help_id))
    return dialog


def settings_template_is_compiled_into_the_binary(build):
    """Dialogs 100 and 102 in kelvane.scr, Japanese, field for field as the program defines them."""
    for nid in (100, 102):
        data, language = pe_resource(os.path.join(build, "kelvane.scr"), 5, nid)
        assert language == 0x0411, f"dialog {nid} has the language {language:#x}"
        got, want = parse_dialogex(data), template_from_script(nid)
        for key in want:
            if key != "controls":
                assert got[key] == want[key], f"dialog {nid}: {key} is {got[key]!r}, not {want[key]!r}"
        assert len(got["controls"]) == len(want["controls"]), f"dialog {nid}: {len(got['controls'])} controls"
        for i, (g, w) in enumerate(zip(got["controls"], want["controls"])):
            # windres writes class names in capitals; the dialog manager reads them either way.
            assert dict(g, **{"class": g["class"].lower()}) == dict(w, **{"class": w["class"].lower()}), \
                f"dialog {nid}, control {i + 1}: {g} is not {w}"
    placeholder = [c for c in parse_dialogex(pe_resource(os.path.join(build, "kelvane.scr"), 5, 102)[0])["controls"]
                   if c["id"] == IDC_PREVIEW]
    assert placeholder[0]["style"] == 0x40000000, "the preview's placeholder must stay invisible"


def settings_dialog_shows_the_profile_and_a_live_preview(build):
    with WineSession(build) as x:
        # A work area that is not the screen, as with a taskbar on the left and one at the bottom;
        # Wine takes it from the desktop's _NET_WORKAREA (left, top, width, height).
        x.run(["xprop", "-root", "-f", "_NET_WORKAREA", "32c", "-set", "_NET_WORKAREA", "100, 0, 700, 540"])
        started = time.monotonic()
        with Settings(x, "kelvane-fresh") as s:
            dlg = s.dialog()
            preview = [c for c in dlg["controls"] if c["cls"].startswith("Kelvane:")]
            assert len(preview) == 1, dlg["controls"]
            placeholder = control(dlg, IDC_PREVIEW)
            assert preview[0]["rect"] == placeholder["rect"] and preview[0]["visible"] and not placeholder["visible"]
            left, top, right, bottom = placeholder["rect"]
            shot = x.wait_for(lambda: white_shot(x, s.proc) and x.screenshot(), START_TIMEOUT, "the first snow")
            x.wait_for(lambda: alive(s.proc) and moved_in(x.screenshot(), shot, placeholder["rect"]), END_TIMEOUT,
                       "the preview's snow to move")
            print(f"settings_dialog_with_moving_preview_s={time.monotonic() - started:.2f}")

            assert {c["id"]: c["text"] for c in dlg["controls"] if c["id"] in DEFAULT_TEXTS} == DEFAULT_TEXTS
            # Every text of the template, in its order, each with a glyph for every character.
            controls = [c for c in dlg["controls"] if not c["cls"].startswith("Kelvane:")]
            expected = template_from_script(102)["controls"]
            assert len(controls) == len(expected), (len(controls), len(expected))
            for got, want in zip(controls, expected):
                assert (got["id"] & 0xFFFFFFFF, got["cls"].lower()) == (want["id"], want["class"].lower()), (got, want)
                if want["class"] != "EDIT":
                    assert got["text"] == want["text"], (got, want)
                assert got["missing"] == 0, f"{got['missing']} characters of {got['text']!r} have no glyph"
            # Centred on the work area.
            workarea = s.screen().workarea
            assert workarea == (100, 0, 800, 540), workarea
            (cx, cy), (wx, wy) = centre(dlg["rect"]), centre(workarea)
            assert abs(cx - wx) <= 1 and abs(cy - wy) <= 1, (dlg["rect"], workarea)

            # The keyboard starts in the period and goes through the template's tab stops, past the arrows.
            x.xdotool("windowfocus", "--sync", dlg["xwin"])
            assert s.screen().focus == IDC_PERIOD
            for nid in (IDC_COUNT, 1020, 1012):
                x.key("Tab")
                x.wait_for(lambda: s.screen().focus == nid, END_TIMEOUT, f"the focus on control {nid}")

            s.keys(dlg, "Escape")
            s.expect_end("the settings dialog to close on Escape")
            assert s.copy.read_profile() is None
        # Every way into settings mode.
        for args in ([], ["/c:4711"], ["-c"]):
            with Settings(x, "kelvane-fresh", None, args) as s:
                s.keys(s.dialog(), "Escape")
                s.expect_end(f"kelvane.scr {' '.join(args)} to close on Escape")


def settings_arrow_and_nested_boxes(build):
    with WineSession(build) as x:
        with Settings(x, "kelvane-arrows") as s:
            dlg = s.dialog()
            s.click(dlg, IDC_RESISTANCE_SPIN, 0.25)
            s.wait_text(IDC_RESISTANCE, "0.251")
            # The defaults button by its mnemonic puts every field back.
            s.keys(dlg, "alt+d")
            s.wait_text(IDC_RESISTANCE, "0.25")
            assert {c["id"]: c["text"] for c in s.dialog()["controls"] if c["id"] in DEFAULT_TEXTS} == DEFAULT_TEXTS

            # Period 0 typed, then the apply button: the range message, the same again from the
            # period's handler that the last box starts, then the two lower-bound messages. The
            # preview snows on meanwhile.
            s.click(dlg, IDC_PERIOD)
            s.keys(dlg, "End", "shift+Home", "0")
            s.wait_text(IDC_PERIOD, "0")
            s.click(dlg, IDC_APPLY)
            closed = s.close_boxes(lambda screen: control(screen.window(SETTINGS_TITLE), IDC_PERIOD)["text"] == "1",
                                   preview=control(dlg, IDC_PREVIEW)["rect"])
            assert closed == [PERIOD_RANGE, PERIOD_RANGE, AT_LEAST_ONE, AT_LEAST_ONE], closed

            # The apply button whose click brought the boxes does not keep the mouse: the next click works.
            s.click(s.dialog(), IDCANCEL)
            s.expect_end("the settings dialog to close on Cancel")
            assert s.copy.read_profile() is None


def settings_arrows_at_their_bounds_at_a_users_pace(build):
    """Each arrow at its refused bound clicked once, its box read for two seconds: one box, and the
    field keeps its bound. The focus is in an edit throughout, so each box starts that edit's
    handler; the flutter's check negates the 0 that handler's exchange put back, and shows 0."""
    bounds = b"[Config-Ver102]\r\nPeriod=1\r\nPixelRatio=50\r\nDeltaTime=0.001\r\nFlutter=0\r\n"
    with WineSession(build) as x:
        with Settings(x, "kelvane-pace", bounds) as s:
            dlg = s.dialog()
            for arrows, edit, text, shown in ((1009, IDC_PERIOD, AT_LEAST_ONE, "1"),
                                              (1021, 1020, "50.000000 以上の値を入力してください。", "50"),
                                              (1013, 1012, "0.001000 以上の値を入力してください。", "0.001"),
                                              (1019, 1018, "正の値を入力してください。", "0")):
                s.click(dlg, arrows, 0.75)
                closed = s.close_boxes(lambda screen: control(screen.window(SETTINGS_TITLE), edit)["text"] == shown,
                                       read_s=2)
                assert closed == [text], (arrows, closed)
                s.expect_no_box(1.5)
            # Held down for a second, an arrow still repeats.
            left, top, right, bottom = control(dlg, IDC_RESISTANCE_SPIN)["rect"]
            x.mouse_move((left + right) // 2, top + (bottom - top) // 4)
            x.xdotool("mousedown", "1")
            time.sleep(1)
            x.xdotool("mouseup", "1")
            x.wait_for(lambda: float(control(s.dialog(), IDC_RESISTANCE)["text"]) >= 0.253, END_TIMEOUT, "the held arrow to repeat")
            s.click(dlg, IDOK)
            s.expect_end("the settings dialog to close on OK")
            saved = s.copy.read_profile()
            for key in (b"Period=1\r\n", b"PixelRatio=50\r\n", b"DeltaTime=0.001\r\n", b"Flutter=0\r\n"):
                assert key in saved, saved


def settings_close_after_a_refused_ok(build):
    """After OK was refused (a period of 5000, or "x"), Escape and Alt+F4 close the dialog and save
    nothing, whatever boxes the period's handler shows first. A click on Cancel that the period's
    handler answers with a box is lost, as any click is; Escape then closes."""
    stored = b"[Config-Ver102]\r\nPeriod=5000\r\n"
    with WineSession(build) as x:
        for period in ("5000", "x"):
            for how in ("Escape", "alt+F4", "cancel"):
                with Settings(x, "kelvane-refused", stored) as s:
                    dlg = s.dialog()
                    if period == "x":
                        s.keys(dlg, "End", "shift+Home", "x")
                        s.wait_text(IDC_PERIOD, "x")
                    s.click(dlg, IDOK)
                    x.wait_for(lambda: s.screen().titled(BOX_TITLE), END_TIMEOUT, "OK's refusal")
                    s.close_boxes(lambda screen: screen.focus == IDC_PERIOD, read_s=1)
                    if how == "cancel":
                        s.click(s.dialog(), IDCANCEL)
                        assert s.close_boxes(lambda screen: screen.focus == IDC_PERIOD, read_s=1) == [PERIOD_RANGE]
                        alive(s.proc)
                        how = "Escape"
                    s.keys(s.dialog(), how)
                    s.close_boxes(lambda screen: s.proc.poll() is not None, read_s=1)
                    s.expect_end(f"the dialog to close on {how} after OK refused {period!r}")
                    assert s.copy.read_profile() == stored, (period, how, s.copy.read_profile())


def settings_ok_writes_the_seven_keys(build):
    with WineSession(build) as x:
        with Settings(x, "kelvane-ok") as s:
            dlg = s.dialog()
            s.click(dlg, IDC_COUNT_SPIN, 0.25)
            s.wait_text(IDC_COUNT, "101")
            s.click(dlg, IDOK)
            s.expect_end("the settings dialog to close on OK")
            assert s.copy.read_profile() == SEVEN_KEYS, s.copy.read_profile()
        # Enter in an edit accepts the dialog, whichever of its buttons the template marks as default.
        with Settings(x, "kelvane-enter") as s:
            dlg = s.dialog()
            s.click(dlg, IDC_COUNT_SPIN, 0.25)
            s.wait_text(IDC_COUNT, "101")
            s.click(dlg, IDC_PERIOD)
            s.keys(dlg, "Return")
            s.expect_end("the settings dialog to close on Enter")
            assert s.copy.read_profile() == SEVEN_KEYS, s.copy.read_profile()
        # A profile that cannot be written: the message shows after the dialog has gone, and waits.
        with Settings(x, "kelvane-blocked") as s:
            os.makedirs(s.copy.profile)
            s.click(s.dialog(), IDOK)
            closed = s.close_boxes(lambda screen: s.proc.poll() is not None)
            # The message names the profile on a line of its own (the probe shows line breaks as spaces).
            assert closed == [NOT_SAVED + " C:\\users\\" + getpass.getuser() + "\\AppData\\Roaming\\kelvane-blocked.ini"], closed
            s.expect_end("settings mode to end after its message")


def settings_cancel_escape_and_close_write_nothing(build):
    with WineSession(build) as x:
        for how in ("cancel", "escape", "close"):
            with Settings(x, "kelvane-cancel") as s:
                dlg = s.dialog()
                s.click(dlg, IDC_COUNT_SPIN, 0.25)
                s.wait_text(IDC_COUNT, "101")
                if how == "cancel":
                    s.click(dlg, IDCANCEL)
                elif how == "escape":
                    s.keys(dlg, "Escape")
                else:
                    s.keys(dlg, "alt+F4")
                s.expect_end(f"the settings dialog to close ({how})")
                assert s.copy.read_profile() is None, how


def settings_system_menu_about_box_and_drag_icon(build):
    with WineSession(build) as x:
        with Settings(x, "kelvane-about") as s:
            dlg = s.dialog()
            assert s.system_menu(dlg)[-2:] == [(0, 0x800, ""), (0x0010, 0, "&About Saver...")], s.system_menu(dlg)
            # Dragged while minimised, the dialog shows the program's icon.
            assert s.ask_inside(dlg, "dragicon") == ["icon 1 32 32"]
            # The last item of the system menu, past its separator.
            s.keys(dlg, "alt+space")
            x.wait_for(lambda: [w for w in x.top_windows() if w["override_redirect"]], END_TIMEOUT, "the system menu")
            s.keys(dlg, "End", "Return")
            about = x.wait_for(lambda: s.screen().window(ABOUT_TITLE), END_TIMEOUT, "the About box")
            texts = [c["text"] for c in about["controls"]]
            assert texts[0] == "Kelvane" and texts[-1] == "OK", texts
            assert all(c["missing"] == 0 for c in about["controls"]), about["controls"]
            assert centre(about["rect"]) == centre(s.dialog()["rect"]), (about["rect"], s.dialog()["rect"])
            s.keys(about, "Return")
            x.wait_for(lambda: not s.screen().window(ABOUT_TITLE), END_TIMEOUT, "the About box to close")
            dlg = s.dialog()
            assert dlg["enabled"]
            s.keys(dlg, "Escape")
            s.expect_end("the settings dialog to close on Escape")
            assert s.copy.read_profile() is None


def profile_settings_reach_the_saver(build):
    with WineSession(build) as x:
        copy = ProfiledCopy(x, "kelvane-crowded", b"[Config-Ver102]\r\nCount=3000\r\nPixelRatio=20\r\n")
        try:
            proc = x.saver("/s", program=copy.program)
            # Thousands of big flakes whiten most of the screen; the hundred of the defaults never do.
            x.wait_for(lambda: alive(proc) and x.screenshot().count_white() > 0.5 * SCREEN[0] * SCREEN[1],
                       START_TIMEOUT, "the crowded snow of the profile")
        finally:
            copy.remove()


def hostile_profile_does_not_stop_the_saver(build):
    with WineSession(build) as x:
        copy = ProfiledCopy(x, "kelvane-hostile",
                            b"\xef\xbb\xbf[Config-Ver102]\r\nPeriod=0\r\nCount=4294967295\r\nPixelRatio=1e308\r\n"
                            b"DeltaTime=nan\r\nGravitation=-1e999\r\nResistance=inf\r\nFlutter=\x00\xff\xfe\r\n"
                            + b"Junk=" + b"x" * (1 << 20) + b"\r\n[Config-Ver102\r\n=\r\n")
        try:
            proc = x.saver("/s", program=copy.program)
            wid = x.wait_for(lambda: alive(proc) and x.full_screen_window(), START_TIMEOUT, "the full-screen window")
            x.wait_for_frames(proc, x.screenshot())
            x.xdotool("windowfocus", "--sync", wid)
            x.key("a")
            expect_exit_zero(proc, "the saver with a hostile profile to end after a key")
        finally:
            copy.remove()


def profile_store_on_windows(build):
    with WineSession(build) as x:
        folder = tempfile.mkdtemp(prefix="kelvane-profile-")
        try:
            result = x.run(["wine", os.path.join(x.build, "kelvane-profile-check.exe"), "Z:" + folder.replace("/", "\\")],
                           check=False, timeout=120)
            if result.returncode != 0:
                raise AssertionError(result.stdout + result.stderr)
        finally:
            shutil.rmtree(folder, ignore_errors=True)


def binary_is_self_contained(build):
    """kelvane.scr: one GUI file under 2 MB that imports only what Windows ships, with its resources."""
    scr = os.path.join(build, "kelvane.scr")
    assert os.path.getsize(scr) < 2 * 1024 * 1024, f"kelvane.scr has {os.path.getsize(scr)} bytes"
    headers = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", scr], capture_output=True, text=True, check=True).stdout
    assert "(Windows GUI)" in headers, "kelvane.scr is not a GUI program"
    dlls = {m.lower() for m in re.findall(r"DLL Name: (\S+)", headers)}
    shipped = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "ole32.dll", "msvcrt.dll", "advapi32.dll",
               "comctl32.dll"}
    assert dlls and dlls <= shipped, f"kelvane.scr imports {sorted(dlls - shipped)}"

    rc = subprocess.run(["x86_64-w64-mingw32-windres", "-i", scr, "-O", "rc"], capture_output=True, text=True,
                        check=True).stdout
    for wanted in ("LANGUAGE 17, 1", '1, "Kelvane"', '101, "&About Saver..."', "128 14 /* RT_GROUP_ICON */",
                   "129 12 /* RT_GROUP_CURSOR */", "1 VERSIONINFO", "1 24 /* RT_MANIFEST */", "PerMonitorV2"):
        assert wanted in rc, f"the resources lack {wanted}"
    assert "LANGUAGE" not in rc.replace("LANGUAGE 17, 1", ""), "every resource is Japanese (0x0411)"

    # The icon: 32x32 and 16x16, 16 colours each.
    with open(os.path.join(SOURCE, "res", "kelvane.ico"), "rb") as f:
        ico = f.read()
    reserved, kind, count = struct.unpack_from("<HHH", ico)
    entries = [struct.unpack_from("<BBBBHHII", ico, 6 + 16 * i) for i in range(count)]
    assert (reserved, kind) == (0, 1) and sorted((e[0], e[1], e[2], e[5]) for e in entries) == [(16, 16, 16, 4), (32, 32, 16, 4)]
    # The cursor: 32x32 monochrome, hot spot 0,0, nothing drawn and everything see-through.
    with open(os.path.join(SOURCE, "res", "blank.cur"), "rb") as f:
        cur = f.read()
    _, kind, count = struct.unpack_from("<HHH", cur)
    width, height, _, _, hot_x, hot_y, size, offset = struct.unpack_from("<BBBBHHII", cur, 6)
    assert (kind, count, width, height, hot_x, hot_y) == (2, 1, 32, 32, 0, 0)
    header = struct.unpack_from("<IiiHH", cur, offset)
    assert header[1:] == (32, 64, 1, 1), header
    bits = cur[offset + 40 + 8:offset + size]
    assert bits[:128] == bytes(128) and bits[128:] == b"\xff" * 128, "the cursor must be fully transparent"


# Two monitors: RandR monitors side by side on one wide screen. Wine finds monitors through RandR's
# outputs (one here) unless told to ask Xinerama, which the server answers from RandR's monitors.

import xsession  # noqa: E402

WIDE = (1440, 600)
SECOND_X = (0, 0, 640, 480)       # left of the primary: Windows counts it from -640
PRIMARY_X = (640, 0, 1440, 600)
DESKTOP = 0x3366CC


class TwoMonitors:
    """Sets the wide session's monitors and makes its Wine prefix ask Xinerama for them; undone on exit."""

    def __init__(self, session):
        self.x = session

    def __enter__(self):
        xsession.set_monitors(self.x, [PRIMARY_X, SECOND_X])
        self.x.run(["xsetroot", "-solid", f"#{DESKTOP:06x}"])
        xsession.wine_monitors_from_xinerama(self.x, self.x.env, True)
        return self

    def __exit__(self, *exc):
        end_wine(self.x.env)
        xsession.wine_monitors_from_xinerama(self.x, self.x.env, False)

    def monitors_seen(self):
        """The monitors as the Windows back end finds them: left, top, right, bottom per line, primary first."""
        return self.x.run(["wine", os.path.join(self.x.build, "kelvane-monitors.exe")], timeout=120).stdout


def wide_session(build):
    session = WineSession(build)
    session.width, session.height = WIDE
    return session


def covered_with_moving_snow(x, proc, rects):
    """Waits for a window over each rect and snow moving there; then no desktop shows on any of them."""
    for rect in rects:
        x.wait_for(lambda: alive(proc) and x.windows_covering(rect), START_TIMEOUT, f"a window over the monitor {rect}")
        first = x.wait_for(lambda: alive(proc) and (lambda s: s if s.count_white(rect) > 0 else None)(x.screenshot()),
                           START_TIMEOUT, f"snow on the monitor {rect}")
        x.wait_for(lambda: alive(proc) and moved_in(x.screenshot(), first, rect), END_TIMEOUT,
                   f"the snow to move on the monitor {rect}")
    shot = x.screenshot()
    for rect in rects:
        assert shot.count_value(DESKTOP, rect) == 0, f"the desktop shows on the monitor {rect}"
        assert shot.count_other((0x000000, 0xFFFFFF), rect) == 0, f"not snow on black on the monitor {rect}"


def saver_covers_both_monitors_with_moving_snow(build):
    with wide_session(build) as x, TwoMonitors(x) as monitors:
        seen = monitors.monitors_seen()
        assert seen.split("\n")[:2] == ["0 0 800 600", "-640 0 0 480"], f"Wine sees the monitors as {seen!r}"
        proc = x.saver("/s")
        covered_with_moving_snow(x, proc, (PRIMARY_X, SECOND_X))
        wids = {(w["x"], w["y"], w["x"] + w["width"], w["y"] + w["height"]) for w in x.top_windows()}
        assert PRIMARY_X in wids and SECOND_X in wids, f"no window of exactly each monitor's size: {wids}"
        x.click(1)
        expect_exit_zero(proc, "the saver to end after a click")


def saver_ends_on_input_on_the_second_monitor(build):
    inside = (SECOND_X[0] + 100, SECOND_X[1] + 100)
    with wide_session(build) as x, TwoMonitors(x):
        for name in ("move", "click", "key"):
            x.mouse_move(*inside)
            proc = x.saver("/s")
            covered_with_moving_snow(x, proc, (PRIMARY_X, SECOND_X))
            if name == "move":
                x.mouse_move(inside[0] + 20, inside[1])
                try:
                    x.wait_for(lambda: proc.poll() is not None, END_TIMEOUT, "the saver to end after the pointer moved")
                except AssertionError:
                    # This Wine sent no report when the windows appeared: the move above was the first one.
                    x.mouse_move(inside[0] + 21, inside[1])
            elif name == "click":
                x.click(1)
            else:
                # Without a window manager nobody gives the primary's window the keyboard; a desktop would.
                primary = x.windows_covering(PRIMARY_X)[0]["id"]
                x.xdotool("windowfocus", "--sync", primary)
                x.key("a")
            expect_exit_zero(proc, f"the saver to end after a {name} on the second monitor")
            x.wait_for(lambda: not x.windows_covering(SECOND_X) and not x.windows_covering(PRIMARY_X), END_TIMEOUT,
                       "both saver windows to go")


CASES = {f.__name__: f for f in (
    binary_is_self_contained,
    prefix, saver_shows_moving_snow_full_screen, saver_ends_on_the_second_mouse_position, saver_ends_on_a_key,
    saver_ends_on_a_click, preview_fills_the_host_and_ends_with_it, preview_survives_a_host_that_goes_at_any_moment,
    switches_that_end_at_once, settings_dialog_shows_the_profile_and_a_live_preview, settings_arrow_and_nested_boxes,
    settings_arrows_at_their_bounds_at_a_users_pace, settings_close_after_a_refused_ok,
    settings_ok_writes_the_seven_keys, settings_cancel_escape_and_close_write_nothing,
    settings_system_menu_about_box_and_drag_icon, settings_template_is_compiled_into_the_binary,
    profile_settings_reach_the_saver,
    hostile_profile_does_not_stop_the_saver,
    profile_store_on_windows,
    saver_covers_both_monitors_with_moving_snow, saver_ends_on_input_on_the_second_monitor)}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True, help="the Windows build folder, holding kelvane.scr")
    parser.add_argument("case", choices=sorted(CASES))
    args = parser.parse_args()
    started = time.monotonic()
    CASES[args.case](args.build)
    print(f"{args.case}: passed in {time.monotonic() - started:.1f} s")


if __name__ == "__main__":
    main()
